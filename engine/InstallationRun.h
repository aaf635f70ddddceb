// The installation run: folders, the manifest copy, the count pass, the extraction
// pass with its cancel check, and the two endings. It runs synchronously on the
// calling thread, tells its observer how it goes and returns how it ended.
#pragma once

#include "engine/PayloadStore.h"
#include "engine/RunJournal.h"
#include "engine/RunObserver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class RunOutcome {
    PayloadDamaged,    // the program's payload is not as built; nothing was made
    FoldersNotCreated, // the target was refused (nothing made) or a folder could not be made
    NotEnoughRoom,     // the target's volume has too little room (see RoomFound()); nothing made
    Cancelled,         // the observer said no at a cancel check; everything was undone
    Succeeded,         // every file, the uninstall list and the shortcuts are in place
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

    // The whole run. Any other failure (an I/O error, a missing blob) leaves as an
    // error, with what was written so far in place until RollBack.
    RunOutcome Install(RunObserver& observer);

    // Undoes what the run did so far (see RunJournal): removes what it made and is
    // still its own, shortcuts and a file left half-written included, and puts back
    // every file it set aside. Answers how many entries it had to leave in place.
    int RollBack();

    // The room the last run found, when it ended NotEnoughRoom.
    const Room& RoomFound() const { return room_; }

  private:
    // A file the run will write, and its size.
    struct PlannedFile {
        std::string path;
        std::size_t size;
    };
    std::vector<PlannedFile> PlannedFiles() const;
    bool TargetCanHoldTheInstallation(const std::vector<PlannedFile>& files) const;
    bool TargetHasRoom(const std::vector<PlannedFile>& files);
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
};

} // namespace engine
