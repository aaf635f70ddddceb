// The sample payload's uninstaller: undoes what Setup.exe installed. It reads the list
// of installed files (Unini.dat) from its own folder, asks once, and removes the
// product's shortcuts that still point into its folder, every listed file inside its
// folder, the data folders and its own folder once they are empty, and the list. Its
// closing message names whatever it left.
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
#include "runtime/Text.h"
#include "shell/ComPtr.h"

#include <windows.h>

#include <sddl.h>
#include <winternl.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const kCaption = UNINSTALL_LINK_NAME;
const char* const kFinishSwitch = "/finish";
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
    void Reset(HANDLE handle) {
        if (handle_)
            CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

  private:
    HANDLE handle_ = nullptr;
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

bool SameText(const char* a, const char* b, int length = -1) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, length, b, length) == CSTR_EQUAL;
}

bool SamePath(const char* a, const char* b) {
    char canonicalA[kPathSize], canonicalB[kPathSize];
    Canonical(a, canonicalA);
    Canonical(b, canonicalB);
    return canonicalA[0] && SameText(canonicalA, canonicalB);
}

// True when path names something inside folder (which ends in "\"), at any depth.
bool IsInside(const char* path, const char* folder) {
    char canonicalPath[kPathSize], canonicalFolder[kPathSize];
    Canonical(path, canonicalPath);
    Canonical(folder, canonicalFolder);
    const std::size_t length = std::strlen(canonicalFolder);
    return path[0] && length > 0 && std::strlen(canonicalPath) > length &&
           SameText(canonicalPath, canonicalFolder, static_cast<int>(length));
}

// The closing message: "已成功卸载" only when nothing was left, otherwise what was left
// and why, naming the first few entries of each kind and counting the rest.
class Report {
  public:
    enum Kind {
        kNotDeleted,    // still there: held by a running program, or refused
        kAtRestart,     // marked for deletion at the next start of the system
        kOutsideFolder, // a line of Unini.dat naming something outside the install folder
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
        static const char* const kHeadings[kKinds] = {"以下文件未能删除，请手动删除：",
                                                      "以下文件将在计算机重新启动时删除：",
                                                      "卸载信息文件列出的以下文件不在安装文件夹内，未删除："};
        char text[kKinds * (kFilesNamed * kPathSize + 128)] = {};
        Append(text, PRODUCT_NAME "已卸载，但");
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
        !MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, kPathSize) ||
        FAILED(file->Load(wide, STGM_READ)) || link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK)
        target[0] = '\0';
}

// A link the installer made points into the install folder; one of the same name that
// the user made, or pointed elsewhere since, is theirs and stays.
void RemoveLinkIntoFolder(const char* folder, const char* linkName, const char* installFolder,
                          Report& report) {
    char linkPath[kPathSize], target[kPathSize];
    if (!Concat(linkPath, folder, linkName))
        return;
    LinkTarget(linkPath, target);
    if (IsInside(target, installFolder) && !DeleteFileA(linkPath) && Exists(linkPath))
        report.Add(Report::kNotDeleted, linkPath);
}

void RemoveShortcuts(const char* installFolder, Report& report) {
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

// Deletes every file listed in text, one full path a line, that is there and lies in
// the install folder, except the running program itself (the copy deletes it). A line
// that names anything outside the folder is not this installation's to remove (the
// folder may be a copy, or the list edited): it is skipped and reported. The lines are
// cut in place.
void RemoveListedFiles(char* text, const char* self, const char* folder, Report& report) {
    const char* selfName = self + FolderLength(self);
    for (char* line = text; *line;) {
        char* end = line + std::strcspn(line, "\r\n");
        const bool last = *end == '\0';
        *end = '\0';
        const bool isSelf = SameText(line + FolderLength(line), selfName) && SamePath(line, self);
        if (*line && !isSelf && !IsInside(line, folder))
            report.Add(Report::kOutsideFolder, line);
        else if (*line && !isSelf && !DeleteFileA(line) && Exists(line))
            report.Add(Report::kNotDeleted, line);
        line = last ? end : end + 1;
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
    if (!MultiByteToWideChar(CP_ACP, 0, folder, -1, ntPath + 4, kPathSize))
        return nullptr;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, ntPath);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, descriptor);
    IO_STATUS_BLOCK status;
    HANDLE handle = nullptr;
    return NtCreateFile(&handle, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &status, nullptr,
                        FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                        FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0) >= 0
               ? handle
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
    char name[2 * kRandomBytes + 1];
    for (int attempt = 0; attempt < 4 && !held.Get() && RandomName(name); ++attempt) {
        wsprintfA(folder, "%s\\Temp\\unm-%s", windows, name);
        held.Reset(CreateHeldFolder(folder, descriptor));
    }
    LocalFree(descriptor);
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
int FinishRemoval(HANDLE inherited, const char* program) {
    const Handle uninstaller(inherited);
    if (WaitForSingleObject(uninstaller.Get(), INFINITE) != WAIT_OBJECT_0)
        return 1;
    // The system may hold the file for a moment after the process has ended.
    for (int attempt = 0; attempt < 50 && !DeleteFileA(program); ++attempt) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
        Sleep(100);
    }
    char folder[kPathSize] = {};
    if (FolderLength(program) >= sizeof folder)
        return 1;
    std::memcpy(folder, program, FolderLength(program));
    if (Exists(program)) {
        Report report;
        report.Add(MoveFileExA(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Report::kAtRestart
                                                                              : Report::kNotDeleted,
                   program);
        folder[std::strlen(folder) - 1] = '\0';
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); // only when empty then
        report.Show();
    } else {
        RemoveDirectoryA(folder);
    }
    char self[kPathSize] = {};
    if (GetModuleFileNameA(nullptr, self, MAX_PATH)) {
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        self[FolderLength(self) - 1] = '\0'; // its private folder, after it
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 0;
}

int Uninstall() {
    char self[kPathSize] = {};
    char folder[kPathSize] = {}; // with its final "\"
    char listPath[kPathSize] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    // Held from the start until this process ends: the program file can then be neither
    // replaced nor renamed, and the copy is made from these very bytes.
    const Handle selfFile(OpenHeld(self));
    std::memcpy(folder, self, FolderLength(self));
    Concat(listPath, folder, "Unini.dat");
    Handle listFile(CreateFileA(listPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const FileBytes list(listFile.Get());
    if (!list.Get()) {
        char message[kPathSize + 64];
        Concat(message, "找不到卸载信息文件 ", listPath);
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
    RemoveListedFiles(list.Get(), self, folder, report);
    listFile.Reset(nullptr);
    if (!DeleteFileA(listPath) && Exists(listPath))
        report.Add(Report::kNotDeleted, listPath);
    char made[kPathSize];
    for (const char* name : {"data\\day", "data"}) {
        if (Concat(made, folder, name))
            RemoveDirectoryA(made); // only when empty
    }
    HeldCopy held; // until the closing message has been read and this process ends
    if (!StartFinishingCopy(selfFile.Get(), self, held)) {
        // No copy: the system removes the program and its folder, when empty, at its next start.
        report.Add(MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Report::kAtRestart
                                                                           : Report::kNotDeleted,
                   self);
        folder[std::strlen(folder) - 1] = '\0';
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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
