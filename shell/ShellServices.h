// Small services of the system and its shell: the system drive letter, the default
// target folder, the folder chooser and the shell's "open".
#pragma once

#include <windows.h>

#include <string>

namespace shell {

// Exactly one character: the first byte of the system directory's path ("C" when the
// system cannot name its directory, so that the default folder is always sound).
std::string SystemDriveLetter();

// The drive letter followed by the product's default folder (":\Program Files\Quenvale").
std::string DefaultInstallFolder(const std::string& driveLetter);

// Shows the shell's folder chooser owned by owner (the application window), titled
// "请选择目录". The chosen folder's file-system path, or "" when the user cancelled or
// chose an item without one.
std::string BrowseForFolder(HWND owner);

// The "open" verb on a file or a web address, as the desktop's user where the desktop's
// shell can be asked, else as this program; nothing waited for, nothing reported. A
// program opened starts in workingFolder (the system's choice when it is empty).
void OpenInShell(HWND owner, const std::string& target, const std::string& workingFolder = "");

// The file-system path of a special folder of the current user (CSIDL_*), or "" when
// the shell cannot name it.
std::string SpecialFolderPath(int folder);

} // namespace shell
