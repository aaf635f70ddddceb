// The texts the progress page shows about what an undo, a completion or the recovery
// of an interrupted run did or had to leave.
#pragma once

#include "engine/InterruptedRun.h"

#include <string>
#include <vector>

namespace wizard {

// What the recovery of an interrupted run did, before the new run goes on.
std::string RecoveredText(const engine::Recovery& recovery);
// Why the new run cannot start: the recovery of an interrupted run could not settle
// everything.
std::string RecoveryNotFinishedText(const engine::Recovery& recovery);
// Why the new run cannot start: another run is installing into the folder.
extern const char* const kFolderInUseText;
// Why the run did not start: a link stands where it would write through it.
std::string LinkInTheWayText(const std::string& link);
// Whether to install into folders that other users of the computer can change.
std::string FoldersOpenToOthersQuestion(const std::vector<std::string>& folders);
// What an undo had to leave in place, and where the earlier files are.
std::string UndoLeftText(const engine::LeftBehind& left);
// The earlier files that a running program still holds, deleted at the next restart,
// any that could be neither deleted nor left for the restart, those kept because the
// new files could not be written through to the disk, and set-aside names that hold what
// cannot be confirmed as the file set aside.
std::string DroppedLaterText(const engine::LeftBehind& left);

} // namespace wizard
