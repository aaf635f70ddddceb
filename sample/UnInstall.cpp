// The sample payload's uninstaller: undoes what Setup.exe installed. It reads the list
// of installed files (Unini.dat) from its own folder, asks once, and removes the
// product's shortcuts that still point into its folder, every listed file inside its
// folder, the data folders and its own folder once they are empty, and the list. Its
// closing message names whatever it left.
//
// It runs as an administrator, so it treats what a standard user could have written as
// that user's input. It reads the list and deletes in its folder only when nobody but
// administrators, the system and the account it runs as could have changed the folder
// or the list (checked on the open handles, which it keeps until it ends), and it
// follows no link below its folder: every listed file is reached component by
// component, each opened as itself relative to the folder above, and deleted through
// its own handle.
//
// A running program cannot delete its own file, so it copies itself into a new folder of
// the system's temporary folder, under a random name, and starts the copy with
// "/finish <handle> <program>": the copy waits on the inherited handle until this process
// has ended, deletes the program file and then its folder when empty, and has itself
// deleted at the next start of the system.
//
// It must fit in the payload's UnInstall.exe, so it keeps to the system's own calls
// and fixed path buffers: the C++ library's strings alone would make it too large.
#include "payload/ProductInfo.h"
#include "runtime/ChangeRights.h"
#include "runtime/Text.h"
#include "shell/ComPtr.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const kCaption = UNINSTALL_LINK_NAME;
const char* const kFinishSwitch = "/finish";
const char* const kListName = "Unini.dat";
// Paths as the ANSI calls take them, two bytes a character at most.
constexpr int kPathSize = 2 * MAX_PATH;
// How many entries of each kind the closing message names.
constexpr int kFilesNamed = 10;
// Random bytes in the name of the copy's folder.
constexpr int kRandomBytes = 16;

