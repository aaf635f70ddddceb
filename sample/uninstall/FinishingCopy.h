// The copy that finishes the removal: a running program cannot delete its own file, so
// the uninstaller copies itself into a private folder and starts the copy with
// "/finish <handle> <folder handle> <program>"; the copy waits for the uninstaller to end
// and deletes it, in the install folder that the uninstaller held and handed down.
#pragma once

#include "sample/uninstall/Owned.h"
#include "sample/uninstall/Report.h"

namespace uninstall {

inline constexpr wchar_t kFinishSwitch[] = L"/finish";

// The copy's folder and file, held until this process ends: by then the copy has long
// loaded, and it waits for that end before it does anything.
struct HeldCopy {
    Handle folder;
    Handle file;
};

// Copies this program, from the bytes of its file held since the start (selfFile), into
// a private folder and starts the copy, which inherits the held install folder
// (installFolder) and finishes the removal of self in it once this process has ended.
// False when that could not be done.
bool StartFinishingCopy(HANDLE selfFile, const wchar_t* self, HANDLE installFolder, HeldCopy& held);

// Leaves the uninstaller's file program, and its folder when empty by then, to the
// system to delete at its next start, and reports which it could.
void RemoveAtRestart(const wchar_t* program, const wchar_t* folder, Report& report);

// The copy's part: once the process behind the inherited handle has ended, deletes the
// uninstaller's file (the name of program) in the inherited install folder, relative to
// its handle, then the folder through that handle when it is empty. The folder has been
// held without delete sharing since the uninstaller opened it, so it cannot have been
// renamed or swapped for a link in the meantime. Answers the exit code.
int FinishRemoval(HANDLE inherited, HANDLE inheritedFolder, const wchar_t* program);

} // namespace uninstall
