// The sample payload's uninstaller: undoes what Setup.exe installed. It reads the list
// of installed files (Unini.dat) from its own folder, asks once, and removes the
// product's shortcuts that still point into its folder, every listed file inside its
// folder, the data folders and its own folder once they are empty, and the list.
//
// A running program cannot delete its own file, so it copies itself into a private
// folder of the temporary folder and starts the copy with "/finish <handle> <program>": the copy waits on the
// inherited handle until this process has ended, deletes the program file and then
// its folder when empty, and has itself deleted at the next start of the system.
//
// It must fit in the payload's UnInstall.exe, so it keeps to the system's own calls
// and fixed path buffers: the C++ library's strings alone would make it too large.
#include "payload/ProductInfo.h"
#include "runtime/Text.h"
#include "shell/ComPtr.h"

#include <windows.h>

#include <sddl.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const kCaption = UNINSTALL_LINK_NAME;
const char* const kFinishSwitch = "/finish";
// Paths as the ANSI calls take them, two bytes a character at most.
constexpr int kPathSize = 2 * MAX_PATH;
// How many of the files that could not be deleted the closing message names.
constexpr int kFilesNamed = 10;

// One kernel handle, closed when the owner goes.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() {
        if (handle_)
            CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

// A file's bytes in memory, with a final zero, freed when the owner goes.
class FileBytes {
  public:
    explicit FileBytes(const char* path) {
        const Handle file(
            CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        const DWORD size = file.Get() ? GetFileSize(file.Get(), nullptr) : INVALID_FILE_SIZE;
        if (size == INVALID_FILE_SIZE)
            return;
        bytes_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1));
        DWORD read = 0;
        if (bytes_ && !(ReadFile(file.Get(), bytes_, size, &read, nullptr) && read == size)) {
            HeapFree(GetProcessHeap(), 0, bytes_);
            bytes_ = nullptr;
        }
    }
    ~FileBytes() {
        if (bytes_)
            HeapFree(GetProcessHeap(), 0, bytes_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    char* Get() const { return bytes_; } // nullptr when the file could not be read

  private:
    char* bytes_ = nullptr;
};

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
void RemoveLinkIntoFolder(const char* folder, const char* linkName, const char* installFolder) {
    char linkPath[kPathSize], target[kPathSize];
    if (!Concat(linkPath, folder, linkName))
        return;
    LinkTarget(linkPath, target);
    if (IsInside(target, installFolder))
        DeleteFileA(linkPath);
}

void RemoveShortcuts(const char* installFolder) {
    char special[kPathSize] = {};
    char productFolder[kPathSize] = {};
    if (SHGetSpecialFolderPathA(nullptr, special, CSIDL_PROGRAMS, FALSE) &&
        Concat(productFolder, special, "\\" PRODUCT_NAME)) {
        for (const char* name :
             {"\\" README_LINK_NAME ".lnk", "\\" UNINSTALL_LINK_NAME ".lnk", "\\" PRODUCT_NAME ".lnk"})
            RemoveLinkIntoFolder(productFolder, name, installFolder);
        RemoveDirectoryA(productFolder); // only when empty
    }
    if (SHGetSpecialFolderPathA(nullptr, special, CSIDL_DESKTOPDIRECTORY, FALSE))
        RemoveLinkIntoFolder(special, "\\" PRODUCT_NAME ".lnk", installFolder);
}

// What the closing message says about files that are there still.
class LeftFiles {
  public:
    void Add(const char* path) {
        if (count_++ < kFilesNamed)
            Append("\n", path);
        else if (count_ == kFilesNamed + 1)
            Append("\n……", "");
    }
    bool Empty() const { return count_ == 0; }
    const char* Text() const { return text_; }

  private:
    void Append(const char* a, const char* b) {
        std::strncat(text_, a, sizeof text_ - std::strlen(text_) - 1);
        std::strncat(text_, b, sizeof text_ - std::strlen(text_) - 1);
    }

    int count_ = 0;
    char text_[kFilesNamed * kPathSize + 256] = PRODUCT_NAME "已卸载，但以下文件未能删除，请手动删除：";
};

// Deletes every file listed in text, one full path a line, that is there and lies in
// the install folder, except the running program itself (the copy deletes it). A line
// that names anything outside the folder is not this installation's to remove (the
// folder may be a copy, or the list edited). The lines are cut in place.
void RemoveListedFiles(char* text, const char* self, const char* folder, LeftFiles& left) {
    const char* selfName = self + FolderLength(self);
    for (char* line = text; *line;) {
        char* end = line + std::strcspn(line, "\r\n");
        const bool last = *end == '\0';
        *end = '\0';
        const bool isSelf = SameText(line + FolderLength(line), selfName) && SamePath(line, self);
        if (*line && !isSelf && IsInside(line, folder) && !DeleteFileA(line) &&
            GetFileAttributesA(line) != INVALID_FILE_ATTRIBUTES)
            left.Add(line);
        line = last ? end : end + 1;
    }
}

// Makes a new folder in the temporary folder that only administrators and the system
// may write to: the copy runs with this program's rights, so no program of the user may
// put anything in its place, or a DLL beside it, before it starts.
bool MakePrivateFolder(const char* temp, char (&folder)[kPathSize]) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made; ++attempt) {
        wsprintfA(folder, "%sunm%lu-%d", temp, GetCurrentProcessId(), attempt);
        made = CreateDirectoryA(folder, &attributes) != 0; // a folder already there is not ours
    }
    LocalFree(descriptor);
    return made;
}

