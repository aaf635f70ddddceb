// The installation run: folders, the manifest copy, the count pass, the extraction
// pass with its cancel check, and the two endings. It runs synchronously on the
// calling thread, tells its observer how it goes and returns how it ended.
#pragma once

#include "engine/InterruptedRun.h"
#include "engine/PayloadStore.h"
#include "engine/RunJournal.h"
#include "engine/RunObserver.h"
#include "runtime/FolderClaim.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class RunOutcome {
    PayloadDamaged,      // the program's payload is not as built; nothing was made
    FoldersNotCreated,   // the target was refused (nothing made) or a folder could not be made
    NotEnoughRoom,       // the target's volume has too little room (see RoomFound()); nothing made
    Cancelled,           // the observer said no at a cancel check; the run was undone (see LeftBehind())
    Succeeded,           // every file, the uninstall list and the shortcuts are in place
    RecoveryNotFinished, // an interrupted run into the folder could not be settled (see
                         // LastRecovery()); nothing new was made
    FolderInUse,         // another run is installing into the folder (or stopped in it); nothing was made
};

// What the run will write on the target's volume, in whole allocation units, and what
// the volume has free for this user.
struct Room {
    std::uint64_t needed = 0;
    std::uint64_t free = 0;
};

class InstallationRun {
  public:
    // installDir is the wizard's target folder, read when the run starts.
    InstallationRun(const std::string& installDir, ShortcutMaker& shortcuts, const PayloadStore& store);

    // The whole run. An interrupted run's journal in the target folder is settled first.
    // Any other failure (an I/O error, a missing blob) leaves as an error, with what was
    // written so far in place, and journalled, until RollBack. From the start until the
    // run is over (a failure's stopped state included, until RollBack) the folder is
    // claimed: another run into it is refused.
    RunOutcome Install(RunObserver& observer);

    // Undoes what the run did so far (see RunJournal): removes what it made and is
    // still its own, shortcuts and a file left half-written included, and puts back
    // every file it set aside. Answers what it had to leave (also kept in LeftBehind()).
    const LeftBehind& RollBack();

    // What the last undo or completion had to leave: entries that stayed, and files
    // left for deletion at the next restart.
    const LeftBehind& LeftOver() const { return left_; }
    // What the last run found of an interrupted one.
    const Recovery& LastRecovery() const { return recovery_; }
    // Writes the journal through to the disk (the session is ending).
    void FlushJournal() { journal_.Flush(); }

    // The room the last run found, when it ended NotEnoughRoom.
    const Room& RoomFound() const { return room_; }

  private:
    RunOutcome Run(RunObserver& observer);
    // A file the run will write, and its size.
    struct PlannedFile {
        std::string path;
        std::size_t size;
    };
    std::vector<PlannedFile> PlannedFiles() const;
    bool TargetCanHoldTheInstallation(const std::vector<PlannedFile>& files, const SetAsidePlan& plan) const;
    bool TargetHasRoom(const std::vector<PlannedFile>& files, const SetAsidePlan& plan);
    // Settles an interrupted run's journal; false when the run cannot go on.
    bool RecoverInterruptedRun(RunObserver& observer);
    bool CreateFolders();
    void CopyManifest();
    long CountManifestLines();
    bool ExtractEntries(RunObserver& observer); // false when cancelled
    void ExtractEntry(const std::string& line, long lineNumber, RunObserver& observer);
    void WriteNewFile(const std::string& path, const char* data, std::size_t size);
    void SucceedEnding(RunObserver& observer);

    const std::string& installDir_;
    ShortcutMaker& shortcuts_;
    const PayloadStore& store_;

    std::vector<std::string> uninstallList_; // files written whole, in order
    RunJournal journal_;
    Room room_;
    LeftBehind left_;
    Recovery recovery_;
    rt::FolderClaim claim_;
};

} // namespace engine
