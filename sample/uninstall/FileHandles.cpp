#include "sample/uninstall/FileHandles.h"

#include <winternl.h>

namespace uninstall {

HANDLE OpenHeld(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

HANDLE OpenNt(HANDLE root, const wchar_t* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, PSECURITY_DESCRIPTOR descriptor) {
    UNICODE_STRING unicodeName;
    RtlInitUnicodeString(&unicodeName, name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, root, descriptor);
    IO_STATUS_BLOCK status;
    HANDLE handle = nullptr;
    return NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
                        share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0) >= 0
               ? handle
               : nullptr;
}

// This is the call that SetFileInformationByHandle makes on newer systems; ntdll has it
// on every NT system.
bool DeleteOpen(HANDLE file) {
    struct {
        BOOLEAN deleteFile;
    } disposition = {TRUE};
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &disposition, sizeof disposition,
                                FileDispositionInformation) >= 0;
}

DWORD AttributesOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    return GetFileInformationByHandle(file, &information) ? information.dwFileAttributes
                                                          : INVALID_FILE_ATTRIBUTES;
}

bool IsLinkOrMissing(HANDLE opened, const wchar_t* path) {
    const DWORD byPath = GetFileAttributesW(path);
    return !opened || (AttributesOf(opened) & FILE_ATTRIBUTE_REPARSE_POINT) ||
           (byPath != INVALID_FILE_ATTRIBUTES && (byPath & FILE_ATTRIBUTE_REPARSE_POINT));
}

} // namespace uninstall
