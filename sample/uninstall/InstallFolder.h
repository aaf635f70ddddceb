// The install folder and its list of installed files (Unini.dat), held open, and the
// trust rule on both: what the uninstaller may act on in the folder is decided on these
// handles, which it keeps until it ends.
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

// Opens the folder of the program file self; false when it cannot be opened.
bool OpenInstallFolder(const wchar_t* self, InstallFolder& folder);

// True when the canonical path names something inside the folder, at any depth.
bool IsInside(const wchar_t* path, const InstallFolder& folder);

// Opens the list in the held folder as itself (a link there is not followed), to read
// and later delete through this handle, shared for reading only: until it is closed
// nobody can change, rename or delete it. nullptr when it cannot be opened or is a link.
HANDLE OpenList(const InstallFolder& folder);

// True when nobody but the trusted accounts (see runtime/ChangeRights.h) could have
// changed the install folder or its list; what cannot be read counts as changeable.
bool OnlyTrustedCanChangeEither(const InstallFolder& folder, HANDLE list);

} // namespace uninstall
