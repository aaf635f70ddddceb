// The installation run: the checks before anything is made (the payload, the target and
// its plan, the folders found, room), the recovery of an interrupted run, the folders,
// the manifest copy, the count pass, the extraction pass with its cancel check, and the
// two endings (success, cancel). It runs synchronously on the calling thread, tells its
// observer how it goes and returns how it ended. Every undo is asked for here: a
// cancel's and the abandoning of a stopped run's (carried out by RunChanges through
// SettleRecords), and a killed run's (RecoverInterruptedRun); it returns what each had
// to leave, and its caller only says so.
#pragma once

#include "engine/FoundFolders.h"
#include "engine/InterruptedRun.h"
#include "engine/PayloadCheck.h"
#include "engine/PayloadStore.h"
#include "engine/RunChanges.h"
#include "engine/RunJournal.h"
#include "engine/RunObserver.h"
#include "engine/RunPlan.h"
#include "engine/ShortcutMaker.h"
#include "runtime/Errors.h"
#include "runtime/FolderClaim.h"
#include "runtime/OwnedFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class RunOutcome {
    PayloadDamaged,      // the program's payload is not as built; nothing was made
    FoldersNotCreated,   // the target was refused (nothing made) or a folder could not be made
    NotEnoughRoom,       // the target's volume has too little room (see room); nothing made
    Cancelled,           // the observer said no at a cancel check; the run was undone (see left)
    Succeeded,           // every file, the uninstall list and the shortcuts are in place
    RecoveryNotFinished, // an interrupted run into the folder could not be settled (see
                         // recovery); nothing new was made
    FolderInUse,         // another run is installing into the folder (or stopped in it); nothing was made
    LinkInTheWay,        // a link stands where the run would write through it (see refusedAt); nothing made
    FolderLeftToOthers,  // the user chose not to install into folders others can change; nothing made
};

// Whether the run stopped without finishing: what it made stays, journalled, and the
// folder stays claimed, until the run is abandoned (the stopped state). Any other
// outcome is an ending: the run is over.
inline bool StoppedUnfinished(RunOutcome outcome) {
    return outcome == RunOutcome::FoldersNotCreated;
}

// How a run ended, and what it had to leave.
struct RunResult {
    RunOutcome outcome = RunOutcome::FoldersNotCreated;
    // Cancelled: what the undo had to leave. Succeeded: the earlier files it could not
    // drop, those left for deletion at the next restart, and those it kept because the
    // new files could not be written through to the disk.
    LeftBehind left;
    // What the run found of an interrupted one (RecoveryNotFinished: what it had to leave).
    Recovery recovery;
    DiskSpace room;        // NotEnoughRoom: what the run needs and what the volume has
    std::string refusedAt; // LinkInTheWay: the link
};

class InstallationRun {
  public:
    InstallationRun(ShortcutMaker& shortcuts, const PayloadStore& store);

    // The whole run into installDir, the target folder as the user typed it (blank-
    // stripped). The folders it finds are looked at first (a link is refused; the user is
    // asked about folders others could change or make lead elsewhere), then an
    // interrupted run's journal in the target folder is settled, then they are looked at
    // again and held to the run's end. Any other
    // failure (an I/O error, a missing blob) leaves as an error, with what was written
    // so far in place, and journalled, until Abandon. From the start until the run is
    // over (a failure's stopped state included, until Abandon) the folder is claimed:
    // another run into it is refused.
    RunResult Install(const std::string& installDir, RunObserver& observer);

    // The check of the payload that Install needs before anything else: the caller may
    // run it ahead on another thread, and must then wait for it to end before Install.
    // Install runs it itself when nobody did, and keeps its answer for later runs.
    PayloadCheck& CheckOfItsPayload() { return payloadCheck_; }

    // Abandons a run that stopped without finishing: removes what it made and is still
    // its own, shortcuts and a file left half-written included, puts back every file it
    // set aside, and lets go of the folder. Answers what it had to leave; a second call
    // finds nothing to do.
    LeftBehind Abandon();

    // Writes the journal through to the disk (the session is ending). The session ends
    // whatever the answer, so a failure is not told: the next run reads whatever of the
    // journal reached the disk.
    void FlushJournal() { journal_.FlushIfPossible(); }

  private:
    RunResult Run(RunObserver& observer);
    std::string FirstLinkInTheWay(const SetAsidePlan& setAsides) const;
    // Undoes the run, proving by their bytes the files it made without recording it.
    LeftBehind Undo();
    rt::Error ManifestCopyChanged() const;
    bool FoundFoldersAccepted(RunObserver& observer, HeldFolders* held, std::vector<std::string>& accepted,
                              std::string& link);
    // Recovers an interrupted run from its journal in the target folder, when there is
    // one; false when the run cannot go on.
    bool RecoverAnyInterruptedRun(RunObserver& observer, Recovery& recovery);
    bool CreateFolders();
    void HoldFolder(const std::string& folder);
    void CopyManifest();
    long CountManifestLines();
    bool ExtractEntries(RunObserver& observer); // false when cancelled
    void ExtractEntry(const std::string& line, long lineNumber, RunObserver& observer);
    // Writes a new file of the run's, telling the observer that work goes on between parts
    // of a large one (its identity to written, when given).
    void WriteNewFile(const std::string& path, const char* data, std::size_t size, RunObserver* observer,
                      os::Identity* written = nullptr);
    LeftBehind SucceedEnding(RunObserver& observer);
    bool NewFilesDurable(RunObserver& observer) const;

    ShortcutMaker& shortcuts_;
    const PayloadStore& store_;
    PayloadCheck payloadCheck_{store_};

    std::string installDir_;                 // the target of the current run, as typed
    std::vector<std::string> uninstallList_; // files written whole, in order, as listed
    RunPlan plan_{store_};                   // the files of the current run
    rt::OwnedFile manifestCopy_;             // held from its writing until it is deleted
    RunJournal journal_;
    RunChanges changes_{journal_};
    rt::FolderClaim claim_;
    HeldFolders held_; // the target, data and data\day, from their last look to the run's end
};

} // namespace engine
