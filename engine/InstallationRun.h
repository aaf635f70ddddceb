// The installation run: folders, the manifest copy, the count pass, the extraction
// pass with its cancel check, and the two endings. It runs synchronously on the
// calling thread, tells its observer how it goes and returns how it ended.
#pragma once

#include "engine/PayloadStore.h"
#include "engine/RunJournal.h"
#include "engine/RunObserver.h"

#include <string>
#include <vector>

namespace engine {

enum class RunOutcome {
    FoldersNotCreated, // the target cannot hold the installation; nothing was made
    Cancelled,         // the observer said no at a cancel check; everything was undone
    Succeeded,         // every file, the uninstall list and the shortcuts are in place
};

class InstallationRun {
  public:
    // installDir is the wizard's target folder, read when the run starts.
    InstallationRun(const std::string& installDir, ShortcutMaker& shortcuts, const PayloadStore& store);

    // The whole run. Any other failure (an I/O error, a missing blob) leaves as an
    // error, with what was written so far in place until RollBack.
    RunOutcome Install(RunObserver& observer);

    // Undoes what the run did so far (see RunJournal): removes what it made and is
    // still its own, shortcuts and a file left half-written included, and puts back
    // every file it set aside. Answers how many entries it had to leave in place.
    int RollBack();

  private:
    bool TargetCanHoldTheInstallation() const;
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
};

} // namespace engine
