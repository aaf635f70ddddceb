// Who could have changed a file or folder, read from its owner and access list: the rule
// by which a program that runs as an administrator tells what it may act on from what a
// standard user could have written. Windows only; header-only, for the uninstaller,
// which links no library of the tree.
#pragma once

#include <windows.h>

#include <aclapi.h> // after windows.h, which it needs

#include <cwchar>

namespace rt {

// The accounts whose changes may be acted on: Administrators, SYSTEM, TrustedInstaller
// (the account that services the system's own files) and the accounts that own what this
// process itself creates. Not the process's own user as such: for an elevated
// administrator on Windows that is the account of their unelevated programs, which
// anything they started could write as, while what the elevated process creates belongs
// to its default owner, Administrators. Any other account may be a standard user's.
class TrustedAccounts {
  public:
    // The accounts that own what this process creates, read from its token and from a
    // file it creates (see ReadOwnAccounts); one that cannot be read is left out.
    TrustedAccounts();
    // own, alsoOwn: the accounts that own what this process creates; nullptr for none.
    explicit TrustedAccounts(PSID own, PSID alsoOwn = nullptr) {
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
        if (own && IsValidSid(own))
            CopySid(SECURITY_MAX_SID_SIZE, sids_[3], own);
        if (alsoOwn && IsValidSid(alsoOwn))
            CopySid(SECURITY_MAX_SID_SIZE, sids_[4], alsoOwn);
    }

    bool Has(PSID sid) const {
        for (const BYTE* trusted : sids_) {
            if (IsValidSid(const_cast<BYTE*>(trusted)) && EqualSid(sid, const_cast<BYTE*>(trusted)))
                return true;
        }
        return false;
    }

  private:
    BYTE sids_[5][SECURITY_MAX_SID_SIZE] = {}; // all zero: no account, until made
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

// Reads into sid the account a token information class of this process's token begins
// with (TokenUser: the account it runs as; TokenOwner: its default owner, the owner the
// system gives what it creates); false when it cannot be read.
inline bool ReadTokenAccount(TOKEN_INFORMATION_CLASS kind, BYTE (&sid)[SECURITY_MAX_SID_SIZE]) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    union {
        PSID first; // TOKEN_USER and TOKEN_OWNER both begin with their account
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    const bool read = GetTokenInformation(token, kind, &buffer, sizeof buffer, &size) &&
                      CopySid(sizeof sid, sid, buffer.first);
    CloseHandle(token);
    return read;
}

// Reads the owner the file system gives a file this process creates, from one made for
// the purpose in the system's own temporary folder (which only administrators may move
// elsewhere) under a name nobody has taken, and deleted as it is closed; false when none
// can be made or its owner read.
inline bool ReadOwnerOfNewFiles(BYTE (&owner)[SECURITY_MAX_SID_SIZE]) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 40)
        return false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        wchar_t path[MAX_PATH];
        std::swprintf(path, MAX_PATH, L"%ls\\Temp\\Setup-owner-%lu-%d.tmp", folder,
                      static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        const HANDLE file = CreateFileW(path, READ_CONTROL | DELETE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return false;
        }
        PSID sid = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const bool read = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr,
                                          nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
                          sid && CopySid(sizeof owner, owner, sid);
        LocalFree(descriptor);
        CloseHandle(file);
        return read;
    }
    return false;
}

// Reads the accounts that own what this process creates: its token's default owner, and
// the owner a file it creates is given, when that is its default owner or its user. On
// Windows both are the default owner (Administrators, for an elevated administrator).
// Wine 8 gives a token the default owner S-1-5-21-0-0-0-513, which no file gets, and
// every file of the Unix user it runs as the token's user (S-1-5-21-0-0-0-1000). The
// check against the token keeps out an odd owner (a temporary folder on another volume).
// One that cannot be read is all zeros, which no account is.
inline void ReadOwnAccounts(BYTE (&defaultOwner)[SECURITY_MAX_SID_SIZE],
                            BYTE (&ofNewFiles)[SECURITY_MAX_SID_SIZE]) {
    BYTE user[SECURITY_MAX_SID_SIZE] = {};
    const bool owner = ReadTokenAccount(TokenOwner, defaultOwner);
    const bool own = ReadOwnerOfNewFiles(ofNewFiles) &&
                     ((owner && EqualSid(ofNewFiles, defaultOwner)) ||
                      (ReadTokenAccount(TokenUser, user) && EqualSid(ofNewFiles, user)));
    if (!owner)
        ZeroMemory(defaultOwner, sizeof defaultOwner);
    if (!own)
        ZeroMemory(ofNewFiles, sizeof ofNewFiles);
}

inline TrustedAccounts::TrustedAccounts() : TrustedAccounts(nullptr) {
    ReadOwnAccounts(sids_[3], sids_[4]);
}

// Reads the owner and access list of an object open with READ_CONTROL and sets
// onlyTrusted by the rule above; answers 0 or the system's code (onlyTrusted then false).
inline DWORD ReadWhetherOnlyTrustedMayChange(HANDLE object, const TrustedAccounts& trusted, bool& onlyTrusted,
                                             ACCESS_MASK rights = kChangeRights) {
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
