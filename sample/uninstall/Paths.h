// Paths as the uninstaller keeps them: UTF-16, in fixed buffers of MAX_PATH characters,
// the longest the system's path calls take; and the few things it does with them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cwchar>

namespace uninstall {

constexpr int kPathSize = MAX_PATH;
// A path of kPathSize in the form ntdll's opens take, with "\??\" before it.
constexpr int kNtPathSize = kPathSize + 4;

// a followed by b in out; false when that does not fit.
template <std::size_t Size> bool Concat(wchar_t (&out)[Size], const wchar_t* a, const wchar_t* b) {
    const std::size_t first = std::wcslen(a);
    const std::size_t second = std::wcslen(b);
    if (first + second >= Size)
        return false;
    std::wmemmove(out, a, first);
    std::wmemcpy(out + first, b, second + 1);
    return true;
}

// Appends text to out as far as it fits.
template <std::size_t Size> void Append(wchar_t (&out)[Size], const wchar_t* text) {
    std::wcsncat(out, text, Size - std::wcslen(out) - 1);
}

// The length of path's folder part, up to and including its last "\"; 0 when it has none.
std::size_t FolderLength(const wchar_t* path);

// The first length characters of path in out; false when they do not fit.
bool CopyStart(wchar_t (&out)[kPathSize], const wchar_t* path, std::size_t length);

// The folder path lies in, without its final "\" (as the calls that take a folder's own
// name want it); false when path has no folder part.
bool FolderOf(const wchar_t* path, wchar_t (&folder)[kPathSize]);

// The length of the drive's root a full path begins with, "C:\" (3); 0 for a path of any
// other form: a network path ("\\server\share\...") or a device path ("\\?\...").
std::size_t RootLength(const wchar_t* path);

// The form of a full path on a drive ("C:\...") that ntdll's opens take, "\??\C:\...";
// false for a path of another form, or one that does not fit.
bool NtPath(const wchar_t* path, wchar_t (&out)[kNtPathSize]);

// One spelling of a path for comparing: absolute, with "." and ".." resolved and, for
// what exists, long names instead of short ones. "" when it has none.
void Canonical(const wchar_t* path, wchar_t (&out)[kPathSize]);

// True when text begins with prefix, letters compared as the file system matches names:
// by the system's own table of upper case, whatever the user's language.
bool StartsWithName(const wchar_t* text, const wchar_t* prefix);

// Two canonical paths name the same file.
bool SamePath(const wchar_t* a, const wchar_t* b);

// This program's file; false when its path does not fit.
bool ProgramPath(wchar_t (&path)[kPathSize]);

bool Exists(const wchar_t* path);

} // namespace uninstall