// Keeps every later DLL load to the system folder: never the current folder, and, where
// kernel32 exports AddDllDirectory (and so offers the search flags), not this program's
// folder either. Both calls are looked up, so that the program starts without them.
void ConfineDllSearch() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SetDirectory = BOOL(WINAPI*)(LPCSTR);
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectory =
        reinterpret_cast<SetDirectory>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory)
        setDirectory("");
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && GetProcAddress(kernel, "AddDllDirectory"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// One kernel handle, closed when the owner goes.
class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) { Reset(handle); }
    ~Handle() { Reset(nullptr); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    // Hands the handle over to the caller, who closes it.
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset(HANDLE handle) {
        if (handle_)
            CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

// Memory the system allocated for the caller with LocalAlloc (security descriptors),
// freed when the owner goes.
class LocalMemory {
  public:
    explicit LocalMemory(void* memory) : memory_(memory) {}
    ~LocalMemory() { LocalFree(memory_); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;

  private:
    void* memory_;
};

// A file's bytes in memory, read through an open handle from its start, with a final
// zero; freed when the owner goes.
class FileBytes {
  public:
    explicit FileBytes(HANDLE file) {
        const DWORD size = file ? GetFileSize(file, nullptr) : INVALID_FILE_SIZE;
        if (size == INVALID_FILE_SIZE || SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0)
            return;
        bytes_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1));
        DWORD read = 0;
        if (bytes_ && !(ReadFile(file, bytes_, size, &read, nullptr) && read == size)) {
            HeapFree(GetProcessHeap(), 0, bytes_);
            bytes_ = nullptr;
        }
        size_ = bytes_ ? size : 0;
    }
    ~FileBytes() {
        if (bytes_)
            HeapFree(GetProcessHeap(), 0, bytes_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    char* Get() const { return bytes_; } // nullptr when the file could not be read
    DWORD Size() const { return size_; }

  private:
    char* bytes_ = nullptr;
    DWORD size_ = 0;
};

// An existing file opened for reading, shared for reading only: while the handle is open,
// nobody may write, rename or delete the file.
HANDLE OpenHeld(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The attributes of an open file or folder; INVALID_FILE_ATTRIBUTES (every bit set)
// when they cannot be read.
DWORD AttributesOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    return GetFileInformationByHandle(file, &information) ? information.dwFileAttributes
                                                          : INVALID_FILE_ATTRIBUTES;
}

// This program's file; false when its path does not fit.
bool ProgramPath(char (&path)[kPathSize]) {
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// length bytes of text (-1: up to its end) as UTF-16 in out, which holds capacity
// characters, with a final zero; false when that does not fit.
bool Widen(const char* text, int length, wchar_t* out, int capacity) {
    const int written = MultiByteToWideChar(CP_ACP, 0, text, length, out, capacity - 1);
    if (written <= 0 && length != 0)
        return false;
    out[written] = L'\0';
    return true;
}

// Opens (with FILE_CREATE: creates) name through ntdll, relative to the open folder root,
// or, without a root, by its NT path ("\??\C:\..."). With FILE_OPEN_REPARSE_POINT among
// the options a link is opened as itself, not followed. nullptr on failure.
HANDLE OpenNt(HANDLE root, const wchar_t* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, PSECURITY_DESCRIPTOR descriptor = nullptr) {
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

// Deletes the open file, or folder when empty, through its handle (opened with DELETE):
// what was checked is what goes, whatever its path names by now. This is the call that
// SetFileInformationByHandle makes on newer systems; ntdll has it on every NT system.
bool DeleteOpen(HANDLE file) {
    struct {
        BOOLEAN deleteFile;
    } disposition = {TRUE};
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &disposition, sizeof disposition,
                                FileDispositionInformation) >= 0;
}

// a followed by b in out; false when that does not fit.
template <std::size_t Size> bool Concat(char (&out)[Size], const char* a, const char* b) {
    const std::size_t first = std::strlen(a);
    const std::size_t second = std::strlen(b);
    if (first + second >= sizeof out)
        return false;
    std::memmove(out, a, first);
    std::memcpy(out + first, b, second + 1);
    return true;
}

// Appends text to out as far as it fits.
template <std::size_t Size> void Append(char (&out)[Size], const char* text) {
    std::strncat(out, text, sizeof out - std::strlen(out) - 1);
}

// The length of path's folder part, up to and including its last "\"; the second byte
// of a two-byte character is no separator, even when it is "\" (as in 淺).
std::size_t FolderLength(const char* path) {
    std::size_t end = 0;
    for (std::size_t i = 0; path[i]; ++i) {
        if (rt::IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1])
            ++i;
        else if (path[i] == '\\')
            end = i + 1;
    }
    return end;
}

// The length of path's first component: up to its first "\" of its own, or its end.
std::size_t ComponentLength(const char* path) {
    std::size_t i = 0;
    for (; path[i] && path[i] != '\\'; ++i) {
        if (rt::IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1])
            ++i;
    }
    return i;
}

// The folder path lies in, without its final "\" (as the calls that take a folder's own
// name want it); false when path has no folder part.
bool FolderOf(const char* path, char (&folder)[kPathSize]) {
    const std::size_t length = FolderLength(path);
    if (length == 0 || length > sizeof folder)
        return false;
    std::memcpy(folder, path, length - 1);
    folder[length - 1] = '\0';
    return true;
}

// One spelling of a path for comparing: absolute, with "." and ".." resolved and, for
// what exists, long names instead of short ones. "" when it has none.
void Canonical(const char* path, char (&out)[kPathSize]) {
    char full[kPathSize] = {};
    const DWORD fullLength = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (fullLength == 0 || fullLength >= sizeof full)
        full[0] = '\0';
    const DWORD longLength = GetLongPathNameA(full, out, sizeof out);
    if (longLength == 0 || longLength >= sizeof out)
        std::memcpy(out, full, sizeof full);
}

// The install folder: the uninstaller's own, held open from the start until this process
// ends, shared for everything but deletion, so that it can be neither renamed nor
// deleted. Every file in it is opened relative to this handle, never through its path.
struct InstallFolder {
    char path[kPathSize] = {}; // canonical, with its final "\"
    std::size_t length = 0;
    Handle handle;
};

// Opens the folder of the program file self; false when it cannot be opened.
bool OpenInstallFolder(const char* self, InstallFolder& folder) {
    char part[kPathSize] = {};
    const std::size_t partLength = FolderLength(self);
    if (partLength == 0)
        return false;
    std::memcpy(part, self, partLength);
    Canonical(part, folder.path);
    folder.length = std::strlen(folder.path);
    // A canonical folder part still ends in a separator of its own.
    if (folder.length == 0 || FolderLength(folder.path) != folder.length)
        return false;
    folder.handle.Reset(CreateFileA(folder.path, FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder.handle.Get() != nullptr;
}

// Two canonical paths name the same file (an ordinal comparison, as the file system's).
bool SamePath(const char* a, const char* b) {
    return a[0] && rt::SameNameBytes(a, b, std::strlen(a) + 1);
}

// True when the canonical path names something inside the folder, at any depth.
bool IsInside(const char* path, const InstallFolder& folder) {
    return std::strlen(path) > folder.length && rt::SameNameBytes(path, folder.path, folder.length);
}

// The closing message: "已成功卸载" only when nothing was left, otherwise what was left
// and why, naming the first few entries of each kind and counting the rest.
class Report {
  public:
    enum Kind {
        kNotDeleted,    // still there: held by a running program, or refused
        kAtRestart,     // marked for deletion at the next start of the system
        kOutsideFolder, // a line of Unini.dat naming something outside the install folder
        kThroughLink,   // a line of Unini.dat whose path passes a link below the install folder
        kFolderUnsafe,  // the install folder, which others can change: nothing in it was touched
        kKinds
    };

    // Cleared by hand: an initialiser would cost the program a zero image of its size.
    Report() { std::memset(kept_, 0, sizeof kept_); }

    void Add(Kind kind, const char* path) {
        Kept& kept = kept_[kind];
        if (++kept.count <= kFilesNamed) {
            Append(kept.names, "\n");
            Append(kept.names, path);
        }
    }

    void Show() const {
        static const char* const kHeadings[kKinds] = {
            "以下文件未能删除，请手动删除：", "以下文件将在计算机重新启动时删除：",
            "卸载信息文件列出的以下文件不在安装文件夹内，未删除：",
            "卸载信息文件列出的以下文件的路径经过安装文件夹内的链接，未删除：",
            "安装文件夹或其中的卸载信息文件可被本计算机的其他用户更改，因此卸载程序没有删除其中的任何内容。"
            "请检查该文件夹后手动删除："};
        char text[kKinds * (kFilesNamed * kPathSize + 192)] = {};
        Append(text, kept_[kFolderUnsafe].count ? PRODUCT_NAME "未能完全卸载：" : PRODUCT_NAME "已卸载，但");
        bool any = false;
        for (int kind = 0; kind < kKinds; ++kind) {
            const Kept& kept = kept_[kind];
            if (kept.count == 0)
                continue;
            if (any)
                Append(text, "\n");
            any = true;
            Append(text, kHeadings[kind]);
            Append(text, kept.names);
            if (kept.count > kFilesNamed) {
                char more[32];
                wsprintfA(more, "\n……共%d个", kept.count);
                Append(text, more);
            }
        }
        if (any)
            MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONWARNING);
        else
            MessageBoxA(nullptr, PRODUCT_NAME "已成功卸载。", kCaption, MB_OK | MB_ICONINFORMATION);
    }

  private:
    struct Kept {
        int count;
        char names[kFilesNamed * kPathSize + 16];
    };
    Kept kept_[kKinds];
};

// The path a shell link file points to; "" when the file is not a link the shell reads.
void LinkTarget(const char* linkPath, char (&target)[kPathSize]) {
    target[0] = '\0';
    shell::ComPtr<IShellLinkA> link;
    shell::ComPtr<IPersistFile> file;
    wchar_t wide[kPathSize] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
        !Widen(linkPath, -1, wide, kPathSize) || FAILED(file->Load(wide, STGM_READ)) ||
        link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK)
        target[0] = '\0';
}

// A link the installer made points into the install folder; one of the same name that
// the user made, or pointed elsewhere since, is theirs and stays.
void RemoveLinkIntoFolder(const char* folder, const char* linkName, const InstallFolder& installFolder,
                          Report& report) {
    char linkPath[kPathSize], target[kPathSize], canonicalTarget[kPathSize];
    if (!Concat(linkPath, folder, linkName))
        return;
    LinkTarget(linkPath, target);
    Canonical(target, canonicalTarget);
    if (IsInside(canonicalTarget, installFolder) && !DeleteFileA(linkPath) && Exists(linkPath))
        report.Add(Report::kNotDeleted, linkPath);
}

// The links live in the profile of the user who runs this program, and what decides is
// read from the links alone: they go even when the install folder fails the trust rule,
// so that no menu entry is left leading to a folder the user is told to check.
void RemoveShortcuts(const InstallFolder& installFolder, Report& report) {
    char special[kPathSize] = {};
    char productFolder[kPathSize] = {};
    if (SHGetSpecialFolderPathA(nullptr, special, CSIDL_PROGRAMS, FALSE) &&
        Concat(productFolder, special, "\\" PRODUCT_NAME)) {
        for (const char* name :
             {"\\" README_LINK_NAME ".lnk", "\\" UNINSTALL_LINK_NAME ".lnk", "\\" PRODUCT_NAME ".lnk"})
            RemoveLinkIntoFolder(productFolder, name, installFolder, report);
        RemoveDirectoryA(productFolder); // only when empty
    }
    if (SHGetSpecialFolderPathA(nullptr, special, CSIDL_DESKTOPDIRECTORY, FALSE))
        RemoveLinkIntoFolder(special, "\\" PRODUCT_NAME ".lnk", installFolder, report);
}

// True when nobody but the trusted accounts could have changed the open file or folder
// (opened with READ_CONTROL); what cannot be read counts as changeable.
bool OnlyTrustedCanChange(HANDLE object, const rt::TrustedAccounts& trusted) {
    bool onlyTrusted = false;
    return object && rt::ReadWhetherOnlyTrustedMayChange(object, trusted, onlyTrusted) == ERROR_SUCCESS &&
           onlyTrusted;
}

// True when nobody but the trusted accounts could have changed the install folder or
// its list.
bool OnlyTrustedCanChangeEither(const InstallFolder& folder, HANDLE list) {
    BYTE user[SECURITY_MAX_SID_SIZE] = {};
    const rt::TrustedAccounts accounts(rt::ReadProcessUser(user) ? user : nullptr);
    return OnlyTrustedCanChange(folder.handle.Get(), accounts) && OnlyTrustedCanChange(list, accounts);
}

// Opens the list in the held folder as itself (a link there is not followed), to read
// and later delete through this handle, shared for reading only: until it is closed
// nobody can change, rename or delete it. nullptr when it cannot be opened or is a link.
HANDLE OpenList(const InstallFolder& folder) {
    wchar_t name[16];
    if (!folder.handle.Get() || !Widen(kListName, -1, name, 16))
        return nullptr;
    Handle list(OpenNt(folder.handle.Get(), name, GENERIC_READ | DELETE | READ_CONTROL, FILE_SHARE_READ,
                       FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT));
    return list.Get() && !(AttributesOf(list.Get()) & FILE_ATTRIBUTE_REPARSE_POINT) ? list.Release()
                                                                                    : nullptr;
}

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
Removal RemoveBelow(const InstallFolder& folder, const char* path, bool isFolder) {
    char walked[kPathSize];
    if (!IsInside(path, folder) || !Concat(walked, path, ""))
        return Removal::kKept;
    Handle above; // the folder the component lies in; the install folder's own at first
    for (char* component = walked + folder.length;;) {
        const std::size_t length = ComponentLength(component);
        const bool last = component[length] == '\0';
        component[length] = '\0';
        // By path: Wine shows a Unix symbolic link to a folder as a reparse point only this
        // way, and opens it, followed, as a plain folder.
        const DWORD attributes = GetFileAttributesA(walked);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return Removal::kThroughLink;
        wchar_t name[kPathSize];
        const ULONG kind = last && !isFolder ? FILE_NON_DIRECTORY_FILE : FILE_DIRECTORY_FILE;
        // A folder on the way is held against renaming while the next is opened in it.
        Handle opened(length > 0 && Widen(component, -1, name, kPathSize)
                          ? OpenNt(above.Get() ? above.Get() : folder.handle.Get(), name,
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
        component[length] = '\\';
        component += length + 1;
        above.Reset(opened.Release());
    }
}

// Removes one line's file when it lies in the install folder, unless it is the running
// program itself (the copy deletes that). A line that names anything outside the folder
// is not this installation's to remove (the folder may be a copy, or the list edited),
// nor is one whose path passes a link: each is skipped and reported.
void RemoveListed(const char* line, const char* self, const InstallFolder& folder, Report& report) {
    char path[kPathSize];
    Canonical(line, path);
    if (!*line || SamePath(path, self))
        return;
    if (!IsInside(path, folder)) {
        report.Add(Report::kOutsideFolder, line);
        return;
    }
    const Removal removal = RemoveBelow(folder, path, false);
    if (removal != Removal::kGone)
        report.Add(removal == Removal::kKept ? Report::kNotDeleted : Report::kThroughLink, line);
}

// Removes the files listed in text, one full path a line; self is this program's
// canonical path. The lines are cut in place.
void RemoveListedFiles(char* text, const char* self, const InstallFolder& folder, Report& report) {
    for (char* line = text; *line;) {
        char* end = line + std::strcspn(line, "\r\n");
        const bool last = *end == '\0';
        *end = '\0';
        RemoveListed(line, self, folder, report);
        line = last ? end : end + 1;
    }
}

// Removes the folders the installation made inside the install folder, each when empty.
void RemoveDataFolders(const InstallFolder& folder) {
    char made[kPathSize];
    for (const char* name : {"data\\day", "data"}) {
        if (Concat(made, folder.path, name))
            RemoveBelow(folder, made, true);
    }
}

// kRandomBytes from the system's generator as hex digits; false when it has none.
// RtlGenRandom is looked up only now, after the search was confined: newer systems
// forward it to a DLL that is not among the known ones.
bool RandomName(char (&name)[2 * kRandomBytes + 1]) {
    using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
    const auto genRandom = reinterpret_cast<GenRandom>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("advapi32.dll"), "SystemFunction036")));
    unsigned char bytes[kRandomBytes];
    if (!genRandom || !genRandom(bytes, sizeof bytes))
        return false;
    for (int i = 0; i < kRandomBytes; ++i)
        wsprintfA(name + 2 * i, "%02x", bytes[i]);
    return true;
}

// Creates the folder with the security descriptor and opens it, in one step (a folder
// already there fails), shared for everything but deletion: while the handle is open the
// folder can be neither renamed nor deleted, so its path names it. nullptr on failure.
HANDLE CreateHeldFolder(const char* folder, PSECURITY_DESCRIPTOR descriptor) {
    wchar_t ntPath[kPathSize + 8] = L"\\??\\";
    return Widen(folder, -1, ntPath + 4, kPathSize)
               ? OpenNt(nullptr, ntPath, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                        FILE_DIRECTORY_FILE, descriptor)
               : nullptr;
}

// Makes the copy's folder in the system's temporary folder: every folder on that path
// belongs to the system, so no program of the user can rename one or turn it into a
// link (the user's own temporary folder, or whatever TEMP names, the user could point
// elsewhere between the copy and its start). The folder's name is random, so nobody can
// claim it beforehand; only administrators and the system may write to it, since the
// copy runs with this program's rights and its folder is where its DLLs are looked for
// first; and the folder is held open, so that it cannot be swapped for another.
bool MakePrivateFolder(char (&folder)[kPathSize], Handle& held) {
    char windows[kPathSize] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (length == 0 || length > MAX_PATH - 64 ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const LocalMemory ownedDescriptor(descriptor);
    char name[2 * kRandomBytes + 1];
    for (int attempt = 0; attempt < 4 && !held.Get() && RandomName(name); ++attempt) {
        wsprintfA(folder, "%s\\Temp\\unm-%s", windows, name);
        held.Reset(CreateHeldFolder(folder, descriptor));
    }
    return held.Get() != nullptr;
}

// Writes the program's bytes to path, a new file, and opens it again held: from then
// until this process ends it cannot be changed, renamed or deleted. Between the two
// opens only an administrator could reach it, through the folder's access list.
bool WriteHeldCopy(const FileBytes& program, const char* path, Handle& held) {
    {
        const Handle file(
            CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.Get() || !WriteFile(file.Get(), program.Get(), program.Size(), &written, nullptr) ||
            written != program.Size())
            return false;
    }
    held.Reset(OpenHeld(path));
    return held.Get() != nullptr;
}

// The copy's folder and file, held until this process ends: by then the copy has long
// loaded, and it waits for that end before it does anything.
struct HeldCopy {
    Handle folder;
    Handle file;
};

// Copies this program, from the bytes of its file held since the start, into a private
// folder and starts the copy, which finishes the removal once this process has ended.
// False when that could not be done.
bool StartFinishingCopy(HANDLE selfFile, const char* self, HeldCopy& held) {
    const FileBytes program(selfFile);
    char privateFolder[kPathSize] = {};
    char copy[kPathSize] = {};
    if (!program.Get() || !MakePrivateFolder(privateFolder, held.folder) ||
        !Concat(copy, privateFolder, "\\unm.exe"))
        return false;
    // A handle to this process that only the copy inherits, to wait on.
    HANDLE waitable = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &waitable, SYNCHRONIZE,
                    TRUE, 0);
    const Handle ownedWaitable(waitable);
    char command[3 * kPathSize];
    wsprintfA(command, "\"%s\" %s %lu \"%s\"", copy, kFinishSwitch,
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(waitable)), self);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // Started in its own folder, so that it holds no folder of the installation.
    if (!waitable || !WriteHeldCopy(program, copy, held.file) ||
        !CreateProcessA(copy, command, nullptr, nullptr, TRUE, 0, nullptr, privateFolder, &startup,
                        &started)) {
        held.file.Reset(nullptr);
        DeleteFileA(copy);
        held.folder.Reset(nullptr);
        RemoveDirectoryA(privateFolder);
        return false;
    }
    const Handle thread(started.hThread), process(started.hProcess);
    return true;
}

