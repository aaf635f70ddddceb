// Start-up: confine the DLL search, initialise COM and the framework, create the five
// forms in order (each running its creation handler), run the message loop.
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/SystemLibraries.h"
#include "shell/ComPtr.h"
#include "shell/untlink.h"
#include "wizard/untInstall01.h"
#include "wizard/untInstall02.h"
#include "wizard/untInstall03.h"
#include "wizard/untInstall04.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    framework::ConfineDllSearchToSystemFolder();
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
