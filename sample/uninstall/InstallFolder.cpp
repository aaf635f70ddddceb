#include "sample/uninstall/InstallFolder.h"

#include "runtime/ChangeRights.h"
#include "sample/uninstall/FileHandles.h"

#include <winternl.h>

namespace uninstall {

bool OpenInstallFolder(const wchar_t* self, InstallFolder& folder) {
    wchar_t part[kPathSize] = {};
    const std::size_t partLength = FolderLength(self);
    if (partLength == 0)
        return false;
    std::wmemcpy(part, self, partLength);
    Canonical(part, folder.path);
    folder.length = std::wcslen(folder.path);
    // A canonical folder part still ends in a separator of its own.
    if (folder.length == 0 || FolderLength(folder.path) != folder.length)
        return false;
    folder.handle.Reset(CreateFileW(folder.path, FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder.handle.Get() != nullptr;
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

// True when nobody but the trusted accounts could have changed the open file or folder
// (opened with READ_CONTROL).
bool OnlyTrustedCanChange(HANDLE object, const rt::TrustedAccounts& trusted) {
    bool onlyTrusted = false;
    return object && rt::ReadWhetherOnlyTrustedMayChange(object, trusted, onlyTrusted) == ERROR_SUCCESS &&
           onlyTrusted;
}

} // namespace

bool OnlyTrustedCanChangeEither(const InstallFolder& folder, HANDLE list) {
    BYTE user[SECURITY_MAX_SID_SIZE] = {};
    const rt::TrustedAccounts accounts(rt::ReadProcessUser(user) ? user : nullptr);
    return OnlyTrustedCanChange(folder.handle.Get(), accounts) && OnlyTrustedCanChange(list, accounts);
}

} // namespace uninstall
