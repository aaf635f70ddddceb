// What the uninstaller does to files and folders through their handles rather than
// their paths: a path may be made to name something else between a check and an act,
// an open handle may not.
#pragma once

#include <windows.h>

namespace uninstall {

// An existing file opened for reading, shared for reading only: while the handle is open,
// nobody may write, rename or delete the file. On failure INVALID_HANDLE_VALUE, which a
// Handle holds as none.
HANDLE OpenHeld(const wchar_t* path);

// Opens (with FILE_CREATE: creates) name through ntdll, relative to the open folder root,
// or, without a root, by its NT path ("\??\C:\..."). With FILE_OPEN_REPARSE_POINT among
// the options a link is opened as itself, not followed. nullptr on failure.
HANDLE OpenNt(HANDLE root, const wchar_t* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, PSECURITY_DESCRIPTOR descriptor = nullptr);

// Deletes the open file, or folder when empty, through its handle (opened with DELETE):
// what was checked is what goes, whatever its path names by now.
bool DeleteOpen(HANDLE file);

// The attributes of an open file or folder; INVALID_FILE_ATTRIBUTES (every bit set)
// when they cannot be read.
DWORD AttributesOf(HANDLE file);

// True when the file or folder opened (as itself) from path is a link (a junction, a
// symbolic link, a mount point), or was not opened (nullptr). Both are asked: its handle,
// where Windows shows a link opened as itself, and its path (without a final "\"), where
// alone Wine shows a Unix symbolic link (it opens one, followed, as what it leads to).
bool IsLinkOrMissing(HANDLE opened, const wchar_t* path);

} // namespace uninstall
