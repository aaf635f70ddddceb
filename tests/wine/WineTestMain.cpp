// Entry of the Wine-only test programs that need what start-up provides: COM on this
// thread, the application window and the common controls.
#include "framework/Application.h"
#include "framework/Controls.h"
#include "shell/ComPtr.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    shell::ComInitialization com;
    framework::InitializeCommonControls();
    framework::App().Initialize(GetModuleHandleA(nullptr));
    return RUN_ALL_TESTS();
}
