// End-to-end tests: Setup.exe used as a person would, then the disk checked.
#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "shell/ComPtr.h"
#include "shell/ShellServices.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/ShellLinks.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <oleacc.h>

using namespace e2e;
using testing_support::FileContent;
using testing_support::PutFile;
using testing_support::ReadLink;

namespace {

const char* const kTitle = "Marluxa安装程序";

class Wizard : public SetupTest {
  protected:
    HWND GoToProgressPage(const std::string& folder) {
        HWND progress = e2e::GoToProgressPage(setup, folder);
        EXPECT_NE(progress, nullptr);
        return progress;
    }
};

} // namespace

TEST_F(Wizard, TheWholeRoadWithTheDefaultChoices) {
    const std::string target = dir / "Quenvale";
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    ASSERT_NE(agreement, nullptr);
    EXPECT_EQ(TextOf(agreement), kTitle);
    RECT frame, client;
    GetWindowRect(agreement, &frame);
    GetClientRect(agreement, &client);
    EXPECT_EQ(client.right, 489);
    EXPECT_EQ(client.bottom, 325);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1); // centred

    Screenshot("road-1-agreement");
    Click(ChildWithText(agreement, "同意  >"));
    HWND directory = WaitForPage(setup.Id(), Page::Directory);
    ASSERT_NE(directory, nullptr);
    Type(ChildOfClass(directory, "Edit"), target);
    Screenshot("road-2-directory");
    Click(ChildWithText(directory, "下一步  >"));
    HWND progress = WaitForPage(setup.Id(), Page::Progress);
    ASSERT_NE(progress, nullptr);
    HWND desktopBox = ChildWithText(progress, "在桌面创建快捷方式");
    ASSERT_NE(desktopBox, nullptr);
    EXPECT_TRUE(Checked(desktopBox));
    EXPECT_FALSE(IsWindowVisible(ChildOfClass(progress, "SysAnimate32"))); // not made before the run
    Screenshot("road-3-ready");
    Click(ChildWithText(progress, "安装"));
    HWND bar = ChildOfClass(progress, PROGRESS_CLASSA);
    for (int i = 0; i < 2000 && SendMessageA(bar, PBM_GETPOS, 0, 0) < 400; ++i)
        Sleep(10);
    EXPECT_TRUE(IsWindowVisible(ChildOfClass(progress, "SysAnimate32")));
    EXPECT_FALSE(IsWindowEnabled(ChildWithText(progress, "安装")));
    EXPECT_FALSE(IsWindowEnabled(ChildWithText(progress, "<  上一步")));
    Screenshot("road-3-installing");
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    ASSERT_NE(finish, nullptr);
    Screenshot("road-4-finish");
    EXPECT_FALSE(Checked(ChildWithText(finish, "去软件官方网站看看")));
    EXPECT_TRUE(Checked(ChildWithText(finish, "运行Marluxa")));
    EXPECT_TRUE(Checked(ChildWithText(finish, "我要阅读说明文件")));

    ExpectCompleteInstallation(target);
    EXPECT_EQ(ReadLink(ProductFolder() + "\\软件说明文件.lnk").path, target + "\\readme.txt");
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa卸载.lnk").path, target + "\\UnInstall.exe");
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa.lnk").path, target + "\\Quenvale.exe");
    EXPECT_EQ(ReadLink(DesktopLink()).path, target + "\\Quenvale.exe");
    EXPECT_EQ(ReadLink(DesktopLink()).workingDirectory, target + "\\");

    Click(ChildWithText(finish, "完成"));
    EXPECT_TRUE(setup.WaitForExit(20000));
    // The installed program and the read-me were opened, by the desktop's shell: as the
    // desktop's user, not with the installer's rights.
    HWND program = WaitForWindow("QuenvaleSample", "Marluxa", 20000);
    EXPECT_NE(program, nullptr);
    if (program) {
        EXPECT_EQ(CurrentFolderOf(program), target + "\\"); // where it finds its data
        EXPECT_EQ(rt::FoldCase(ParentProgramOf(program)), "explorer.exe");
        PostMessageA(program, WM_CLOSE, 0, 0);
    }
    HWND readme = WaitForWindow("Notepad", nullptr, 20000);
    EXPECT_NE(readme, nullptr);
    if (readme) {
        EXPECT_EQ(rt::FoldCase(ParentProgramOf(readme)), "explorer.exe");
        PostMessageA(readme, WM_CLOSE, 0, 0);
    }
}

