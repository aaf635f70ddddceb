// Looking at a file or folder on an open handle, over the Win32 seam: who could have
// changed it (its owner and access list, by the rule of runtime/ChangeRights.h), and
// holding a folder so that it cannot be renamed or deleted.
#include "runtime/ChangeRights.h"
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"
#include "runtime/Win32Seam.h"

#include <windows.h>

#include <aclapi.h> // after windows.h, which they need

#include <cstring>

namespace os {

using win32::AsHandle;

namespace {

// NtQueryVolumeInformationFile: what the volume of an open file is, from the handle alone.
constexpr int kFileFsDeviceInformation = 4;
constexpr int kFileFsAttributeInformation = 5;
constexpr ULONG kRemoteDevice = 0x10;       // FILE_REMOTE_DEVICE
constexpr ULONG kPersistentAccessLists = 8; // FILE_PERSISTENT_ACLS

win32::QueryInformationFile QueryVolumeInformation() {
    static const auto function =
        SystemFunction<win32::QueryInformationFile>("ntdll.dll", "NtQueryVolumeInformationFile");
    return function;
}

// The first 32-bit field of a volume information class (a long answer's fixed part is
// filled even when its name does not fit), at the given offset.
bool ReadVolumeField(HANDLE file, int kind, std::size_t offset, ULONG& value) {
    struct {
        ULONG_PTR status;
        ULONG_PTR information;
    } result;
    alignas(8) unsigned char buffer[128] = {};
    if (!QueryVolumeInformation())
        return false;
    const LONG status = QueryVolumeInformation()(file, &result, buffer, sizeof buffer, kind);
    constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);
    if (status != 0 && status != kBufferOverflow)
        return false;
    std::memcpy(&value, buffer + offset, sizeof value);
    return true;
}

} // namespace

namespace {

// Opens the object itself (a link at the path's end is not followed) with the access
// given, shared for reading and writing but not for deletion.
unsigned OpenObject(const std::string& path, DWORD access, FileHandle& object) {
    object = kNoFile;
    const win32::WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    const HANDLE handle =
        CreateFileW(wide.c_str(), access | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    object = reinterpret_cast<FileHandle>(handle);
    return 0;
}

} // namespace

// A handle that asks for no data access takes no part in sharing: it keeps nobody from
// anything, and nobody keeps it from opening.
unsigned OpenToInspect(const std::string& path, FileHandle& object) {
    return OpenObject(path, 0, object);
}

// Listing access makes the handle count in sharing: while it is open, nobody else can
// open the folder for deletion, which renaming it takes. The system refuses too to
// rename a folder above one that is open, so the folders on the way are held with it.
unsigned OpenToHold(const std::string& folder, FileHandle& object) {
    return OpenObject(folder, FILE_LIST_DIRECTORY, object);
}

unsigned ReadAttributes(FileHandle object, std::uint32_t& attributes) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(AsHandle(object), &information))
        return GetLastError();
    attributes = information.dwFileAttributes;
    return 0;
}

namespace {

bool VolumeKeepsAccessLists(HANDLE object) {
    ULONG device = 0, attributes = 0;
    constexpr std::size_t kCharacteristicsOffset = sizeof(ULONG); // after the device type
    if (ReadVolumeField(object, kFileFsDeviceInformation, kCharacteristicsOffset, device) &&
        (device & kRemoteDevice))
        return false;
    return !ReadVolumeField(object, kFileFsAttributeInformation, 0, attributes) ||
           (attributes & kPersistentAccessLists);
}

} // namespace

unsigned ReadGuard(FileHandle object, Guard& guard, Changes changes) {
    static const rt::TrustedAccounts trusted; // read once, on the first look
    if (!VolumeKeepsAccessLists(AsHandle(object))) {
        guard = Guard::NotKept;
        return 0;
    }
    bool onlyTrusted = false;
    if (const DWORD code = rt::ReadWhetherOnlyTrustedMayChange(
            AsHandle(object), trusted, onlyTrusted,
            changes == Changes::Renames ? rt::kRenameRights : rt::kChangeRights))
        return code;
    guard = onlyTrusted ? Guard::Protected : Guard::OpenToOthers;
    return 0;
}

} // namespace os
