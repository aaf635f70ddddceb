// Who may do what in a folder the installation makes. An installer runs as an
// administrator; a folder it makes outside Program Files would otherwise inherit what
// its parent gives (on a drive's root, "Authenticated Users: Modify"), and any local
// user could then replace a program that an administrator later starts.
#pragma once

#include <string>

namespace rt {

enum class FolderRights {
    Inherited,          // as the parent folder gives
    ReadAndRunForUsers, // administrators and the system: everything; users: read and run
};

// The folder's own security descriptor in the system's text form (SDDL), protected from
// what the parent would give and inherited by everything made inside; empty for
// Inherited.
std::string SecurityDescriptorFor(FolderRights rights);

} // namespace rt
