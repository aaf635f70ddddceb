// The signed Setup.exe installs as the unsigned one does. Signing appends a certificate
// table to the file and points the header at it; the program, its resources and the
// payload in them must not notice. The file is the one tools/reproducibility-check.sh
// signed with a throw-away certificate and verified.
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class SignedSetup : public CleanDesktopTest {};

} // namespace

TEST_F(SignedSetup, InstallsEveryFileThroughToTheFinishPage) {
    const std::string target = dir / "Quenvale";
    SetupProcess setup(SIGNED_SETUP_EXE, "");
    HWND progress = GoToProgressPage(setup, target);
    ASSERT_NE(progress, nullptr);
    Click(ChildWithText(progress, "安装"));
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    ASSERT_NE(finish, nullptr);
    Screenshot("signed-finish");
    ExpectCompleteInstallation(target);
    // Nothing is left open behind the test.
    SetChecked(ChildWithText(finish, "运行Marluxa"), false);
    SetChecked(ChildWithText(finish, "我要阅读说明文件"), false);
    Click(ChildWithText(finish, "完成"));
    EXPECT_TRUE(setup.WaitForExit(20000));
}
