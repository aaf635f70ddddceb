// Recovery of a run that was killed (a crash, the task manager, a power cut): the next
// run into the same folder finds its journal and, before it writes anything, undoes it
// or, past its success point, completes it. A journal that cannot be trusted (damaged,
// of another version, naming places the run never writes, or copied from another
// folder) is never acted on: it is moved aside and every file stays where it is; of a
// damaged one, the records read before the damage tell what stays under other names.
#pragma once

#include "engine/SettleRecords.h"

#include <string>
#include <vector>

namespace engine {

struct Recovery {
    enum class Outcome {
        NothingFound, // no journal, or one that recorded nothing
        Undone,       // the interrupted run was undone
        Completed,    // the interrupted run had reached its success point and was completed
        Unreadable,   // the journal could not be trusted: nothing touched, it was moved to keptAs
        OpenToOthers, // the journal, or its folder, could have been written by another user of the
                      // computer: nothing touched, it was moved to keptAs
        NotFinished,  // something could not be settled (see left); the journal stays
        FolderInUse,  // another run holds the journal open: it is installing into the folder now
    };
    Outcome outcome = Outcome::NothingFound;
    LeftBehind left;
    std::string keptAs;
    // Unreadable, a damaged journal: what the records read before the damage set aside and
    // still stands under its set-aside name (path: its own name; aside: where it is now).
    // Nothing of it was touched.
    std::vector<LeftBehind::Entry> underOtherNames;
};

// installDir is the target folder of the run that recovers; linkPlaces are the folders
// the run's links go into (the product's Programs folder and the desktop). A journal is
// acted on only when it and its folder could have been changed by no one but the
// trusted accounts (see os::Guard), it lies in installDir and names it, and every
// record names a plain path in installDir, above it, or in a link place, reached through
// no link below installDir or the link place (each folder on the way looked at itself).
// bytesOfTheRun proves files the killed run made without recording it (see SettleRecords).
Recovery RecoverInterruptedRun(const std::string& journalPath, const std::string& installDir,
                               const std::vector<std::string>& linkPlaces,
                               const BytesOfTheRun& bytesOfTheRun = {});

} // namespace engine
