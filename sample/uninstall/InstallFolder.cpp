#include "sample/uninstall/InstallFolder.h"

#include "runtime/ChangeRights.h"
#include "sample/uninstall/FileHandles.h"

#include <winternl.h>

#include <initializer_list>

namespace uninstall {

bool OpenInstallFolder(const wchar_t* self, InstallFolder& folder) {
    wchar_t part[kPathSize] = {};
    wchar_t name[kPathSize] = {}; // without its final "\"
    wchar_t ntName[kNtPathSize] = {};
    if (!CopyStart(part, self, FolderLength(self)) || part[0] == L'\0')
        return false;
    Canonical(part, folder.path);
    folder.length = std::wcslen(folder.path);
    // A canonical folder part still ends in a separator of its own.
    if (folder.length == 0 || FolderLength(folder.path) != folder.length || !FolderOf(folder.path, name) ||
        !NtPath(name, ntName))
        return false;
    // With the right to delete it, and failing that (another program's current folder), without.
    for (const ACCESS_MASK removal : {static_cast<ACCESS_MASK>(DELETE), ACCESS_MASK{0}}) {
        folder.handle.Reset(OpenNt(
            nullptr, ntName,
            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | removal,
            FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN, FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT));
        if (folder.handle.Get())
            return true;
    }
    return false;
}

bool IsInside(const wchar_t* path, const InstallFolder& folder) {
    return std::wcslen(path) > folder.length && StartsWithName(path, folder.path);
}

HANDLE OpenList(const InstallFolder& folder) {
    if (!folder.handle.Get())
        return nullptr;
    Handle list(OpenNt(folder.handle.Get(), kListName, GENERIC_READ | DELETE | READ_CONTROL, FILE_SHARE_READ,
                       FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT));
    return list.Get() && !(AttributesOf(list.Get()) & FILE_ATTRIBUTE_REPARSE_POINT) ? list.Release()
                                                                                    : nullptr;
}

namespace {

// True when nobody but the trusted accounts could hold any of rights on the open file or
// folder (opened with READ_CONTROL).
bool OnlyTrustedHold(HANDLE object, const rt::TrustedAccounts& trusted, ACCESS_MASK rights) {
    bool onlyTrusted = false;
    return object &&
           rt::ReadWhetherOnlyTrustedMayChange(object, trusted, onlyTrusted, rights) == ERROR_SUCCESS &&
           onlyTrusted;
}

// The folders above the install folder by the rule for a folder on the way, from the
// drive's root down, each opened as itself relative to the one above: a folder on the
// way that is a link fails, since the folders it leads past are not the ones looked at.
bool OnlyTrustedCanMoveAFolderAbove(const wchar_t* folderPath, const rt::TrustedAccounts& trusted) {
    wchar_t part[kPathSize];                     // the folder looked at
    wchar_t ntRoot[kNtPathSize];                 // the drive's root, as ntdll takes it
    std::size_t length = RootLength(folderPath); // of the folder looked at, with its final "\"
    wchar_t installFolder[kPathSize];
    if (!FolderOf(folderPath, installFolder) || !CopyStart(part, folderPath, length) || !NtPath(part, ntRoot))
        return false;
    const std::size_t parentLength = FolderLength(installFolder);
    // Looked at, not held: shared for everything, so that nobody is kept from these folders.
    constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    constexpr ACCESS_MASK kToLookAt = READ_CONTROL | FILE_READ_ATTRIBUTES;
    constexpr ULONG kFolderAsItself = FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
    Handle folder(OpenNt(nullptr, ntRoot, kToLookAt, kShareAll, FILE_OPEN, kFolderAsItself));
    while (OnlyTrustedHold(folder.Get(), trusted, rt::kRenameRights)) {
        if (length >= parentLength)
            return true;
        const std::size_t nameLength = std::wcscspn(folderPath + length, L"\\");
        if (!CopyStart(part, folderPath, length + nameLength))
            return false;
        Handle below(OpenNt(folder.Get(), part + length, kToLookAt, kShareAll, FILE_OPEN, kFolderAsItself));
        if (IsLinkOrMissing(below.Get(), part))
            return false;
        folder.Reset(below.Release());
        length += nameLength + 1;
    }
    return false;
}

} // namespace

bool OnlyTrustedCanChangeOrMove(const InstallFolder& folder, HANDLE list) {
    const rt::TrustedAccounts accounts;
    wchar_t name[kPathSize]; // without its final "\"
    return FolderOf(folder.path, name) && !IsLinkOrMissing(folder.handle.Get(), name) &&
           OnlyTrustedHold(folder.handle.Get(), accounts, rt::kChangeRights) &&
           OnlyTrustedHold(list, accounts, rt::kChangeRights) &&
           OnlyTrustedCanMoveAFolderAbove(folder.path, accounts);
}

} // namespace uninstall
