// Start-up: turn on the system's walls around the process, confine the DLL search and preload
// what the system loads by name, initialise COM and secure it (before any window, and before
// anything crosses to the desktop's shell; a refusal ends the program with the default error
// report), then the framework, build the wizard (its four pages in order) and run it.
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/ProcessMitigations.h"
#include "framework/SystemLibraries.h"
#include "payload/ProductInfo.h"
#include "shell/ComPtr.h"
#include "shell/ComSecurity.h"
#include "wizard/Wizard.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    framework::TurnOnProcessMitigations();
    framework::ConfineDllSearchToSystemFolder();
    framework::PreloadLibrariesLoadedByName();
    shell::ComInitialization com;
    framework::App().SetTitle(SETUP_TITLE);
    if (!framework::App().Dispatch(shell::SecureComForThisProcess))
        return 1;
    framework::InitializeCommonControls();
    framework::App().Initialize(instance);
    wizard::Wizard wizard;
    wizard.Run();
    return 0;
}