// The copy's part: deletes the uninstaller's file once its process has ended, then its
// folder when that is empty. The copy itself stays in its folder, marked for deletion
// at the next start of the system. When the uninstaller's file stays held, it is marked
// for that too, and the user is told, since the closing message counted it as gone.
// It acts by path: the uninstaller starts it only for a folder that nobody but the
// trusted accounts can change, so nobody else can put a link or another file there.
int FinishRemoval(HANDLE inherited, const char* program) {
    const Handle uninstaller(inherited);
    char folder[kPathSize] = {};
    if (!FolderOf(program, folder) || WaitForSingleObject(uninstaller.Get(), INFINITE) != WAIT_OBJECT_0)
        return 1;
    // The system may hold the file for a moment after the process has ended.
    for (int attempt = 0; attempt < 50 && !DeleteFileA(program); ++attempt) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
        Sleep(100);
    }
    if (Exists(program)) {
        Report report;
        report.Add(MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Report::kAtRestart
                                                                              : Report::kNotDeleted,
                   program);
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); // only when empty then
        report.Show();
    } else {
        RemoveDirectoryA(folder);
    }
    char self[kPathSize] = {};
    char privateFolder[kPathSize] = {};
    if (ProgramPath(self) && FolderOf(self, privateFolder)) {
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExA(privateFolder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); // after it
    }
    return 0;
}