TEST_F(Wizard, DisagreeingTouchesNothing) {
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    ASSERT_NE(agreement, nullptr);
    const std::string defaultFolder = shell::DefaultInstallFolder(shell::SystemDriveLetter());
    const bool existedBefore = rt::DirectoryExists(defaultFolder);
    Click(ChildWithText(agreement, "不同意"));
    EXPECT_TRUE(setup.WaitForExit(10000));
    EXPECT_EQ(rt::DirectoryExists(defaultFolder), existedBefore);
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
}

TEST_F(Wizard, ABlankFolderIsRefusedAndBackAndForthKeepsWhatWasTyped) {
    HWND directory = GoToDirectoryPage(setup);
    ASSERT_NE(directory, nullptr);
    HWND edit = ChildOfClass(directory, "Edit");
    EXPECT_EQ(TextOf(edit), shell::DefaultInstallFolder(shell::SystemDriveLetter()));
    Type(edit, "   ");
    PressEnter(edit); // Enter answers with the default button, "下一步  >"
    const MessageBoxSeen blank = WaitForMessageBox(setup.Id());
    ASSERT_NE(blank.window, nullptr);
    EXPECT_EQ(blank.caption, "错误提示");
    EXPECT_EQ(blank.text, "请选择安装目录");
    EXPECT_EQ(blank.owner, directory);
    Screenshot("blank-folder");
    Answer(blank, IDOK);
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Directory), directory);

    Type(edit, " D:\\My Stocks ");
    Click(ChildWithText(directory, "<  上一步"));
    ASSERT_EQ(GoToDirectoryPage(setup), directory); // the same page, as it was left
    EXPECT_EQ(TextOf(edit), " D:\\My Stocks ");
    Click(ChildWithText(directory, "取消"));
    EXPECT_TRUE(setup.WaitForExit(10000));
}

// Refused on the directory page, nothing made, the text kept to be mended: a folder the
// uninstall list cannot name in the system's code page (Korean letters are in none of the
// code pages the tests run at: 936, 1252, 932), and a part ending in a blank, which the
// system would drop when making the folder but not when writing into it.
TEST_F(Wizard, AFolderTheSystemCodePageCannotNameIsRefusedBeforeAnythingIsWritten) {
    HWND directory = GoToDirectoryPage(setup);
    ASSERT_NE(directory, nullptr);
    const struct {
        std::string made, target, text, screenshot;
    } cases[] = {
        {dir / "한글", dir / "한글\\Quenvale",
         "安装目录的名称中有本计算机的语言设置（非 Unicode 程序的语言）无法表示的字符，"
         "卸载程序将无法找到安装的文件。\n\n请选择其他目录。",
         "folder-not-in-code-page"},
        {dir / "Quenvale ", dir / "Quenvale \\x",
         "安装目录中的文件夹名称不能以空格或句点结尾：“Quenvale ”。\n\n请修改安装目录。",
         "folder-part-ending-in-blank"},
    };
    for (const auto& c : cases) {
        Type(ChildOfClass(directory, "Edit"), c.target);
        Click(ChildWithText(directory, "下一步  >"));
        const MessageBoxSeen refused = WaitForMessageBox(setup.Id());
        ASSERT_NE(refused.window, nullptr);
        EXPECT_EQ(refused.caption, kTitle);
        EXPECT_EQ(refused.text, c.text);
        Screenshot(c.screenshot);
        Answer(refused, IDOK);
        EXPECT_EQ(WaitForPage(setup.Id(), Page::Directory), directory);
        EXPECT_EQ(TextOf(ChildOfClass(directory, "Edit")), c.target);
        EXPECT_FALSE(rt::DirectoryExists(c.made));
    }
}

// In code page 936 the second byte of "淺" is "\", which no path may split at.
TEST_F(Wizard, AChineseFolderNameIsTheOneInstalledInto) {
    const std::string parent = dir / "软件";
    const std::string target = parent + "\\淺";
    HWND progress = GoToProgressPage(target);
    ASSERT_NE(progress, nullptr);
    Click(ChildWithText(progress, "安装"));
    ASSERT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
    const auto entries = testing_support::ListFolder(parent); // and no folder beside it
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "淺");
    EXPECT_EQ(ReadLink(DesktopLink()).path, target + "\\Quenvale.exe");
}

