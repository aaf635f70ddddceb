// Acting on a journal's records, whether the run that wrote them is still going (a
// cancel, an abandoned stop) or was killed (the next run's recovery): undoing what
// they describe, or completing it once it reached its success point. Both are
// idempotent: each step looks at the disk first, so replaying records that were
// partly acted on already (a rollback that was itself killed) finishes the work.
//
// Nothing is deleted unless the records prove it is the run's own: a file is removed
// only while its path names the very object the run made, in a folder that still
// leads where it led when the run wrote into it; a set-aside file is put back only
// while it is the object that was set aside.
#pragma once

#include "engine/JournalFormat.h"

#include <functional>
#include <string>
#include <vector>

namespace engine {

// What an undo or a completion had to leave, for the user to be told.
struct LeftBehind {
    struct Entry {
        std::string path;  // where the run wrote, or what it could not drop
        std::string aside; // where the earlier file now is, or empty
    };
    int count = 0;                      // entries a retry could still settle; the journal stays for them
    std::vector<Entry> first;           // the first few of them
    std::vector<std::string> atRestart; // set-aside files held open, deleted at the next restart
    std::vector<Entry> movedAside;      // what stood where an earlier file had to return, and that
                                        // the undo could not prove the run's: moved to aside, kept
    std::vector<Entry> keptAside;       // earlier files kept under their set-aside names (aside),
                                        // since the new ones at path could not be made durable
    std::vector<Entry> unconfirmed;     // an earlier file's set-aside name (aside) holds an object
                                        // that is not the one set aside from path (on FAT a rename
                                        // changes the identity): neither put back nor dropped

    void Add(const std::string& path, const std::string& aside = "");
    bool Nothing() const { return count == 0; }
};

// Whether the file at path holds only what the run writes there: its bytes, or a first
// part of them, with any bytes a power cut lost reading as zeros; or, where the run
// writes a shell link, a link to one of the run's own files. Deleting such a file loses
// nothing; an empty proof proves nothing.
using BytesOfTheRun = std::function<bool(const std::string& path)>;

// Writes records to the run's journal and through to the disk, before the change they
// describe is made. It must not change the records being settled.
using RecordFirst = std::function<void(const std::vector<JournalRecord>& records)>;

// How settling a run's records ended.
struct Settled {
    bool completed = false; // past its success point, completed; else undone
    LeftBehind left;        // what had to be left; the journal then stays
};

// The one way a run's records are settled, the live run's cancel, abandon and success
// ending and the next run's recovery alike: a run past its success point is completed
// (every set-aside file or folder that is still the one set aside is dropped; what a
// running program holds is deleted at the next restart), any other is undone, newest
// record first. When nothing had to be left, the journal is deleted (deleteJournal),
// and then the folders the run made that held it, each only while it is still the
// run's own and empty.
// A file the run asked for but whose making was not recorded is deleted only when it
// holds nothing or bytesOfTheRun proves it the run's; any other is moved aside and named.
// What stands where an earlier file returns and holds files the run made that could not
// be deleted (another program holds them) is moved aside only through recordFirst: their
// new paths are recorded first, so that a later settling finds and removes them; without
// recordFirst it stays, and the earlier file stays at its set-aside name, for a retry.
// A set-aside name that holds another object than the one set aside is left as it is
// and named (unconfirmed), never taken for the earlier file.
Settled SettleRecords(const std::vector<JournalRecord>& records, const std::string& journalFolder,
                      const std::function<void()>& deleteJournal, const BytesOfTheRun& bytesOfTheRun = {},
                      const RecordFirst& recordFirst = {});

} // namespace engine
