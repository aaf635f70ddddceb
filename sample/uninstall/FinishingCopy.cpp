#include "sample/uninstall/FinishingCopy.h"

#include "sample/uninstall/FileHandles.h"
#include "sample/uninstall/Paths.h"

#include <sddl.h>

namespace uninstall {
namespace {

// Random bytes in the name of the copy's folder.
constexpr int kRandomBytes = 16;

// kRandomBytes from the system's generator as hex digits; false when it has none.
// RtlGenRandom is looked up only now, after the DLL search was confined: newer systems
// forward it to a DLL that is not among the known ones.
bool RandomName(wchar_t (&name)[2 * kRandomBytes + 1]) {
    using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
    const auto genRandom = reinterpret_cast<GenRandom>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"advapi32.dll"), "SystemFunction036")));
    unsigned char bytes[kRandomBytes];
    if (!genRandom || !genRandom(bytes, sizeof bytes))
        return false;
    for (int i = 0; i < kRandomBytes; ++i)
        wsprintfW(name + 2 * i, L"%02x", bytes[i]);
    return true;
}

// Creates the folder with the security descriptor and opens it, in one step (a folder
// already there fails), shared for everything but deletion: while the handle is open the
// folder can be neither renamed nor deleted, so its path names it. nullptr on failure.
HANDLE CreateHeldFolder(const wchar_t* folder, PSECURITY_DESCRIPTOR descriptor) {
    wchar_t ntPath[kNtPathSize];
    return NtPath(folder, ntPath)
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
bool MakePrivateFolder(wchar_t (&folder)[kPathSize], Handle& held) {
    wchar_t windows[kPathSize] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, kPathSize);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (length == 0 || length > kPathSize - 64 ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const LocalMemory ownedDescriptor(descriptor);
    wchar_t name[2 * kRandomBytes + 1];
    for (int attempt = 0; attempt < 4 && !held.Get() && RandomName(name); ++attempt) {
        wsprintfW(folder, L"%s\\Temp\\unm-%s", windows, name);
        held.Reset(CreateHeldFolder(folder, descriptor));
    }
    return held.Get() != nullptr;
}

// Writes the program's bytes to path, a new file, and opens it again held: from then
// until this process ends it cannot be changed, renamed or deleted. Between the two
// opens only an administrator could reach it, through the folder's access list.
bool WriteHeldCopy(const FileBytes& program, const wchar_t* path, Handle& held) {
    {
        const Handle file(
            CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.Get() || !WriteFile(file.Get(), program.Get(), program.Size(), &written, nullptr) ||
            written != program.Size())
            return false;
    }
    held.Reset(OpenHeld(path));
    return held.Get() != nullptr;
}

// A handle of this process's, duplicated for the copy to inherit, with access (0 with
// DUPLICATE_SAME_ACCESS among the options); nullptr on failure.
HANDLE ForTheCopy(HANDLE source, ACCESS_MASK access, DWORD options) {
    HANDLE duplicate = nullptr;
    return DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &duplicate, access, TRUE,
                           options)
               ? duplicate
               : nullptr;
}

// Starts the copy with the command line that tells it to finish, in its own folder, so
// that it holds no folder of the installation as its current folder; it inherits the
// handle to wait on and the install folder's.
bool StartCopy(const wchar_t* copy, const wchar_t* folder, HANDLE waitable, HANDLE installFolder,
               const wchar_t* self) {
    wchar_t command[3 * kPathSize];
    wsprintfW(command, L"\"%s\" %s %lu %lu \"%s\"", copy, kFinishSwitch,
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(waitable)),
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(installFolder)), self);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(copy, command, nullptr, nullptr, TRUE, 0, nullptr, folder, &startup, &started))
        return false;
    const Handle thread(started.hThread), process(started.hProcess);
    return true;
}

// Whether the file name is in the held folder, as itself (a link is not followed).
bool IsInHeldFolder(HANDLE folder, const wchar_t* name) {
    const Handle file(OpenNt(folder, name, FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                             FILE_OPEN_REPARSE_POINT));
    return file.Get() != nullptr;
}

// Deletes the file name in the held folder through a handle of its own, opened as itself
// relative to the folder's handle: whatever the folder's path names by now (another
// folder, a junction), what goes is the file in the folder held. The system may hold a
// program's file for a moment after its process has ended, so it tries for about five
// seconds. True when the file is gone.
bool DeleteInHeldFolder(HANDLE folder, const wchar_t* name) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Handle file(OpenNt(folder, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT));
        if (file.Get() ? DeleteOpen(file.Get()) : !IsInHeldFolder(folder, name))
            return true;
        Sleep(100);
    }
    return false;
}

} // namespace

bool StartFinishingCopy(HANDLE selfFile, const wchar_t* self, HANDLE installFolder, HeldCopy& held) {
    const FileBytes program(selfFile);
    wchar_t privateFolder[kPathSize] = {};
    wchar_t copy[kPathSize] = {};
    if (!program.Get() || !MakePrivateFolder(privateFolder, held.folder) ||
        !Concat(copy, privateFolder, L"\\unm.exe"))
        return false;
    // What only the copy inherits: a handle to this process, to wait on, and the held
    // install folder, with the same access and no deletion shared, to act in.
    const Handle waitable(ForTheCopy(GetCurrentProcess(), SYNCHRONIZE, 0));
    const Handle folder(ForTheCopy(installFolder, 0, DUPLICATE_SAME_ACCESS));
    if (!waitable.Get() || !folder.Get() || !WriteHeldCopy(program, copy, held.file) ||
        !StartCopy(copy, privateFolder, waitable.Get(), folder.Get(), self)) {
        held.file.Reset(nullptr);
        DeleteFileW(copy);
        held.folder.Reset(nullptr);
        RemoveDirectoryW(privateFolder);
        return false;
    }
    return true;
}

// The copy itself stays in its folder, marked for deletion at the next start of the
// system. When the uninstaller's file stays held, it is marked for that too, and the
// user is told, since the closing message counted it as gone. It acts by path: the
// uninstaller comes here only for a folder that nobody but the trusted accounts can
// change or move away, through itself or a folder above, so nobody else can put a link
// or another file there.
void RemoveAtRestart(const wchar_t* program, const wchar_t* folder, Report& report) {
    report.Add(MoveFileExW(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Report::kAtRestart
                                                                          : Report::kNotDeleted,
               program);
    MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); // only when empty then
}

int FinishRemoval(HANDLE inherited, HANDLE inheritedFolder, const wchar_t* program) {
    const Handle uninstaller(inherited), installFolder(inheritedFolder);
    wchar_t folder[kPathSize] = {};
    if (!installFolder.Get() || !FolderOf(program, folder) ||
        WaitForSingleObject(uninstaller.Get(), INFINITE) != WAIT_OBJECT_0)
        return 1;
    if (DeleteInHeldFolder(installFolder.Get(), program + FolderLength(program))) {
        DeleteOpen(installFolder.Get()); // only when empty; it goes as this copy ends
    } else {
        Report report;
        RemoveAtRestart(program, folder, report);
        report.Show();
    }
    wchar_t self[kPathSize] = {};
    wchar_t privateFolder[kPathSize] = {};
    if (ProgramPath(self) && FolderOf(self, privateFolder)) {
        MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExW(privateFolder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); // after it
    }
    return 0;
}

} // namespace uninstall
