// The install folder and its list of installed files (Unini.dat), held open, and the
// trust rule on both and on the folders above: what the uninstaller may act on in the
// folder is decided on handles, and the folder and list stay held until it ends.
#pragma once

#include "sample/uninstall/Owned.h"
#include "sample/uninstall/Paths.h"

#include <cstddef>

namespace uninstall {

inline constexpr wchar_t kListName[] = L"Unini.dat";

// The uninstaller's own folder, held open from the start until this process ends, shared
// for everything but deletion, so that it can be neither renamed nor deleted. Every file
// in it is opened relative to this handle, never through its path.
struct InstallFolder {
    wchar_t path[kPathSize] = {}; // canonical, with its final "\"
    std::size_t length = 0;
    Handle handle;
};

// Opens the folder of the program file self as itself (a link there is not followed),
// with the right to delete it, so that the finishing copy can remove it through this
// handle once it is empty. A folder that another program holds as its current folder
// cannot be opened with that right (that program's hold shares no deletion) and is opened
// without it, to stay. False when it cannot be opened.
bool OpenInstallFolder(const wchar_t* self, InstallFolder& folder);

// True when the canonical path names something inside the folder, at any depth.
bool IsInside(const wchar_t* path, const InstallFolder& folder);

// Opens the list in the held folder as itself (a link there is not followed), to read
// and later delete through this handle, shared for reading only: until it is closed
// nobody can change, rename or delete it. nullptr when it cannot be opened or is a link.
HANDLE OpenList(const InstallFolder& folder);

// True when nobody but the trusted accounts (see runtime/ChangeRights.h) could have
// changed the install folder or its list, nor moved the folder or a folder above it away
// to put another in its place, and the folder is no link. Each folder from the drive's
// root down to the install folder's parent is opened as itself, relative to the one above,
// and must be no link and pass the rule for a folder on the way (rt::kRenameRights) on
// that handle. What cannot be read counts as changeable, and so does a folder that is not
// on a drive (a network path).
bool OnlyTrustedCanChangeOrMove(const InstallFolder& folder, HANDLE list);

} // namespace uninstall
