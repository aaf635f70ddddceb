#include "sample/uninstall/ListedFiles.h"

#include "sample/uninstall/FileHandles.h"

#include <cstring>
#include <initializer_list>

namespace uninstall {
namespace {

enum class Removal {
    kGone,        // deleted, or not there
    kKept,        // there, and could not be deleted
    kThroughLink, // not deleted: its path passes a link below the install folder
};

// Removes what path (canonical, inside the folder) names: a file or, with isFolder, an
// empty folder. It follows no link below the install folder, since a link there may
// lead anywhere and need not be an administrator's: each component is opened as itself
// relative to the one above it, starting from the held folder, and the path is given up
// when one is a reparse point (junction, symbolic link, mount point); the last is
// deleted through its own handle.
Removal RemoveBelow(const InstallFolder& folder, const wchar_t* path, bool isFolder) {
    wchar_t walked[kPathSize];
    if (!IsInside(path, folder) || !Concat(walked, path, L""))
        return Removal::kKept;
    Handle above; // the folder the component lies in; the install folder's own at first
    for (wchar_t* component = walked + folder.length;;) {
        const std::size_t length = std::wcscspn(component, L"\\");
        const bool last = component[length] == L'\0';
        component[length] = L'\0';
        // By path: Wine shows a Unix symbolic link to a folder as a reparse point only this
        // way, and opens it, followed, as a plain folder.
        const DWORD attributes = GetFileAttributesW(walked);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return Removal::kThroughLink;
        const ULONG kind = last && !isFolder ? FILE_NON_DIRECTORY_FILE : FILE_DIRECTORY_FILE;
        // A folder on the way is held against renaming while the next is opened in it.
        Handle opened(length > 0 ? OpenNt(above.Get() ? above.Get() : folder.handle.Get(), component,
                                          (last ? DELETE : FILE_TRAVERSE) | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | (last ? FILE_SHARE_DELETE : 0),
                                          FILE_OPEN, kind | FILE_OPEN_REPARSE_POINT)
                                 : nullptr);
        if (!opened.Get())
            return Exists(walked) ? Removal::kKept : Removal::kGone;
        // By handle: on Windows a junction or symbolic link opened as itself shows as one
        // here, whatever its path has been made to name since the look above.
        if (AttributesOf(opened.Get()) & FILE_ATTRIBUTE_REPARSE_POINT)
            return Removal::kThroughLink;
        if (last)
            return DeleteOpen(opened.Get()) ? Removal::kGone : Removal::kKept;
        component[length] = L'\\';
        component += length + 1;
        above.Reset(opened.Release());
    }
}

// Removes one line's file when it lies in the install folder, unless it is the running
// program itself. A line that names anything outside the folder is not this
// installation's to remove (the folder may be a copy, or the list edited), nor is one
// whose path passes a link: each is skipped and reported.
void RemoveListed(const wchar_t* line, const wchar_t* self, const InstallFolder& folder, Report& report) {
    wchar_t path[kPathSize];
    Canonical(line, path);
    if (SamePath(path, self))
        return;
    if (!IsInside(path, folder)) {
        report.Add(Report::kOutsideFolder, line);
        return;
    }
    const Removal removal = RemoveBelow(folder, path, false);
    if (removal != Removal::kGone)
        report.Add(removal == Removal::kKept ? Report::kNotDeleted : Report::kThroughLink, line);
}

// Removes the file of one line, length bytes. A line the system's code page does not
// read whole (the list was written under another one, or damaged) could name a file
// other than the one meant, so nothing is done with it; the user is shown it as near as
// it reads, among what is left to delete by hand. A single-byte code page such as 1252
// reads every byte, so there a list written under another code page reads as other
// characters: what those name is still removed only inside the install folder.
void RemoveLine(const char* line, int length, const wchar_t* self, const InstallFolder& folder,
                Report& report) {
    wchar_t path[kPathSize];
    const int read = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, line, length, path, kPathSize - 1);
    if (read > 0) {
        path[read] = L'\0';
        RemoveListed(path, self, folder, report);
        return;
    }
    // Fewer bytes than characters fit: each byte gives at most one.
    const int shown = MultiByteToWideChar(CP_ACP, 0, line, length < kPathSize ? length : kPathSize - 1, path,
                                          kPathSize - 1);
    path[shown > 0 ? shown : 0] = L'\0';
    report.Add(Report::kNotDeleted, path);
}

} // namespace

void RemoveListedFiles(const char* text, const wchar_t* self, const InstallFolder& folder, Report& report) {
    for (const char* line = text; *line;) {
        const std::size_t length = std::strcspn(line, "\r\n");
        if (length > 0)
            RemoveLine(line, static_cast<int>(length), self, folder, report);
        line += line[length] ? length + 1 : length;
    }
}

void RemoveDataFolders(const InstallFolder& folder) {
    wchar_t made[kPathSize];
    for (const wchar_t* name : {L"data\\day", L"data"}) {
        if (Concat(made, folder.path, name))
            RemoveBelow(folder, made, true);
    }
}

} // namespace uninstall
