// Start-up: confine the DLL search, initialise COM and the framework, create the five
// forms in order (each running its creation handler), run the message loop.
#include "framework/Application.h"
#include "framework/Controls.h"
#include "shell/ComPtr.h"
#include "shell/untlink.h"
#include "wizard/untInstall01.h"
#include "wizard/untInstall02.h"
#include "wizard/untInstall03.h"
#include "wizard/untInstall04.h"

#include <windows.h>

namespace {

// The installer is often started from a downloads folder: no DLL is to be loaded from
// the program's own folder or the current one. Where the system offers it, the search
// is confined to the system folder; elsewhere the current folder is taken out of it.
void ConfineDllSearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    const DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault)
        setDefault(kSearchSystem32);
    SetDllDirectoryA("");
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ConfineDllSearchToSystemFolder();
    shell::ComInitialization com;
    framework::InitializeCommonControls();
    framework::App().Initialize(instance);

    TfrmInstall01 agreement;
    frmInstall01 = &agreement;
    TfrmInstall02 directory;
    frmInstall02 = &directory;
    TfrmInstall03 progress;
    frmInstall03 = &progress;
    TfrmInstall04 finish;
    frmInstall04 = &finish;
    TfrmLink link;
    frmLink = &link;

    framework::App().SetCloseRequestHandler([&progress] { progress.ApplicationCloseRequested(); });
    framework::App().Run(agreement);
    return 0;
}