// Copies this program into a private folder of the temporary folder and starts the
// copy, which finishes the removal once this process has ended. False when that could
// not be done.
bool StartFinishingCopy(const char* self) {
    char temp[kPathSize] = {};
    char privateFolder[kPathSize] = {};
    char copy[kPathSize] = {};
    const DWORD tempLength = GetTempPathA(MAX_PATH, temp);
    if (tempLength == 0 || tempLength > MAX_PATH - 32 || !MakePrivateFolder(temp, privateFolder) ||
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
    // Started in the temporary folder, so that it holds no folder of the installation.
    if (!waitable || !CopyFileA(self, copy, FALSE) ||
        !CreateProcessA(copy, command, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &started)) {
        DeleteFileA(copy);
        RemoveDirectoryA(privateFolder);
        return false;
    }
    const Handle thread(started.hThread), process(started.hProcess);
    return true;
}

// The copy's part: deletes the uninstaller's file once its process has ended, then its
// folder when that is empty. The copy itself stays in the temporary folder, marked
// for deletion at the next start of the system.
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
    RemoveDirectoryA(folder);
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
    std::memcpy(folder, self, FolderLength(self));
    Concat(listPath, folder, "Unini.dat");
    const FileBytes list(listPath);
    if (!list.Get()) {
        char message[kPathSize + 64];
        Concat(message, "找不到卸载信息文件 ", listPath);
        MessageBoxA(nullptr, message, kCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (MessageBoxA(nullptr, "是否卸载" PRODUCT_NAME "?", kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    {
        const shell::ComInitialization com;
        RemoveShortcuts(folder);
    }
    LeftFiles left;
    RemoveListedFiles(list.Get(), self, folder, left);
    DeleteFileA(listPath);
    char made[kPathSize];
    for (const char* name : {"data\\day", "data"}) {
        if (Concat(made, folder, name))
            RemoveDirectoryA(made); // only when empty
    }
    if (!StartFinishingCopy(self)) {
        // No copy: the system removes the program and its folder, when empty, at its next start.
        MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        folder[std::strlen(folder) - 1] = '\0';
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (left.Empty())
        MessageBoxA(nullptr, PRODUCT_NAME "已成功卸载。", kCaption, MB_OK | MB_ICONINFORMATION);
    else
        MessageBoxA(nullptr, left.Text(), kCaption, MB_OK | MB_ICONWARNING);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc == 4 && std::strcmp(__argv[1], kFinishSwitch) == 0) {
        const UINT_PTR handle = std::strtoul(__argv[2], nullptr, 10);
        return FinishRemoval(reinterpret_cast<HANDLE>(handle), __argv[3]);
    }
    return Uninstall();
}
