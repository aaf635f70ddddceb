// The removal of the product's shortcuts: those in its folder of the Programs menu and
// the one on the desktop, each only while it still points into the install folder.
#pragma once

#include "sample/uninstall/InstallFolder.h"
#include "sample/uninstall/Report.h"

namespace uninstall {

// The links live in the profile of the user who runs this program, and what decides is
// read from the links alone. They are removed after the trust decision on the install
// folder (its list and the folders above it included), and go even when the folder fails
// it, so that no menu entry is left leading to a folder the user is told to check. Needs
// COM initialised on this thread.
void RemoveShortcuts(const InstallFolder& installFolder, Report& report);

} // namespace uninstall