// Asks, then removes the shortcuts and, when nobody but the trusted accounts could have
// changed the install folder or its list, what the list names in the folder; otherwise
// nothing in the folder, and the closing message says why.
int Uninstall() {
    char self[kPathSize] = {};
    char selfPath[kPathSize] = {}; // canonical, to tell its line in the list
    char listPath[kPathSize] = {};
    InstallFolder folder;
    // Held from the start until this process ends: the program file can then be neither
    // replaced nor renamed, and the copy is made from these very bytes.
    const Handle selfFile(ProgramPath(self) ? OpenHeld(self) : nullptr);
    Canonical(self, selfPath);
    Handle list(OpenInstallFolder(self, folder) && Concat(listPath, folder.path, kListName) ? OpenList(folder)
                                                                                            : nullptr);
    const bool trusted = OnlyTrustedCanChangeEither(folder, list.Get());
    const FileBytes listed(trusted ? list.Get() : nullptr); // what others could write is not read
    if (!list.Get() || (trusted && !listed.Get())) {
        char message[kPathSize + 64];
        Concat(message, "找不到卸载信息文件 ", listPath[0] ? listPath : kListName);
        MessageBoxA(nullptr, message, kCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (MessageBoxA(nullptr, "是否卸载" PRODUCT_NAME "?", kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    Report report;
    {
        const shell::ComInitialization com;
        RemoveShortcuts(folder, report);
    }
    char folderName[kPathSize] = {}; // without its final "\"
    FolderOf(folder.path, folderName);
    if (!trusted) {
        report.Add(Report::kFolderUnsafe, folderName);
        report.Show();
        return 0;
    }
    RemoveListedFiles(listed.Get(), selfPath, folder, report);
    if (!DeleteOpen(list.Get()))
        report.Add(Report::kNotDeleted, listPath);
    list.Reset(nullptr);
    RemoveDataFolders(folder);
    HeldCopy held; // until the closing message has been read and this process ends
    if (!StartFinishingCopy(selfFile.Get(), self, held)) {
        // No copy: the system removes the program and its folder, when empty, at its next start.
        report.Add(MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Report::kAtRestart
                                                                           : Report::kNotDeleted,
                   self);
        MoveFileExA(folderName, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    report.Show();
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ConfineDllSearch(); // before anything else, in the uninstaller and in its copy alike
    if (__argc == 4 && std::strcmp(__argv[1], kFinishSwitch) == 0) {
        const UINT_PTR handle = std::strtoul(__argv[2], nullptr, 10);
        return FinishRemoval(reinterpret_cast<HANDLE>(handle), __argv[3]);
    }
    return Uninstall();
}