TEST_F(Wizard, CancelConfirmedBeforeTheFirstDailyFileRemovesTheNewFolder) {
    const std::string target = dir / "new\\Quenvale";
    HWND progress = GoToProgressPage(target);
    Click(ChildWithText(progress, "取消")); // only remembered before the run
    Sleep(200);
    EXPECT_EQ(VisiblePage(setup.Id()), Page::Progress);
    Click(ChildWithText(progress, "安装"));
    const MessageBoxSeen question = WaitForMessageBox(setup.Id());
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.caption, "安装提示");
    EXPECT_EQ(question.text, "是否真的结束安装?");
    EXPECT_EQ(question.owner, progress);
    EXPECT_EQ(question.buttons, 2);
    Screenshot("cancel-question");
    Answer(question, IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_FALSE(rt::DirectoryExists(dir / "new"));
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
}

TEST_F(Wizard, CancelIntoAFolderOfTheUsersKeepsEveryOneOfTheirFiles) {
    const std::string target = dir / "Documents";
    rt::ForceDirectories(target + "\\data\\day");
    PutFile(target + "\\letter.txt", "my letter");
    PutFile(target + "\\data\\day\\mine.day", "my quotes");
    HWND progress = GoToProgressPage(target);
    Click(ChildWithText(progress, "取消"));
    Click(ChildWithText(progress, "安装"));
    const MessageBoxSeen question = WaitForMessageBox(setup.Id());
    ASSERT_NE(question.window, nullptr);
    Answer(question, IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(FileContent(target + "\\letter.txt"), "my letter");
    EXPECT_EQ(FileContent(target + "\\data\\day\\mine.day"), "my quotes");
    EXPECT_FALSE(rt::FileExists(target + "\\Quenvale.exe"));
    EXPECT_FALSE(rt::FileExists(target + "\\count1.dat"));
}

TEST_F(Wizard, CancelDeclinedGoesOnWithoutTheDesktopShortcut) {
    const std::string target = dir / "Quenvale";
    HWND progress = GoToProgressPage(target);
    SetChecked(ChildWithText(progress, "在桌面创建快捷方式"), false);
    Click(ChildWithText(progress, "取消"));
    Click(ChildWithText(progress, "安装"));
    const MessageBoxSeen question = WaitForMessageBox(setup.Id());
    ASSERT_NE(question.window, nullptr);
    Answer(question, IDCANCEL);
    ASSERT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa.lnk").path, target + "\\Quenvale.exe");
    EXPECT_FALSE(rt::FileExists(DesktopLink()));
}

TEST_F(Wizard, AFolderThatCannotBeCreatedIsReported) {
    HWND progress = GoToProgressPage("Quenvale");
    Click(ChildWithText(progress, "安装"));
    const MessageBoxSeen failure = WaitForMessageBox(setup.Id());
    ASSERT_NE(failure.window, nullptr);
    EXPECT_EQ(failure.caption, "信息");
    EXPECT_EQ(failure.text, "创建安装目录失败!");
    EXPECT_FALSE(failure.hasIcon);
    Screenshot("folder-failure");
    Answer(failure, IDOK);
    // The stopped state: "取消" asks, and OK ends the program.
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Progress), progress);
    EXPECT_FALSE(IsWindowEnabled(ChildWithText(progress, "安装")));
    Click(ChildWithText(progress, "取消"));
    const MessageBoxSeen question = WaitForMessageBox(setup.Id());
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.text, "是否真的结束安装?");
    Answer(question, IDOK);
    EXPECT_TRUE(setup.WaitForExit(10000));
}

TEST_F(Wizard, AShortcutFailureShowsTheErrorReportAndKeepsTheFiles) {
    const std::string target = dir / "Quenvale";
    PutFile(ProductFolder(), "a file where the product folder goes");
    HWND progress = GoToProgressPage(target);
    Click(ChildWithText(progress, "安装"));
    const MessageBoxSeen error = WaitForMessageBox(setup.Id(), 120000);
    ASSERT_NE(error.window, nullptr);
    EXPECT_EQ(error.caption, kTitle);
    EXPECT_EQ(error.text, "I/O error 183.");
    EXPECT_TRUE(error.hasIcon);
    EXPECT_FALSE(IsWindowEnabled(progress)); // every window disabled while the box is up
    Screenshot("error-report");
    Answer(error, IDOK);
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Progress), progress);
    EXPECT_TRUE(IsWindowEnabled(progress));
    EXPECT_TRUE(rt::FileExists(target + "\\Unini.dat"));
    EXPECT_TRUE(rt::FileExists(target + "\\data\\day\\999999.day"));
}

