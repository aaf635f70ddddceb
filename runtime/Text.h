// Text and path primitives over byte strings in code page 936. Pure functions: no
// system calls.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rt {

// A lead byte of a two-byte character in code page 936 (0x81 to 0xFE).
inline bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// True when the first length bytes of a and b (or both, up to their ends where they end
// sooner) are the same name by FoldCase's rule: ASCII letters without regard to case, a
// two-byte character byte for byte. The comparison is ordinal, as the file system's
// matching of names is, and so does not depend on the user's locale. Reads no byte past
// the end of either string; header-only, for the uninstaller, which links no library.
inline bool SameNameBytes(const char* a, const char* b, std::size_t length) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < length; ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
        if (a[i] == '\0')
            return true;
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < length) {
            ++i; // its trail byte may look like a letter, and is compared as it is
            if (a[i] != b[i])
                return false;
            if (a[i] == '\0')
                return true;
        }
    }
    return true;
}

// Removes every leading and trailing byte of value 0x20 or less.
std::string StripBlanks(const std::string& text);

// The text as Windows compares names in code page 936: ASCII letters folded to lower
// case, a two-byte character (its trail byte included) left as it is.
std::string FoldCase(const std::string& text);

// Text up to and including the last "\" or ":" that is not the trail byte of a
// two-byte character; empty when there is none.
std::string FolderPart(const std::string& path);

// Text after that separator; the whole text when there is none.
std::string FileNamePart(const std::string& path);

// The folder a path lies in: its folder part without the closing separator (a drive
// root keeps it).
std::string ContainingFolder(const std::string& path);

// True when the last byte is a "\" of its own, not the trail byte of a two-byte
// character (such as the second byte of 淺).
bool EndsWithSeparator(const std::string& path);

// True when path lies inside folder (not folder itself), compared byte for byte: path
// begins with folder and a separator (folder's own closing one, or the next byte).
bool IsInsideFolder(const std::string& path, const std::string& folder);

// True for a path that does not depend on the current folder or drive: a drive letter
// with its root ("C:\...") or a UNC name with server and share ("\\server\share...").
// "/" counts as a separator, as the system takes it.
bool IsRootedPath(const std::string& path);

// The lines of a text by the text file's rules: a line ends at LF or CR LF, a CR not
// followed by LF is dropped, and byte 0x1A ends the text.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace rt
