// The bytes of the run's journal file, apart from any disk: what each record holds,
// how it is framed, and how a journal is read back. Pure functions over bytes, so that
// the reader can be tested (and fuzzed) with any damage.
//
// A journal is a sequence of frames: the marker "JR", the payload's length (4 bytes,
// little-endian), the length's checksum and the payload's (4 bytes each, FNV-1a), then
// the payload. The first frame holds the header (the format's name and version, and the
// target folder as the user typed it); every later frame holds one record, or a
// checkpoint: written after each flush, it names its own offset, so that whoever finds
// it whole knows every byte before it reached the disk.
//
// Records are appended whole, one write each. After a power cut, the sectors written
// since the last flush may each be lost or kept, so damage past the last point known to
// be on the disk (a cut, zeros to the end, a hole with later bytes kept) is a torn tail:
// the records before it are acted on. Damage before a checkpoint found whole is damage
// of what was on the disk, and makes the journal untrustworthy as a whole; so does a
// whole frame that is no record of its version, or a length that is not its own.
#pragma once

#include "runtime/OsSeam.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// Version 3 writes checkpoints. Version 2, without them, holds its texts in UTF-8 as
// version 3 does; a damaged frame before its last is damage. Version 1 holds them in the
// system's code page; it is read by converting them.
constexpr std::uint32_t kJournalVersion = 3;
constexpr std::uint32_t kUncheckpointedJournalVersion = 2;
constexpr std::uint32_t kCodePageJournalVersion = 1;

enum class RecordKind : std::uint8_t {
    FolderMade = 1,    // path: a folder the run made; identity: that folder
    FolderMaking,      // path: a folder the run is about to make
    FolderWrittenInto, // path: a folder the run first writes into; identity and link: where it led
    SettingAside,      // path: a file or folder in the way; aside: the name it moves to;
                       // identity: the object that stood there; names: a folder's entries
    Creating,          // path: a file the run is about to create where nothing stands
    CreationFailed,    // path: the creation just recorded did not happen
    Made,              // path: a file the run created; identity: that file
    Succeeded,         // the success point: from here on the run is completed, not undone
};

struct JournalRecord {
    RecordKind kind = RecordKind::Succeeded;
    std::string path;
    std::string aside;
    os::Identity identity;
    bool link = false;
    std::vector<std::string> names;
};

std::string EncodeHeader(const std::string& installDir);
std::string EncodeRecord(const JournalRecord& record);
// The checkpoint written at offset, after every byte before it was flushed.
std::string EncodeCheckpoint(std::uint64_t offset);

struct ParsedJournal {
    enum class Status {
        Whole,        // every frame read
        TornTail,     // the frames from one on never reached the disk whole (a write the run did
                      // not finish, or one a power cut took): ignored
        Damaged,      // damage where the disk held the journal whole, or the header cannot be read
        OtherVersion, // written by another version of the format
    };
    Status status = Status::Damaged;
    std::string installDir;
    // The records read whole: up to a torn tail, all of them. Of a damaged journal, those
    // before the damage, never to be acted on; they only tell what the run may have left
    // (what it set aside, under which name).
    std::vector<JournalRecord> records;

    // Whole or with a torn tail: the records can be acted on.
    bool Usable() const { return status == Status::Whole || status == Status::TornTail; }
};

ParsedJournal ParseJournal(const std::string& bytes);

} // namespace engine