TEST_F(Wizard, TheBannerOpensTheProductWebSite) {
    const char* log = std::getenv("SETUP_URL_LOG_WINE");
    ASSERT_NE(log, nullptr);
    rt::RemoveFile(log);
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    ASSERT_NE(agreement, nullptr);
    Click(ChildWithText(agreement, "版本 V2.X"));
    std::string recorded;
    for (int i = 0; i < 200 && (recorded.empty() || recorded == "<missing>"); ++i) {
        Sleep(50);
        recorded = FileContent(log);
    }
    EXPECT_EQ(recorded, "http://www.example.com/marluxa\n");
    EXPECT_EQ(VisiblePage(setup.Id()), Page::Agreement);
}

namespace {

// The captions of the page's tab stops, in the order the Tab key visits them.
std::vector<std::string> TabOrder(HWND page, HWND first) {
    std::vector<std::string> order;
    HWND control = first;
    do {
        order.push_back(TextOf(control));
        control = GetNextDlgTabItem(page, control, FALSE);
    } while (control && control != first && order.size() < 10);
    return order;
}

} // namespace

TEST_F(Wizard, TheTabKeyVisitsEachPagesControlsInOrder) {
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    ASSERT_NE(agreement, nullptr);
    HWND memo = ChildOfClass(agreement, "Edit");
    EXPECT_EQ(TabOrder(agreement, memo), (std::vector<std::string>{TextOf(memo), "同意  >", "不同意"}));
    Click(ChildWithText(agreement, "同意  >"));
    HWND directory = WaitForPage(setup.Id(), Page::Directory);
    ASSERT_NE(directory, nullptr);
    HWND edit = ChildOfClass(directory, "Edit");
    EXPECT_EQ(TabOrder(directory, edit),
              (std::vector<std::string>{TextOf(edit), "下一步  >", "取消", "<  上一步"}));
    Click(ChildWithText(directory, "下一步  >"));
    HWND progress = WaitForPage(setup.Id(), Page::Progress);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(TabOrder(progress, ChildWithText(progress, "在桌面创建快捷方式")),
              (std::vector<std::string>{"在桌面创建快捷方式", "取消", "安装", "<  上一步"}));
    PostMessageA(progress, WM_CLOSE, 0, 0); // ready: the close box ends the program
    EXPECT_TRUE(setup.WaitForExit(10000));
}

TEST_F(Wizard, ClosingTheProgressPageDuringTheRunHidesItAndTheRunGoesOn) {
    const std::string target = dir / "Quenvale";
    HWND progress = GoToProgressPage(target);
    Click(ChildWithText(progress, "安装"));
    Sleep(300);
    PostMessageA(progress, WM_CLOSE, 0, 0);
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    ASSERT_NE(finish, nullptr);
    EXPECT_FALSE(IsWindowVisible(progress));
    ExpectCompleteInstallation(target);
    PostMessageA(finish, WM_CLOSE, 0, 0); // ends the program without opening anything
    EXPECT_TRUE(setup.WaitForExit(10000));
    EXPECT_EQ(FindWindowA("QuenvaleSample", "Marluxa"), nullptr);
}

TEST_F(Wizard, ClosingTheDirectoryPageEndsTheProgram) {
    HWND directory = GoToDirectoryPage(setup);
    ASSERT_NE(directory, nullptr);
    PostMessageA(directory, WM_CLOSE, 0, 0);
    EXPECT_TRUE(setup.WaitForExit(10000));
}

TEST_F(Wizard, CancellingTheFolderChooserKeepsTheFieldAndSaysSo) {
    HWND directory = GoToDirectoryPage(setup);
    ASSERT_NE(directory, nullptr);
    HWND edit = ChildOfClass(directory, "Edit");
    Type(edit, "E:\\typed by hand");
    Click(ChildWithText(directory, "浏览..."));
    const MessageBoxSeen chooser = WaitForMessageBox(setup.Id()); // the chooser is a dialog too
    ASSERT_NE(chooser.window, nullptr);
    EXPECT_EQ(chooser.owner, GetWindow(directory, GW_OWNER)); // the application window
    EXPECT_FALSE(IsWindowEnabled(directory)); // "下一步" cannot start the run inside the chooser
    Screenshot("folder-chooser");
    Answer(chooser, IDCANCEL);
    Sleep(300);
    const MessageBoxSeen told = WaitForMessageBox(setup.Id());
    ASSERT_NE(told.window, nullptr);
    EXPECT_EQ(told.caption, "错误提示");
    EXPECT_EQ(told.text, "您将采用默认目录安装程序");
    EXPECT_EQ(told.owner, directory);
    Answer(told, IDOK);
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Directory), directory);
    EXPECT_EQ(TextOf(edit), "E:\\typed by hand");
    EXPECT_TRUE(IsWindowEnabled(directory));
}

