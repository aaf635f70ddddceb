#include "runtime/FolderRights.h"

#include "runtime/Errors.h"

namespace rt {

namespace {

// Access masks, as the system defines them for files and folders.
constexpr unsigned kFullControl = 0x1F01FF;    // FILE_ALL_ACCESS
constexpr unsigned kReadAndExecute = 0x1200A9; // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE

struct Grant {
    const char* trustee; // a well-known account's SDDL alias
    unsigned access;
};

// As under Program Files. "Users" holds every account that signs in (Authenticated
// Users and INTERACTIVE are members of it); nobody else is named, so Everyone gets nothing.
constexpr Grant kReadAndRunForUsers[] = {{"SY", kFullControl}, {"BA", kFullControl}, {"BU", kReadAndExecute}};

} // namespace

std::string SecurityDescriptorFor(FolderRights rights) {
    if (rights == FolderRights::Inherited)
        return "";
    // D: the access list; P: protected, nothing inherited from the parent; AI: passed on
    // automatically. Each grant: allowed, inherited by sub-folders and files (OICI).
    std::string sddl = "D:PAI";
    for (const Grant& grant : kReadAndRunForUsers)
        sddl += Format("(A;OICI;0x%X;;;%s)", grant.access, grant.trustee);
    return sddl;
}

} // namespace rt
