// Small services of the system and its shell: the system drive letter, the default
// target folder, the folder chooser and the text of a COM failure.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

// Exactly one character: the first of the system directory's path ("C" when the system
// cannot name its directory or its path begins with no ASCII character, so that the
// default folder is always sound).
std::string SystemDriveLetter();

// The drive letter followed by the product's default folder (":\Program Files\Quenvale").
std::string DefaultInstallFolder(const std::string& driveLetter);

// Shows the shell's folder chooser owned by owner (the application window), titled
// "请选择目录". The chosen folder's file-system path, or "" when the user cancelled or
// chose an item without one.
std::string BrowseForFolder(HWND owner);

// The file-system path of a special folder of the current user (CSIDL_*), or "" when
// the shell cannot name it.
std::string SpecialFolderPath(int folder);

// The system's text for a COM failure code, cut as error messages quote it, or
// "OLE error %.8x" when the system has none.
std::string OleErrorMessage(HRESULT code);

} // namespace shell
