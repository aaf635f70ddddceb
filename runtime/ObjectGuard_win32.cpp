// Looking at a file or folder on an open handle, over the Win32 seam: who could have
// changed it (its owner and access list, by the rule of runtime/ChangeRights.h), and
// making a folder the administrators' own.
#include "runtime/ChangeRights.h"
#include "runtime/OsSeam.h"
#include "runtime/Win32Seam.h"

#include <windows.h>

#include <aclapi.h> // after windows.h, which they need
#include <sddl.h>

#include <cstring>
#include <memory>

namespace os {

using win32::AsHandle;
using win32::DescriptorFrom;
using win32::OwnedDescriptor;

namespace {

using QueryInformationFile = LONG(WINAPI*)(HANDLE, void* status, void* information, ULONG length, int kind);

// NtQueryVolumeInformationFile: what the volume of an open file is, from the handle alone.
constexpr int kFileFsDeviceInformation = 4;
constexpr int kFileFsAttributeInformation = 5;
constexpr ULONG kRemoteDevice = 0x10;       // FILE_REMOTE_DEVICE
constexpr ULONG kPersistentAccessLists = 8; // FILE_PERSISTENT_ACLS

QueryInformationFile QueryVolumeInformation() {
    static const auto function = reinterpret_cast<QueryInformationFile>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryVolumeInformationFile")));
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

unsigned OpenToInspect(const std::string& path, FileHandle& object) {
    object = kNoFile;
    const win32::WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    constexpr DWORD kLook = READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const auto open = [&wide](DWORD access) {
        return CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    HANDLE handle = open(kLook | WRITE_DAC | WRITE_OWNER);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        handle = open(kLook); // looking is enough to refuse it
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    object = reinterpret_cast<FileHandle>(handle);
    return 0;
}

unsigned ReadAttributes(FileHandle object, std::uint32_t& attributes) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(AsHandle(object), &information))
        return GetLastError();
    attributes = information.dwFileAttributes;
    return 0;
}

namespace {

// A security identifier in the system's own memory, freed when the owner goes.
using OwnedSid = std::unique_ptr<void, decltype(&LocalFree)>;

OwnedSid SidFromText(const char* text) {
    PSID sid = nullptr;
    ConvertStringSidToSidA(text, &sid);
    return OwnedSid(sid, &LocalFree);
}

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

unsigned ReadGuard(FileHandle object, Guard& guard) {
    static BYTE user[SECURITY_MAX_SID_SIZE] = {};
    static const rt::TrustedAccounts trusted(rt::ReadProcessUser(user) ? user : nullptr);
    if (!VolumeKeepsAccessLists(AsHandle(object))) {
        guard = Guard::NotKept;
        return 0;
    }
    bool onlyTrusted = false;
    if (const DWORD code = rt::ReadWhetherOnlyTrustedMayChange(AsHandle(object), trusted, onlyTrusted))
        return code;
    guard = onlyTrusted ? Guard::Protected : Guard::OpenToOthers;
    return 0;
}

unsigned TakeOver(FileHandle object, const std::string& securityDescriptor) {
    const OwnedDescriptor descriptor = DescriptorFrom(securityDescriptor.c_str());
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    if (!descriptor || !GetSecurityDescriptorDacl(descriptor.get(), &present, &list, &defaulted))
        return GetLastError();
    const OwnedSid administrators = SidFromText("BA");
    return SetSecurityInfo(AsHandle(object), SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           administrators.get(), nullptr, list, nullptr);
}

} // namespace os
