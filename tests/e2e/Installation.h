// What the end-to-end tests look at on disk: the shortcuts, a complete installation,
// and snapshots of folders to compare before and after a case.
#pragma once

#include "tests/support/FolderSnapshot.h"

#include <windows.h>

#include <string>

namespace e2e {

std::string ProductFolder(); // Programs\Marluxa
std::string DesktopLink();   // the desktop's Marluxa.lnk
void RemoveShortcuts();

// Every file the manifest lists is installed and equal to its blob, the uninstall list
// names them in order, and the manifest copy is gone (gtest expectations).
void ExpectCompleteInstallation(const std::string& target);

// Lays out an earlier complete installation as Setup.exe leaves it, without running it:
// every payload file (with the payload's time stamps), the uninstall list, and the
// three Programs links and the desktop link (files of those names).
void PlantEarlierInstallation(const std::string& target);

// What the next run into a folder says, before it goes on, about a run there that was
// killed: undone, or (killed past its success point) completed.
extern const char* const kInterruptedRunUndone;
extern const char* const kInterruptedRunCompleted;

// A file or folder's access list as the system reads it back, in its text form (Wine
// keeps none: it makes one up from the Unix permissions).
std::string AccessListOf(const std::string& path);

// The error report's text for a file that cannot be created.
std::string CannotCreateMessage(const std::string& path, DWORD code);
std::string SystemMessage(DWORD code);

using testing_support::Snapshot;
using testing_support::TakeSnapshot;

} // namespace e2e
