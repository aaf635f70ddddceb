// The run's plan: every file it will write into a target, read from the payload's own
// manifest before anything is made, with the checks that refuse a target it could only
// partly fill (names the system's code page cannot hold, paths too long, too little
// room), and the proof, for an undo or a recovery, that a file is one of the run's.
#pragma once

#include "engine/PayloadStore.h"
#include "engine/SetAsidePlan.h"
#include "engine/SettleRecords.h"
#include "engine/ShortcutMaker.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// What the run will write on the target's volume, in whole allocation units, and what
// the volume has free for this user.
struct DiskSpace {
    std::uint64_t needed = 0;
    std::uint64_t free = 0;
};

class RunPlan {
  public:
    // A file the run will write, and its size.
    struct PlannedFile {
        std::string path;
        std::size_t size;
    };

    // A plan of no files: it proves nothing.
    explicit RunPlan(const PayloadStore& store);
    // Every file the run writes into installDir (blank-stripped), read from the payload's
    // own manifest in memory by the text file's line rules: the manifest copy, each entry,
    // and the uninstall list.
    RunPlan(const PayloadStore& store, const std::string& installDir);

    // Every file the run writes, in order.
    const std::vector<std::string>& Paths() const { return paths_; }
    // The same in the system's code page, as the uninstall list names them (filled by
    // ListedInTheSystemCodePage).
    const std::vector<std::string>& ListedPaths() const { return listedPaths_; }

    // The uninstall list names every file in the system's code page, the one the
    // uninstaller reads it in: each planned file's form there, kept in ListedPaths; false
    // for a target whose files that code page cannot name, refused before the run takes,
    // asks about or changes anything (a text test alone).
    bool ListedInTheSystemCodePage();
    // A target the run could only partly fill is refused before anything is made: one
    // too long for the deepest file the run writes, a name it sets a file aside under, or
    // a file in a folder it sets aside whole (deleted after success).
    bool TargetCanHoldTheInstallation(const SetAsidePlan& setAsides) const;
    // Compares what the run will write, each file in whole allocation units, with the
    // room on the target's volume (told in room). Files a reinstall sets aside are
    // renamed, which takes no room. The journal is counted at what its records take. When
    // the volume cannot be asked (a drive that is not there), creating the folders will
    // tell: true.
    bool TargetHasRoom(const SetAsidePlan& setAsides, DiskSpace& room) const;
    // The files the run will create where nothing stands now (what stands is set aside in
    // the batch, or, where it cannot be, met when the run gets there).
    std::vector<std::string> Creations(const SetAsidePlan& setAsides) const;

    // The proof of the run's files an undo or a recovery is given: a file that holds only
    // (a first part of) what the run writes there, lost bytes reading as zeros, or, where
    // the run writes no file of its own, a link (read through shortcuts) to one of the
    // run's files: a link the run saved and did not record. It reads the plan when asked,
    // so it proves by whatever plan this one holds then.
    BytesOfTheRun ProofOfItsFiles(ShortcutMaker& shortcuts) const;

  private:
    std::vector<std::string> ManifestLines() const;
    bool HoldsOnlyBytesOfTheRun(const std::string& path) const;
    bool LinksToAFileOfTheRun(const std::string& path, ShortcutMaker& shortcuts) const;

    const PayloadStore* store_;
    std::string installDir_;
    std::vector<PlannedFile> files_;
    std::vector<std::string> paths_;       // the files' paths, in order
    std::vector<std::string> listedPaths_; // the same in the system's code page, as listed
};

} // namespace engine
