#include "sample/uninstall/Paths.h"

#include <winternl.h>

namespace uninstall {

std::size_t FolderLength(const wchar_t* path) {
    const wchar_t* separator = std::wcsrchr(path, L'\\');
    return separator ? separator - path + 1 : 0;
}

bool CopyStart(wchar_t (&out)[kPathSize], const wchar_t* path, std::size_t length) {
    if (length >= kPathSize)
        return false;
    std::wmemcpy(out, path, length);
    out[length] = L'\0';
    return true;
}

bool FolderOf(const wchar_t* path, wchar_t (&folder)[kPathSize]) {
    const std::size_t length = FolderLength(path);
    return length > 0 && CopyStart(folder, path, length - 1);
}

std::size_t RootLength(const wchar_t* path) {
    const bool letter = (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return letter && path[1] == L':' && path[2] == L'\\' ? 3 : 0;
}

bool NtPath(const wchar_t* path, wchar_t (&out)[kNtPathSize]) {
    return RootLength(path) > 0 && Concat(out, L"\\??\\", path);
}

void Canonical(const wchar_t* path, wchar_t (&out)[kPathSize]) {
    wchar_t full[kPathSize] = {};
    const DWORD fullLength = GetFullPathNameW(path, kPathSize, full, nullptr);
    if (fullLength == 0 || fullLength >= kPathSize)
        full[0] = L'\0';
    const DWORD longLength = GetLongPathNameW(full, out, kPathSize);
    if (longLength == 0 || longLength >= kPathSize)
        std::wmemcpy(out, full, kPathSize);
}

bool StartsWithName(const wchar_t* text, const wchar_t* prefix) {
    UNICODE_STRING whole, start;
    RtlInitUnicodeString(&whole, text);
    RtlInitUnicodeString(&start, prefix);
    return RtlPrefixUnicodeString(&start, &whole, TRUE);
}

bool SamePath(const wchar_t* a, const wchar_t* b) {
    return a[0] && std::wcslen(a) == std::wcslen(b) && StartsWithName(a, b);
}

bool ProgramPath(wchar_t (&path)[kPathSize]) {
    const DWORD length = GetModuleFileNameW(nullptr, path, kPathSize);
    return length > 0 && length < kPathSize;
}

bool Exists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace uninstall
