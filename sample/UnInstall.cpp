// The sample payload's uninstaller: undoes what Setup.exe installed. It reads the list
// of installed files (Unini.dat) from its own folder, asks once, and removes the
// product's shortcuts that still point into its folder, every listed file inside its
// folder, the data folders and its own folder once they are empty, and the list. Its
// closing message names whatever it left.
//
// It runs as an administrator, so it treats what a standard user could have written as
// that user's input. It reads the list and deletes in its folder only when nobody but
// administrators, the system and the accounts that own what it creates could have
// changed the folder or the list, nor moved the folder or one above it away to put another in its place
// (checked on open handles; the folder and list it keeps until it ends), and it follows
// no link below its folder: every listed file is reached component by component, each
// opened as itself relative to the folder above, and deleted through its own handle. It
// decides that before it removes anything, the links included.
//
// A running program cannot delete its own file, so it copies itself into a new folder of
// the system's temporary folder, under a random name, and starts the copy with
// "/finish <handle> <folder handle> <program>": the copy waits on the inherited process
// handle until this process has ended, deletes the program file relative to the inherited
// install folder's handle and then the folder through it when empty, and has itself
// deleted at the next start of the system.
//
// It calls the system's UTF-16 API throughout, so that its texts and paths are right
// whatever code page the system keeps for other programs. Only Unini.dat is in that code
// page, as the installer writes it; a line it cannot read is acted on in no way.
//
// It must fit in the payload's UnInstall.exe, so it keeps to the system's own calls
// and fixed path buffers: the C++ library's strings alone would make it too large.
#include "payload/ProductInfo.h"
#include "sample/uninstall/FileHandles.h"
#include "sample/uninstall/FinishingCopy.h"
#include "sample/uninstall/InstallFolder.h"
#include "sample/uninstall/ListedFiles.h"
#include "sample/uninstall/Report.h"
#include "sample/uninstall/Shortcuts.h"
#include "shell/ComPtr.h"

#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

#include <cwchar>

namespace {

using namespace uninstall;

// Keeps every later DLL load to the system folder: never the current folder, and, where
// kernel32 exports AddDllDirectory (and so offers the search flags), not this program's
// folder either. Both calls are looked up, so that the program starts without them.
void ConfineDllSearch() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using SetDirectory = BOOL(WINAPI*)(LPCWSTR);
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectory =
        reinterpret_cast<SetDirectory>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
    if (setDirectory)
        setDirectory(L"");
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && GetProcAddress(kernel, "AddDllDirectory"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Makes the system folder this process's current folder. The link that starts it names
// the install folder as the one to start in, and a process holds its current folder open
// without sharing deletion, which would keep it from holding the install folder with the
// right to remove it.
void LeaveTheStartFolder() {
    wchar_t system[kPathSize] = {};
    const UINT length = GetSystemDirectoryW(system, kPathSize);
    if (length > 0 && length < kPathSize)
        SetCurrentDirectoryW(system);
}

// Decides whether nobody but the trusted accounts could have changed the install folder
// or its list, or moved the folder away; asks; then removes the shortcuts and, when so,
// what the list names in the folder; otherwise nothing in the folder, and the closing
// message says why.
int Uninstall() {
    LeaveTheStartFolder();
    wchar_t self[kPathSize] = {};
    wchar_t selfPath[kPathSize] = {}; // canonical, to tell its line in the list
    wchar_t listPath[kPathSize] = {};
    InstallFolder folder;
    // Held from the start until this process ends: the program file can then be neither
    // replaced nor renamed, and the copy is made from these very bytes.
    const Handle selfFile(ProgramPath(self) ? OpenHeld(self) : nullptr);
    Canonical(self, selfPath);
    Handle list(OpenInstallFolder(self, folder) && Concat(listPath, folder.path, kListName) ? OpenList(folder)
                                                                                            : nullptr);
    const bool trusted = OnlyTrustedCanChangeOrMove(folder, list.Get());
    const FileBytes listed(trusted ? list.Get() : nullptr); // what others could write is not read
    if (!list.Get() || (trusted && !listed.Get())) {
        wchar_t message[kPathSize + 64];
        Concat(message, L"找不到卸载信息文件 ", listPath[0] ? listPath : kListName);
        ShowMessage(message, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (ShowMessage(L"是否卸载" PRODUCT_NAME "?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    Report report;
    {
        const shell::ComInitialization com;
        RemoveShortcuts(folder, report);
    }
    wchar_t folderName[kPathSize] = {}; // without its final "\"
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
    if (!StartFinishingCopy(selfFile.Get(), self, folder.handle.Get(), held))
        RemoveAtRestart(self, folderName, report); // no copy to do it
    report.Show();
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ConfineDllSearch(); // before anything else, in the uninstaller and in its copy alike
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const LocalMemory ownedArguments(arguments);
    if (arguments && count == 5 && std::wcscmp(arguments[1], kFinishSwitch) == 0) {
        const UINT_PTR process = std::wcstoul(arguments[2], nullptr, 10);
        const UINT_PTR folder = std::wcstoul(arguments[3], nullptr, 10);
        return FinishRemoval(reinterpret_cast<HANDLE>(process), reinterpret_cast<HANDLE>(folder),
                             arguments[4]);
    }
    return Uninstall();
}
