// The changes the installation run makes on disk: the folders and files it creates, for
// itself and for the shortcut functions, and what it sets aside out of their way, each
// recorded in the run's journal first (see RunJournal for the order of writes and
// flushes), so that the run can be undone or completed.
//
// A file that stands where the run writes is never overwritten: it is set aside under
// its name + ".bak" (".bak2", ... when that name is taken), a rename on the same volume
// that keeps its bytes, attributes and time stamps; a folder whose every entry the run
// replaces is set aside whole. Undoing puts them back; completing drops them.
#pragma once

#include "engine/RunJournal.h"
#include "engine/SetAsidePlan.h"
#include "engine/SettleRecords.h"
#include "runtime/FileWriter.h"
#include "runtime/FolderRights.h"
#include "runtime/UndoableCreation.h"

#include <set>
#include <string>
#include <vector>

namespace engine {

class RunChanges : public rt::UndoableCreation {
  public:
    explicit RunChanges(RunJournal& journal) : journal_(journal) {}

    // Creates the target folder and its missing parents before the journal can exist,
    // recording those it made (outermost first); the journal writes them when it begins.
    // Reports as rt::ForceDirectories does.
    bool CreateTargetFolder(const std::string& path);
    // Creates a folder of the installation and its missing parents, recording each;
    // reports as rt::ForceDirectories does.
    bool CreateFolders(const std::string& path);
    // Creates one folder for another writer (the links' folder), recorded, with the
    // rights its parent gives; raises the I/O error for the system's code.
    void CreateFolder(const std::string& path) override;

    // Carries out a set-aside plan in one batch: the records of every file the run will
    // create (creations, so that each is known before it can be on the disk) and of every
    // move, one flush, then the renames.
    void ClearTheWay(const SetAsidePlan& plan, const std::vector<std::string>& creations);

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

    // Settles the run by its records (see SettleRecords): past the success point drops
    // what was set aside, before it undoes the run; then deletes the journal and the
    // folders that held it, unless something had to be left: the journal then stays on
    // disk for the next run into the folder to finish. Closes the journal either way, so
    // that a second call does nothing.
    LeftBehind EndSettlingTheRecords(const BytesOfTheRun& bytesOfTheRun = {});

    // Ends a run whose new files are all in place but could not all be written through
    // to the disk: what it set aside stays where it is, named in keptAside, and the
    // journal is deleted (a power cut before that is undone by the next run, and one
    // after it loses no earlier file). Closes the journal.
    LeftBehind EndKeepingWhatWasSetAside();

  private:
    void CreateFolder(const std::string& path, rt::FolderRights rights);
    void RecordFoldersMade(const std::vector<std::string>& folders);
    // Records the folder path lies in, the first time the run writes there.
    void NoteContainingFolder(const std::string& path);
    // Moves one file in the way aside, recorded and flushed first; answers 0 or the
    // system's code.
    unsigned SetAside(const std::string& path);
    // Asks for the file where nothing stands, recorded before and after.
    unsigned CreateRecorded(const std::string& path, rt::NewFile& file);
    // Closes the journal and starts afresh.
    void StartAfresh();

    RunJournal& journal_;
    std::set<std::string> foldersNoted_;
    std::set<std::string> occupied_; // paths where something not yet set aside stands
};

} // namespace engine