TEST_F(Wizard, AFolderChosenFillsTheFieldAndTheFocusComesBack) {
    HWND directory = GoToDirectoryPage(setup);
    ASSERT_NE(directory, nullptr);
    HWND edit = ChildOfClass(directory, "Edit");
    HWND focus = FocusOf(directory);
    ASSERT_TRUE(focus == directory || IsChild(directory, focus));
    Click(ChildWithText(directory, "浏览..."));
    const MessageBoxSeen chooser = WaitForMessageBox(setup.Id());
    ASSERT_NE(chooser.window, nullptr);
    EXPECT_FALSE(IsWindowEnabled(directory));
    Answer(chooser, IDOK); // the chooser's first selection, a folder of the file system
    EXPECT_TRUE(WaitUntil(5000, [&] { return IsWindowEnabled(directory) && FocusOf(directory) == focus; }));
    EXPECT_EQ(MessageBoxCount(setup.Id()), 0);
    EXPECT_NE(TextOf(edit), shell::DefaultInstallFolder(shell::SystemDriveLetter()));
}

namespace {

// The name a screen reader says for a control, read through the system's accessibility
// objects as a screen reader reads it.
std::string AccessibleNameOf(HWND control) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))))
        return "";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text;
    if (accessible->get_accName(self, &name) == S_OK && name)
        text = os::Narrowed(name);
    SysFreeString(name);
    accessible->Release();
    return text;
}

// The role a screen reader announces (an MSAA ROLE_SYSTEM_* value), or -1.
long AccessibleRoleOf(HWND control) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))))
        return -1;
    VARIANT self, role;
    VariantInit(&self);
    VariantInit(&role);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    long value = -1;
    if (accessible->get_accRole(self, &role) == S_OK && role.vt == VT_I4)
        value = role.lVal;
    accessible->Release();
    return value;
}

} // namespace

// Every control of every page has a name for a screen reader: buttons, check boxes and
// labels their captions, the folder field and the agreement what they hold, the banner's
// pictures what a click on them does, the progress bar what it shows. The controls of the installer's own
// drawing say what they are: the banner's pictures links, the folder chooser's button a push button, the
// panels groups (Wine's standard objects call every other control a client area; Windows' name them).
TEST_F(Wizard, EveryControlHasAnAccessibleName) {
    const auto expectNames = [](HWND page) {
        ASSERT_NE(page, nullptr);
        for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char windowClass[64] = {};
            GetClassNameA(child, windowClass, sizeof windowClass);
            if (!IsWindowVisible(child))
                continue;
            if (std::string(windowClass) == "Static" && TextOf(child).empty())
                continue; // the progress page's current file, named by what the run writes into it
            EXPECT_NE(AccessibleNameOf(child), "") << windowClass << " " << TextOf(child);
        }
        EXPECT_EQ(AccessibleNameOf(ChildOfClass(page, "SetupPainted", 1)),
                  "访问 Marluxa 网站 http://www.example.com/marluxa");
    };
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    expectNames(agreement);
    EXPECT_EQ(AccessibleNameOf(ChildOfClass(agreement, "Edit")), "Marluxa用户协议"); // not its text
    EXPECT_EQ(AccessibleRoleOf(ChildOfClass(agreement, "Edit")), ROLE_SYSTEM_TEXT);
    HWND directory = GoToDirectoryPage(setup);
    expectNames(directory);
    EXPECT_EQ(AccessibleRoleOf(ChildOfClass(directory, "SetupSpeedButton")), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(AccessibleNameOf(ChildOfClass(directory, "SetupSpeedButton")), "浏览...");
    EXPECT_EQ(AccessibleNameOf(ChildOfClass(directory, "Edit")), "安装目录");
    Type(ChildOfClass(directory, "Edit"), dir / "Quenvale");
    Click(ChildWithText(directory, "下一步  >"));
    HWND progress = WaitForPage(setup.Id(), Page::Progress);
    expectNames(progress);
    EXPECT_EQ(AccessibleNameOf(ChildOfClass(progress, PROGRESS_CLASSA)), "安装进度");
    Click(ChildWithText(progress, "安装"));
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    expectNames(finish);
    SetChecked(ChildWithText(finish, "运行Marluxa"), false);
    SetChecked(ChildWithText(finish, "我要阅读说明文件"), false);
    Click(ChildWithText(finish, "完成"));
    EXPECT_TRUE(setup.WaitForExit(20000));
}
