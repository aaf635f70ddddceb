// Who could have changed a file or folder, read from its owner and access list: the rule
// by which a program that runs as an administrator tells what it may act on from what a
// standard user could have written. Windows only; header-only, for the uninstaller,
// which links no library of the tree.
#pragma once

#include <windows.h>

#include <aclapi.h> // after windows.h, which it needs

namespace rt {

// The accounts whose changes may be acted on: Administrators, SYSTEM, TrustedInstaller
// (the account that services the system's own files) and the user the process runs as
// (on Windows what an elevated administrator makes belongs to Administrators; under Wine
// everything belongs to the user). Any other account may be a standard user's.
class TrustedAccounts {
  public:
    // user: the process's own account; nullptr for none.
    explicit TrustedAccounts(PSID user) {
        DWORD size = SECURITY_MAX_SID_SIZE;
        CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sids_[0], &size);
        size = SECURITY_MAX_SID_SIZE;
        CreateWellKnownSid(WinLocalSystemSid, nullptr, sids_[1], &size);
        // S-1-5-80-956008885-3459464862-3012530209-2232232525-2280786346
        static const DWORD kTrustedInstaller[] = {80,         956008885,  3459464862,
                                                  3012530209, 2232232525, 2280786346};
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        InitializeSid(sids_[2], &nt, 6);
        for (DWORD i = 0; i < 6; ++i)
            *GetSidSubAuthority(sids_[2], i) = kTrustedInstaller[i];
        if (user && IsValidSid(user))
            CopySid(SECURITY_MAX_SID_SIZE, sids_[3], user);
    }

    bool Has(PSID sid) const {
        for (const BYTE* trusted : sids_) {
            if (IsValidSid(const_cast<BYTE*>(trusted)) && EqualSid(sid, const_cast<BYTE*>(trusted)))
                return true;
        }
        return false;
    }

  private:
    BYTE sids_[4][SECURITY_MAX_SID_SIZE] = {}; // all zero: no account, until made
};

// The rights that change a file or folder, what is in a folder, or who may do so.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                      FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                      WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// The rights by which a folder on the way to another can be made to lead elsewhere: the
// folder renamed or deleted (delete on it, delete-child on its parent, which that folder's
// own check covers), an entry in it renamed or deleted (delete-child), or its owner or
// access list changed so as to grant those. Adding entries is not among them: a default
// drive root lets Authenticated Users create folders in it (0x4, on the root alone), which
// renames nobody's folder, and passes on "Modify" only to what is made inside
// (inherit-only); Users may read and run. So a default root and Program Files pass.
constexpr ACCESS_MASK kRenameRights =
    DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | MAXIMUM_ALLOWED;

// True when an entry of an access list lets an account that is not trusted change the
// object. An entry only passed on to what is made inside (inherit-only, as the one for
// CREATOR OWNER is) does not apply to the object itself. An allowing entry of a kind
// whose account is not read here (object and compound entries) counts as another's.
// rights: the rights that count as a change (kChangeRights, or kRenameRights for a folder
// on the way).
inline bool LetsOthersChange(const ACE_HEADER* ace, const TrustedAccounts& trusted,
                             ACCESS_MASK rights = kChangeRights) {
    const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
    const BYTE type = ace->AceType;
    const bool plain = type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
    const bool allows = plain || type == ACCESS_ALLOWED_COMPOUND_ACE_TYPE ||
                        type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                        type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
    if (!allows || (ace->AceFlags & INHERIT_ONLY_ACE) || !(allowed->Mask & rights))
        return false;
    return !plain || !trusted.Has(const_cast<DWORD*>(&allowed->SidStart));
}

// True when nobody but the trusted accounts could have changed an object of this owner
// and access list: the owner is trusted (an owner may always rewrite the list), and every
// entry that applies to the object and allows a change is a trusted account's. No list
// (nullptr) lets everyone do everything, and so does an owner that cannot be read.
inline bool OnlyTrustedMayChange(PSID owner, PACL list, const TrustedAccounts& trusted,
                                 ACCESS_MASK rights = kChangeRights) {
    if (!owner || !list || !trusted.Has(owner))
        return false;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(list, i, &ace) || LetsOthersChange(static_cast<const ACE_HEADER*>(ace), trusted, rights))
            return false;
    }
    return true;
}

// Reads the account this process runs as into user; false when it cannot be read.
inline bool ReadProcessUser(BYTE (&user)[SECURITY_MAX_SID_SIZE]) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, &buffer, sizeof buffer, &size) &&
                      CopySid(sizeof user, user, buffer.user.User.Sid);
    CloseHandle(token);
    return read;
}

// Reads the owner and access list of an object open with READ_CONTROL and sets
// onlyTrusted by the rule above; answers 0 or the system's code (onlyTrusted then false).
inline DWORD ReadWhetherOnlyTrustedMayChange(HANDLE object, const TrustedAccounts& trusted,
                                             bool& onlyTrusted, ACCESS_MASK rights = kChangeRights) {
    onlyTrusted = false;
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD code =
        GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &list, nullptr, &descriptor);
    if (code != ERROR_SUCCESS)
        return code;
    onlyTrusted = OnlyTrustedMayChange(owner, list, trusted, rights);
    LocalFree(descriptor);
    return ERROR_SUCCESS;
}

} // namespace rt
