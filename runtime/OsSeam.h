// The one seam between the primitives and the operating system. Two implementations,
// each in several files: Win32 (the product; kernel32's wide calls) in OsSeam_win32.cpp,
// ObjectGuard_win32.cpp, FolderClaim_win32.cpp and SystemServices_win32.cpp, and POSIX
// (host tests and the host benchmark) in the _posix.cpp files of the same names, with
// FolderSearch_posix.cpp and SeamChanges_posix.cpp. The seam never raises: every call
// answers with 0 for success or a Windows system error code, and the primitives above
// decide what that means. Texts and paths are UTF-8 with "\" separators, whatever the
// system's code page for programs that are not Unicode: the Win32 seam hands them to the
// wide calls.
#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os {

// Windows file attribute bits the primitives look at.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrReparsePoint = 0x400;

// Windows system error codes the seam and the primitives use by name.
constexpr unsigned kErrorFileNotFound = 2;
constexpr unsigned kErrorPathNotFound = 3;
constexpr unsigned kErrorAccessDenied = 5;
constexpr unsigned kErrorSharingViolation = 32;
constexpr unsigned kErrorDiskFull = 112;
constexpr unsigned kErrorNoMoreFiles = 18;
constexpr unsigned kErrorFileExists = 80;
constexpr unsigned kErrorDirNotEmpty = 145;
constexpr unsigned kErrorAlreadyExists = 183;
constexpr unsigned kErrorFilenameTooLong = 206;
constexpr unsigned kErrorNoUnicodeTranslation = 1113;

// The longest path the primitives hand to the system, in UTF-16 units without the final
// zero.
constexpr std::size_t kMaxPathChars = 259;

// The UTF-16 units the UTF-8 text takes: one for each character, two for one beyond the
// basic plane (a four-byte sequence).
inline std::size_t WideLength(const std::string& text) {
    std::size_t units = 0;
    for (const char byte : text) {
        const unsigned char value = static_cast<unsigned char>(byte);
        units += (value & 0xC0) == 0x80 ? 0 : value >= 0xF0 ? 2 : 1;
    }
    return units;
}

// Both implementations refuse a longer path with code 206, as Windows does, so that
// no buffer of MAX_PATH characters anywhere below can be overrun and no path is cut short.
inline bool FitsMaxPath(const std::string& path) {
    return WideLength(path) <= kMaxPathChars;
}

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Opens an existing file for reading; others may read it but not write it.
unsigned OpenForReading(const std::string& path, FileHandle& file);
// Creates a file only where no entry of that name exists (80 or 183 when one does),
// for writing, shared with no one.
unsigned CreateNewForWriting(const std::string& path, FileHandle& file);
unsigned Read(FileHandle file, void* buffer, std::size_t size, std::size_t& read);
unsigned Write(FileHandle file, const void* data, std::size_t size, std::size_t& written);
// Writes what the system holds of the file's data out to the disk, so that it outlives
// a power cut.
unsigned Flush(FileHandle file);
void Close(FileHandle file);
// Writes what the system holds of every file on the volume that holds folder out to the
// disk, closed files included (an administrator's right on Windows). The volume is the
// one the folder lies on, a volume mounted in a folder included; a folder that lies on
// no volume of this computer (a network share, on Windows also a substituted drive)
// fails.
unsigned FlushVolume(const std::string& folder);
// Writes what the system holds of one closed file's data out to the disk (a link at the
// path's end is not followed).
unsigned FlushFile(const std::string& path);

unsigned ReadAttributes(const std::string& path, std::uint32_t& attributes);
unsigned WriteAttributes(const std::string& path, std::uint32_t attributes);
// Makes a folder; with a security descriptor (SDDL), the folder gets that one, on a
// volume that keeps access lists (on one that does not, such as FAT, none is set).
unsigned MakeFolder(const std::string& path, const std::string& securityDescriptor = "");
// Renames a file or folder on its volume; never replaces an existing entry, and
// refuses a file that is open elsewhere (32), as Windows does.
unsigned MoveEntry(const std::string& from, const std::string& to);
unsigned RemoveFolder(const std::string& path);
unsigned RemoveFile(const std::string& path);
// Has a file, or an empty folder, deleted when the system next starts (administrators
// only); for what a running program still holds.
unsigned DeleteAtRestart(const std::string& path);

// What tells one file system object from every other: its volume and its index on
// that volume. A name can come to mean another object; an identity cannot. The Win32
// seam takes the volume's serial number from the root of the path the object was
// opened by, asked once per root.
struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const Identity& other) const { return volume == other.volume && index == other.index; }
    bool operator!=(const Identity& other) const { return !(*this == other); }
};

// Whether a link (symbolic link, junction) at the end of a path is followed; links
// before the end always are.
enum class FinalLink { Followed, NotFollowed };

