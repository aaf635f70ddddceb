// Without the desktop's shell to ask (the user ended it), the installer, an
// administrator's program, opens nothing itself: one box says what it could not open and
// how to open it instead.
//
// Wine's desktop shell registers itself with Wine's COM service (rpcss) when it starts.
// Ending that service makes COM forget the registration: the service starts again on
// the next COM call, the shell does not register again, and a program that asks COM for
// the desktop's shell is told there is none, as on Windows once explorer.exe has ended.
// (Ending the shell's own process would take the virtual desktop's window with it.)
// The session's Wine server is restarted after this program (restart-wine-after.sh),
// so the tests after it find the shell again.
#include "runtime/FileSystem.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

using namespace e2e;
using testing_support::FileContent;

namespace {

const char* const kTitle = "Marluxa安装程序";
const char* const kSite = "http://www.example.com/marluxa";

void EndComServiceAndWithItTheShellsRegistration() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    int ended = 0;
    for (BOOL more = Process32First(snapshot, &process); more; more = Process32Next(snapshot, &process)) {
        if (lstrcmpiA(process.szExeFile, "rpcss.exe") != 0)
            continue;
        HANDLE service = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.th32ProcessID);
        ended +=
            service && TerminateProcess(service, 1) && WaitForSingleObject(service, 5000) == WAIT_OBJECT_0;
        if (service)
            CloseHandle(service);
    }
    CloseHandle(snapshot);
    ASSERT_EQ(ended, 1);
}

class NoDesktopShell : public SetupTest {
  protected:
    void SetUp() override {
        SetupTest::SetUp();
        const char* log = std::getenv("SETUP_URL_LOG_WINE");
        ASSERT_NE(log, nullptr) << "run through ctest, which puts the recording URL opener on the PATH";
        urlLog = log;
        rt::RemoveFile(urlLog);
    }

    // The box that says what could not be opened: one, the program's own, with its icon.
    std::string ToldInOneBox(const std::string& screenshot) {
        const MessageBoxSeen box = WaitForMessageBox(setup.Id(), 5000);
        EXPECT_NE(box.window, nullptr) << screenshot;
        if (!box.window)
            return "";
        Screenshot(screenshot);
        EXPECT_EQ(MessageBoxCount(setup.Id()), 1);
        EXPECT_EQ(box.caption, kTitle);
        EXPECT_TRUE(box.hasIcon);
        Answer(box, IDOK);
        return box.text;
    }

    std::string urlLog;
};

} // namespace

// One program throughout: the virtual desktop stays in use, so that Wine does not end it
// between two programs.
TEST_F(NoDesktopShell, NothingIsOpenedAndOneBoxSaysHowToOpenItInstead) {
    const std::string target = dir / "Quenvale";
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    ASSERT_NE(agreement, nullptr);
    EndComServiceAndWithItTheShellsRegistration();

    Click(ChildWithText(agreement, "版本 V2.X")); // the banner's site link
    const std::string banner = ToldInOneBox("no-desktop-shell-banner");
    EXPECT_NE(banner.find(kSite), std::string::npos) << banner;
    EXPECT_EQ(banner.find("readme.txt"), std::string::npos) << banner; // only what failed
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Agreement), agreement);

    Click(ChildWithText(agreement, "同意  >"));
    HWND directory = WaitForPage(setup.Id(), Page::Directory);
    ASSERT_NE(directory, nullptr);
    Type(ChildOfClass(directory, "Edit"), target);
    Click(ChildWithText(directory, "下一步  >"));
    Click(ChildWithText(WaitForPage(setup.Id(), Page::Progress), "安装"));
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    ASSERT_NE(finish, nullptr);
    SetChecked(ChildWithText(finish, "去软件官方网站看看"), true); // all three ticked
    Click(ChildWithText(finish, "完成"));
    const std::string finished = ToldInOneBox("no-desktop-shell-finish");
    for (const std::string& told : {std::string("“开始”菜单"), std::string("桌面上的Marluxa快捷方式"),
                                    "安装目录 " + target + " 中的 readme.txt", std::string(kSite)})
        EXPECT_NE(finished.find(told), std::string::npos) << told << "\n" << finished;
    EXPECT_TRUE(setup.WaitForExit(10000));

    // Nothing was opened, by the desktop's shell or by the installer: no address reached
    // the browser launcher, no program or read-me window came, no process was started.
    EXPECT_EQ(WaitForWindow("QuenvaleSample", nullptr, 2000), nullptr);
    EXPECT_EQ(WaitForWindow("Notepad", nullptr, 100), nullptr);
    EXPECT_EQ(FileContent(urlLog), "<missing>");
    EXPECT_TRUE(ChildProcesses(setup.Id()).empty());
}
