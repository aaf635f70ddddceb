// Text and path primitives over UTF-8 texts. Pure functions: no system calls. In UTF-8
// every byte below 0x80 is a character of its own (the bytes of a longer character are
// all 0x80 or above), so separators, blanks and ASCII letters are found byte by byte.
#pragma once

#include <string>
#include <vector>

namespace rt {

// Removes every leading and trailing byte of value 0x20 or less.
std::string StripBlanks(const std::string& text);

// The text with its ASCII letters folded to lower case, every other character as it is,
// whatever the user's locale. The file system also matches other letters without regard
// to case ("Ä" and "ä"); names this fold tells apart may still be one name on disk.
std::string FoldCase(const std::string& text);

// Text up to and including the last "\" or ":"; empty when there is none.
std::string FolderPart(const std::string& path);

// Text after that separator; the whole text when there is none.
std::string FileNamePart(const std::string& path);

// The folder a path lies in: its folder part without the closing separator (a drive
// root keeps it).
std::string ContainingFolder(const std::string& path);

// True when the text ends with "\".
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