// The identity of the object a path names.
unsigned ReadIdentity(const std::string& path, FinalLink finalLink, Identity& identity);
// The identity of an open file, opened by path.
unsigned ReadIdentity(FileHandle file, const std::string& path, Identity& identity);
// Who could have changed an object since it was made, read from its owner and access
// list. The program runs as an administrator: what only administrators, the system, the
// system's installer service or this program's own user could have changed is its own
// to act on; anything else may have been written by another user of the computer.
enum class Guard {
    Protected,    // owner and every grant that allows a change are among those
    OpenToOthers, // another owner, no access list, or a grant of change to anyone else
    NotKept,      // the volume keeps no access lists (FAT, exFAT) or lies on another computer
};

// Opens an existing file or folder to look at it (its guard, attributes, identity): a
// link at its end is opened itself, not followed.
unsigned OpenToInspect(const std::string& path, FileHandle& object);
// Opens an existing folder as OpenToInspect does, and holds it: while it is held nobody
// can rename or delete it (others may go on reading it and adding to it), so that its
// path goes on naming what was looked at. On the host nothing stops a rename.
unsigned OpenToHold(const std::string& folder, FileHandle& object);
// Which changes a guard is read for: any change to the object (what the run reads or
// writes), or only those that can make a folder on the way to the run's folders lead
// elsewhere (it or an entry in it renamed or deleted, its owner or access list changed).
enum class Changes { Any, Renames };
unsigned ReadGuard(FileHandle object, Guard& guard, Changes changes = Changes::Any);
unsigned ReadAttributes(FileHandle object, std::uint32_t& attributes);

// One entry of a folder search.
struct FoundEntry {
    std::string name;
    std::uint32_t attributes = 0;
    bool lastWriteFitsDosTime = false; // local last-write time within 1980..2107
};

using SearchHandle = std::intptr_t;
constexpr SearchHandle kNoSearch = -1;

// Starts a search for a pattern (a path whose last part may hold "*" and "?").
unsigned FindFirst(const std::string& pattern, SearchHandle& search, FoundEntry& entry);
unsigned FindNext(SearchHandle search, FoundEntry& entry);
void FindClose(SearchHandle search);

// A claim on a name across the whole system, held by one holder at a time until it is
// released or its process ends (a named mutex on Windows, in a namespace that only
// administrators and the system can reach).
using ClaimHandle = std::intptr_t;
constexpr ClaimHandle kNoClaim = 0;
// Takes the claim; 183 when another holder has it, any other code when the claim could
// not be made or reached (never a weaker claim instead).
unsigned TakeClaim(const std::string& name, ClaimHandle& claim);
void ReleaseClaim(ClaimHandle claim);
// The path by which the system names an existing folder, the same whatever spelling
// reached it (case, short names, links, junctions, mapped drives); 120 (not implemented)
// where the system cannot tell it.
unsigned FinalPath(const std::string& folder, std::string& finalPath);

// The SHA-256 digest of the bytes, by the system's own hash provider.
using Sha256Digest = std::array<std::uint8_t, 32>;
unsigned Sha256(const void* data, std::size_t size, Sha256Digest& digest);

// The room left to this user on the volume that holds an existing folder, and the
// volume's allocation unit (every file takes whole units).
unsigned FreeSpace(const std::string& folder, std::uint64_t& freeBytes, std::uint64_t& unitBytes);

// Text in the system's wide form (UTF-16 on Windows), closed by a zero, for the wide
// calls. A vector rather than a wide string, which would link the library's whole
// wide-string code into the program.
struct WideText {
    std::vector<wchar_t> chars{L'\0'};
    bool valid = true; // false when what it was made from was not UTF-8
    const wchar_t* c_str() const { return chars.data(); }
    bool empty() const { return chars.size() == 1; }
    int length() const { return static_cast<int>(chars.size()) - 1; }
};
// The UTF-8 text in the system's wide form. Text that is not UTF-8 gives an empty text
// that is not valid: never replacement characters, which would name another file.
WideText Widened(const std::string& text);
// Wide text as UTF-8: length characters, or up to its zero when length is -1.
std::string Narrowed(const wchar_t* text, int length = -1);

// The UTF-8 text in the code page of the system's programs that are not Unicode, as
// other programs read what is stored for them in it (the uninstall list); false when
// that code page cannot hold every character (none is replaced or taken as a look-alike).
// The host stands in for a system of code page 936.
bool InSystemCodePage(const std::string& text, std::string& bytes);
// Bytes in code page 936, the code page the product's manifest is written in, as UTF-8;
// false when they are not code page 936.
bool FromCodePage936(const std::string& bytes, std::string& text);
// Bytes in the system's code page as UTF-8; false when they are not text of it.
bool FromSystemCodePage(const std::string& bytes, std::string& text);

// printf-style formatting: the text the format and arguments make. On Windows the system
// C library's formatter (msvcrt's, which the program imports anyway), since the C++
// library's own would add 27 KB; so the formats stay within what both know: no "ll"
// (two "%08lx" for a 64-bit value).
std::string FormattedV(const char* format, std::va_list args);

// The path expanded against the current folder.
std::string FullPathName(const std::string& path);
// The system's description of an error code, as the system words it.
std::string SystemMessage(unsigned code);

} // namespace os
