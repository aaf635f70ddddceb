// What the end-to-end tests look at on disk: the shortcuts, a complete installation,
// and snapshots of folders to compare before and after a case.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace e2e {

std::string ProductFolder(); // Programs\Marluxa
std::string DesktopLink();   // the desktop's Marluxa.lnk
void RemoveShortcuts();

// Every file the manifest lists is installed and equal to its blob, the uninstall list
// names them in order, and the manifest copy is gone (gtest expectations).
void ExpectCompleteInstallation(const std::string& target);

// Every entry under folder: relative path -> "folder", or size, content hash and the
// read-only and hidden attributes of a file.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

} // namespace e2e
