// The start-up floor with the work the installer must do before its first form: COM
// initialised on the thread and the common controls loaded from the system folder and
// initialised, then the sample's one window: sample/Quenvale.cpp itself, its entry point
// renamed, so that both floors show the very same window.
#include "framework/Controls.h"
#include "shell/ComPtr.h"

#define WinMain OneWindowMain
#include "sample/Quenvale.cpp"
#undef WinMain

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    shell::ComInitialization com;
    framework::InitializeCommonControls();
    return OneWindowMain(instance, previous, command, show);
}
