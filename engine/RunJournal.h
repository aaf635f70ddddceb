// The journal of one installation run: every change the run makes is written to a file
// in the target folder before the change can be seen on disk (or, for a folder or file
// the run creates, before it asks for it, so that what it got is provably its own), so
// that the run can be undone, or completed past its success point, whether it is still
// going or was killed and the next run finds the file (see JournalReplay).
//
// A file that stands where the run writes is never overwritten: it is set aside under
// its name + ".bak" (".bak2", ... when that name is taken), a rename on the same volume
// that keeps its bytes, attributes and time stamps; a folder whose every entry the run
// replaces is set aside whole. Undoing puts them back; success drops them.
//
// The order of writes and flushes, which makes a power cut recoverable:
//   1. the header and the folders made before the journal (one write);
//   2. each folder: "making" before it is made, "made" with its identity after;
//   3. the set-aside batch: every record, one flush, then the renames; a single
//      set-aside later on is recorded and flushed before its rename;
//   4. each file: "creating" before the creation, "made" with its identity after; a
//      flush after every 256 files bounds what a power cut can leave unrecorded;
//   5. the success point, flushed, before the first set-aside file is dropped.
#pragma once

#include "engine/JournalFormat.h"
#include "engine/JournalReplay.h"
#include "engine/SetAsidePlan.h"
#include "runtime/CreationRecorder.h"
#include "runtime/FileWriter.h"
#include "runtime/FolderRights.h"
#include "runtime/OwnedFile.h"

#include <set>
#include <string>
#include <vector>

namespace engine {

class RunJournal : public rt::CreationRecorder {
  public:
    // Records the folders the run made before the journal could exist (the target folder
    // and its parents, outermost first); written when the journal begins.
    void FoldersMadeBeforeIt(const std::vector<std::string>& folders);

    // Creates the journal file where nothing of its name stands and writes what was
    // recorded so far. Raises the file-creation error; what was recorded stays in memory,
    // so that a rollback still undoes it.
    void Begin(const std::string& journalPath, const std::string& installDir);

    // The rights of the folders the run makes for the installation: users may read and
    // run what is in them, not change it.
    static constexpr rt::FolderRights kRunsFolders = rt::FolderRights::ReadAndRunForUsers;

    // Creates a folder of the installation and its missing parents, recording each;
    // reports as rt::ForceDirectories does.
    bool CreateFolders(const std::string& path);
    // Creates one folder for another writer (the links' folder), recorded, with the
    // rights its parent gives; raises the I/O error for the system's code.
    void CreateFolder(const std::string& path) override;

    // Carries out a set-aside plan in one batch (records, one flush, the renames).
    void ClearTheWay(const SetAsidePlan& plan);

    // Creates path for writing as the run's own file, setting aside a file in the way.
    // A folder or a read-only file in the way is refused as replacing it would be
    // ("Access is denied"), and so is a file held open elsewhere. Raises the
    // file-creation error of rt::NewFile.
    void OpenNewFile(const std::string& path, rt::NewFile& file);

    // For a file that another component writes (a shell link): sets a file in the way
    // aside and records the path; false when something that cannot be set aside (a
    // folder) is in the way, and then nothing is to be written. After the write,
    // AdoptWrittenFile records what is there as the run's own.
    bool PrepareForeignFile(const std::string& path) override;
    void AdoptWrittenFile(const std::string& path) override;

    // Writes the journal through to the disk (a session that ends, the success point).
    void Flush();

    // The success point: from here on the run is completed, never undone.
    void MarkSucceeded();

    // After the success point: drops what was set aside (see CompleteRecords) and
    // removes the journal, unless something could neither be dropped nor left to the
    // next restart.
    LeftBehind Complete();

    // Undoes the run (see UndoRecords), then removes the journal and the folders that
    // held it, unless something had to be left: the journal then stays on disk for the
    // next run into the folder to finish the undo. A second call does nothing.
    LeftBehind RollBack();

  private:
    void CreateFolder(const std::string& path, rt::FolderRights rights);
    void Append(JournalRecord record);
    void AppendAndFlush(JournalRecord record);
    // Records the folder path lies in, the first time the run writes there.
    void NoteContainingFolder(const std::string& path);
    // Moves one file in the way aside, recorded and flushed first; answers 0 or the
    // system's code.
    unsigned SetAside(const std::string& path);
    // Asks for the file where nothing stands, recorded before and after.
    unsigned CreateRecorded(const std::string& path, rt::NewFile& file);
    // Closes the journal and removes it from the disk.
    void Remove();
    // Closes the journal, leaving it on disk, and starts afresh.
    void Forget();

    std::string path_;
    rt::OwnedFile file_;
    std::vector<JournalRecord> records_;
    std::set<std::string> foldersNoted_;
    std::set<std::string> occupied_; // paths where something not yet set aside stands
    int madeSinceFlush_ = 0;
};

} // namespace engine
