// The journal of one installation run: the records of every change the run makes (see
// RunChanges, which makes them), written to a file in the target folder before the
// change can be seen on disk, so that the run can be undone, or completed past its
// success point, whether it is still going or was killed and the next run finds the
// file (see SettleRecords). The journal only writes, flushes and hands back its
// records; it changes nothing else on disk.
//
// The order of writes and flushes, which makes a power cut recoverable:
//   1. the header and the folders made before the journal (one write);
//   2. each folder: "making" before it is made, "made" with its identity after;
//   3. the set-aside batch: every record, one flush, then the renames; a single
//      set-aside later on is recorded and flushed before its rename;
//   4. each file: "creating" before the creation, "made" with its identity after; a
//      flush after every 256 files bounds what a power cut can leave unrecorded;
//   5. the success point, flushed, before the first set-aside file is dropped.
// After each flush a checkpoint says that every byte before it is on the disk: what a
// power cut tears after the last one is a torn tail, not damage (see JournalFormat).
#pragma once

#include "engine/JournalFormat.h"
#include "runtime/OwnedFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class RunJournal {
  public:
    // Creates the journal file where nothing of its name stands and writes the header
    // and what was recorded so far, in one write, flushed. Raises the file-creation error
    // and the I/O errors of the write and the flush; what was recorded stays in memory,
    // so that an undo still finds it.
    void Begin(const std::string& journalPath, const std::string& installDir);

    // One record, one write (kept in memory only, before Begin). Raises the write's I/O
    // error; the record is then not kept, and the change it tells of is not to be made.
    void Append(JournalRecord record);
    void AppendAndFlush(JournalRecord record);
    // The "made" record of a file the run created itself; after every 256 of them since
    // the last flush, a flush.
    void AppendNewFile(JournalRecord made);

    // Writes the journal through to the disk (a set-aside, a link, the success point) and
    // then marks that in it with a checkpoint. Raises the flush's I/O error: what the run
    // does next would rest on records a power cut could take, so the run stops there
    // (its undo has every record in memory).
    void Flush();
    // The same where nothing may stop: after an undo or a completion (it is done; the
    // journal that stays for the next run is read by the same rules whatever reached the
    // disk) and when the session ends (it ends anyway). Answers the system's code, 0 when
    // written through.
    unsigned FlushIfPossible();

    // The success point: from here on the run is completed, never undone. When the flush
    // after its record fails, raises that I/O error and leaves the journal to the next
    // run, forgetting its records (see CloseLeavingFile).
    void MarkSucceeded();

    // What was recorded, in order, and where the journal lies (empty before Begin).
    const std::vector<JournalRecord>& Records() const { return records_; }
    const std::string& Path() const { return path_; }

    // The run is settled: closes the journal and deletes its file.
    void Delete();
    // Closes the journal, leaving its file on disk, and starts afresh.
    void CloseLeavingFile();

  private:
    // Writes bytes at the end of the file: answers the write's code, and whether all of
    // them were written; or raises what it answers (fewer bytes: "Stream write error").
    unsigned AppendBytes(const std::string& bytes, bool& whole);
    void Write(const std::string& bytes);

    std::string path_;
    rt::OwnedFile file_;
    std::vector<JournalRecord> records_;
    int madeSinceFlush_ = 0;
    std::uint64_t written_ = 0;       // the file's size
    std::uint64_t checkpointEnd_ = 0; // where the last checkpoint ends: nothing written since
    bool everyWriteWhole_ = true;     // no write so far failed or came up short
};

} // namespace engine
