// An installation undone: Setup.exe installs, then "Marluxa卸载" is started through its
// Programs link as the user starts it, and the disk is compared with what it was,
// entry for entry, once the uninstaller and the copy it leaves behind have ended.
#include "engine/RunChanges.h"
#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "shell/Shortcuts.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/HostPrograms.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

using namespace e2e;
using testing_support::DescribeFile;
using testing_support::FileContent;
using testing_support::HostPath;
using testing_support::PutFile;

namespace {

const char* const kCaption = "Marluxa卸载";

// Whether Everyone may write to the file or folder, as the system reads its access list
// back (under Wine, from the Unix permissions).
bool EveryoneMayWrite(const std::string& path) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(os::Widened(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    bool mayWrite = false;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(list, i, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&ace->SidStart, everyone))
            mayWrite = mayWrite || (ace->Mask & FILE_WRITE_DATA);
    }
    LocalFree(descriptor);
    return mayWrite;
}

class RoundTrip : public CleanDesktopTest {
  protected:
    void TearDown() override {
        rt::RemoveFile(UsersFileOnTheMenu());
        CleanDesktopTest::TearDown();
    }

    static std::string UsersFileOnTheMenu() { return ProductFolder() + "\\my notes.txt"; }

    // The test's folder, the Programs menu and the desktop link, by full path.
    Snapshot Everything() const {
        Snapshot all;
        for (const std::string& folder : {dir.Path() + "\\", rt::FolderPart(ProductFolder())}) {
            for (const auto& entry : TakeSnapshot(folder))
                all[folder + entry.first] = entry.second;
        }
        all[DesktopLink()] = DescribeFile(DesktopLink());
        return all;
    }

    // Installs with the desktop link and leaves the finish page without opening anything.
    void Install() { InstallInto(target); }
    void InstallInto(const std::string& folder) {
        SetupProcess setup;
        HWND progress = GoToProgressPage(setup, folder);
        ASSERT_NE(progress, nullptr);
        Click(ChildWithText(progress, "安装"));
        HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
        ASSERT_NE(finish, nullptr);
        SetChecked(ChildWithText(finish, "运行Marluxa"), false);
        SetChecked(ChildWithText(finish, "我要阅读说明文件"), false);
        Click(ChildWithText(finish, "完成"));
        ASSERT_TRUE(setup.WaitForExit(20000));
    }

    // Opens the Programs link "Marluxa卸载" and answers its question; after a yes, waits
    // for its closing message and closes it. Waits for the uninstaller and, when one is
    // expected, the copy it started to end. Answers the closing message's text ("" after
    // a no). installed is the folder the link leads into; whileTheClosingMessageShows is
    // done once the copy has been looked at, before the message is closed.
    std::string Uninstall(int answer) { return UninstallFrom(target, answer); }
    std::string UninstallFrom(
        const std::string& installed, int answer, bool startsACopy = true,
        const std::function<void()>& whileTheClosingMessageShows = [] {}) {
        ShellExecuteW(nullptr, L"open", os::Widened(ProductFolder() + "\\Marluxa卸载.lnk").c_str(), nullptr,
                      nullptr, SW_SHOWNORMAL);
        DWORD uninstaller = 0;
        GetWindowThreadProcessId(WaitForWindow("#32770", kCaption, 20000), &uninstaller);
        const MessageBoxSeen question = WaitForMessageBox(uninstaller);
        if (!question.window) {
            ADD_FAILURE() << "no question";
            return "";
        }
        EXPECT_EQ(question.text, "是否卸载Marluxa?");
        EXPECT_TRUE(question.hasIcon);
        EXPECT_EQ(question.buttons, 2);
        Screenshot("uninstall-question");
        Answer(question, answer);
        std::string closing;
        std::vector<DWORD> copies;
        std::string copyProgram;
        if (answer == IDYES) {
            EXPECT_TRUE(WaitUntil(5000, [&] { return !IsWindow(question.window); }));
            const MessageBoxSeen done = WaitForMessageBox(uninstaller, 120000);
            EXPECT_EQ(done.caption, kCaption);
            copies = ChildProcesses(uninstaller);
            if (copies.size() == 1 && !ModulesOf(copies[0]).empty()) {
                copyProgram = ModulesOf(copies[0]).front(); // its program file first
                ExpectAPrivateCopy(copyProgram, installed);
            }
            closing = done.text;
            Screenshot("uninstall-done");
            whileTheClosingMessageShows();
            Answer(done, IDOK);
        }
        EXPECT_TRUE(WaitForProcessEnd(uninstaller, 20000));
        if (answer != IDYES)
            copies = ChildProcesses(uninstaller);
        EXPECT_EQ(copies.size(), answer == IDYES && startsACopy ? 1u : 0u);
        for (DWORD copy : copies)
            EXPECT_TRUE(WaitForProcessEnd(copy, 20000));
        if (!copyProgram.empty()) { // left for the next start of the system
            rt::RemoveFile(copyProgram);
            rt::RemoveDir(copyProgram.substr(0, rt::FolderPart(copyProgram).size() - 1));
        }
        return closing;
    }

    // While the closing message shows, the copy lies in a new folder of the system's
    // temporary folder, named by 128 random bits and used by no other run; neither the
    // copy nor its folder, nor the installed UnInstall.exe it was made from, can be
    // renamed or deleted, so that the copy started is the one written, from that program.
    void ExpectAPrivateCopy(const std::string& program, const std::string& installed) const {
        static std::set<std::string> used;
        char windows[MAX_PATH] = {};
        GetSystemWindowsDirectoryA(windows, MAX_PATH);
        const std::string temp = std::string(windows) + "\\Temp\\unm-";
        const std::string folder = program.substr(0, rt::FolderPart(program).size() - 1);
        EXPECT_EQ(lstrcmpiA(folder.substr(0, temp.size()).c_str(), temp.c_str()), 0) << folder;
        const std::string name = folder.substr(std::min(temp.size(), folder.size()));
        EXPECT_EQ(name.size(), 32u) << folder;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos) << folder;
        EXPECT_TRUE(used.insert(name).second) << folder;
        // Renaming or deleting either needs it opened for deletion.
        for (const std::string& held : {program, folder, installed + "\\UnInstall.exe"}) {
            const HANDLE opened = CreateFileW(os::Widened(held).c_str(), DELETE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            EXPECT_EQ(opened, INVALID_HANDLE_VALUE) << held;
            if (opened != INVALID_HANDLE_VALUE)
                CloseHandle(opened);
        }
    }

    const std::string target = dir / "Quenvale";
};

} // namespace

TEST_F(RoundTrip, UninstallingThroughItsLinkLeavesTheDiskAsBeforeTheInstallation) {
    const Snapshot before = Everything();
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_TRUE(rt::FileExists(DesktopLink()));
    EXPECT_EQ(Uninstall(IDYES), "Marluxa已成功卸载。");
    EXPECT_EQ(Everything(), before);
}

// A folder whose name holds characters beyond ASCII that the system's code page can name:
// the uninstall list holds it in that code page, and the uninstaller reads it back.
TEST_F(RoundTrip, AFolderNamedBeyondAsciiIsUninstalledWhole) {
    // In code page 936 the last byte of "淺" is "\\", in 932 that of "ソ".
    const std::string installed = dir / (GetACP() == 932 ? "ソフト" : GetACP() == 1252 ? "Café" : "软件淺");
    const Snapshot before = Everything();
    ASSERT_NO_FATAL_FAILURE(InstallInto(installed));
    ASSERT_TRUE(rt::FileExists(installed + "\\Unini.dat"));
    EXPECT_EQ(UninstallFrom(installed, IDYES), "Marluxa已成功卸载。");
    EXPECT_EQ(Everything(), before);
}

TEST_F(RoundTrip, AnsweringNoTouchesNothing) {
    ASSERT_NO_FATAL_FAILURE(Install());
    const Snapshot installed = Everything();
    EXPECT_EQ(Uninstall(IDNO), "");
    EXPECT_EQ(Everything(), installed);
}

// Files the user added, in the install folder and beside the links, stay with their
// folders; so does a desktop link of the product's name that the user pointed elsewhere.
TEST_F(RoundTrip, WhatTheUserAddedSurvivesWithTheFoldersHoldingIt) {
    const Snapshot before = Everything();
    ASSERT_NO_FATAL_FAILURE(Install());
    PutFile(target + "\\mine.txt", "my notes");
    PutFile(target + "\\data\\mine.dat", "my data");
    PutFile(UsersFileOnTheMenu(), "my notes on the menu");
    PutFile(dir / "elsewhere.exe", "another program");
    // A list that names a file outside the install folder, as an edited list or the
    // list of a copied installation would: that file is not this installation's.
    // The closing message names the first ten such lines and counts them all.
    const std::string list = target + "\\Unini.dat";
    std::string outside, named;
    for (int i = 0; i < 12; ++i) {
        const std::string line =
            i == 0 ? dir / "elsewhere.exe" : dir / ("other" + std::to_string(i) + ".exe");
        outside += line + "\r\n";
        if (i < 10)
            named += "\n" + line;
    }
    PutFile(list, FileContent(list) + "\r\n" + outside);
    rt::RemoveFile(DesktopLink());
    engine::RunJournal journal;
    engine::RunChanges changes(journal);
    shell::CreateDesktopShortcut(dir / "elsewhere.exe", "Marluxa", changes);
    const Snapshot withTheUsers = Everything();

    Snapshot expected = before;
    for (const std::string& kept :
         {target, target + "\\mine.txt", target + "\\data", target + "\\data\\mine.dat", ProductFolder(),
          UsersFileOnTheMenu(), dir / "elsewhere.exe", DesktopLink()})
        expected[kept] = withTheUsers.at(kept);
    EXPECT_EQ(Uninstall(IDYES),
              "Marluxa已卸载，但卸载信息文件列出的以下文件不在安装文件夹内，未删除：" + named + "\n……共12个");
    EXPECT_EQ(Everything(), expected);
}

// The main program still running holds its file: it stays, the closing message names it,
// and everything else goes.
TEST_F(RoundTrip, AFileInUseStaysAndIsNamed) {
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = target + "\\Quenvale.exe";
    HANDLE held = CreateFileW(os::Widened(program).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Uninstall(IDYES), "Marluxa已卸载，但以下文件未能删除，请手动删除：\n" + program);
    CloseHandle(held);
    EXPECT_EQ(TakeSnapshot(target).size(), 1u);
    EXPECT_TRUE(rt::FileExists(program));
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
    EXPECT_FALSE(rt::FileExists(DesktopLink()));
}

// The uninstaller runs as an administrator: an install folder, or a list in it, that
// other users of the computer can change may hold whatever they put there (a list naming
// any file, a link in place of a folder), and a folder above it in which they may rename
// entries lets them move the install folder away and put theirs in its place. It removes
// nothing from such a folder and says so; the links, in the user's own profile and
// pointing into the folder, still go. Under Wine "others can change" is the Unix mode:
// write for all (0777, 0666).
TEST_F(RoundTrip, NothingIsRemovedFromAFolderOthersCanChangeOrMove) {
    const struct {
        const char* installed;  // in the test's folder
        const char* changeable; // in the test's folder
        const char* mode;
    } cases[] = {
        {"folder", "folder", "777"}, {"list", "list\\Unini.dat", "666"}, {"under\\Quenvale", "under", "777"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.changeable);
        const std::string installed = dir / c.installed;
        ASSERT_NO_FATAL_FAILURE(InstallInto(installed));
        const std::string changeable = dir / c.changeable;
        ASSERT_TRUE(RunOnTheHost("/bin/chmod", {c.mode, HostPath(changeable)},
                                 [&] { return EveryoneMayWrite(changeable); }));
        const Snapshot before = TakeSnapshot(installed);
        EXPECT_EQ(UninstallFrom(installed, IDYES, false),
                  "Marluxa未能完全卸载：安装文件夹或其中的卸载信息文件可被本计算机的其他用户更改，"
                  "或者安装文件夹可被他们移走或替换，因此卸载程序没有删除其中的任何内容。"
                  "请检查该文件夹后手动删除：\n" +
                      installed);
        EXPECT_EQ(TakeSnapshot(installed), before);
        EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
        EXPECT_FALSE(rt::FileExists(DesktopLink()));
    }
}

// A link inside the install folder may lead anywhere (here a Unix symbolic link, which
// Wine shows as a junction, to a folder of someone else's): a listed path through it is
// skipped and named, what it leads to stays, and everything else goes.
TEST_F(RoundTrip, AListedPathThroughALinkInTheFolderIsSkipped) {
    const std::string victim = dir / "elsewhere\\precious.txt";
    rt::CreateDir(dir / "elsewhere");
    PutFile(victim, "someone else's");
    const std::string kept = DescribeFile(victim);
    const struct {
        const char* installed; // in the test's folder
        const char* link;      // below the install folder
        const char* holder;    // the folder of the installation's that holds it, if any
    } cases[] = {{"in-the-folder", "link", nullptr}, {"in-a-folder-below", "data\\link", "data"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        const std::string installed = dir / c.installed;
        ASSERT_NO_FATAL_FAILURE(InstallInto(installed));
        const std::string link = installed + "\\" + c.link;
        ASSERT_TRUE(RunOnTheHost("/bin/ln", {"-s", HostPath(dir / "elsewhere"), HostPath(link)}, [&] {
            return (GetFileAttributesW(os::Widened(link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        }));
        const std::string list = installed + "\\Unini.dat";
        const std::string throughTheLink = link + "\\precious.txt";
        PutFile(list, FileContent(list) + throughTheLink + "\r\n");
        EXPECT_EQ(UninstallFrom(installed, IDYES),
                  "Marluxa已卸载，但卸载信息文件列出的以下文件的路径经过安装文件夹内的链接，未删除：\n" +
                      throughTheLink);
        EXPECT_EQ(DescribeFile(victim), kept);
        Snapshot left = {{c.link, "folder"}, {std::string(c.link) + "\\precious.txt", kept}};
        if (c.holder)
            left[c.holder] = "folder";
        EXPECT_EQ(TakeSnapshot(installed), left);
        // The link goes as a link, on the host: what it leads to is the test's own.
        RunOnTheHost("/bin/rm", {HostPath(link)}, [&] { return !rt::DirectoryExists(link); });
    }
}

// The copy deletes UnInstall.exe, and then the folder, through the install folder that the
// uninstaller held and handed down, not through its path: with the folder moved away and
// a link to someone else's folder put in its place before the copy acts (here on the
// host, which Wine's share modes do not stop), what the link leads to stays.
TEST_F(RoundTrip, TheCopyDeletesNothingThroughALinkPutInTheFolderPlace) {
    const std::string victim = dir / "elsewhere\\UnInstall.exe";
    rt::CreateDir(dir / "elsewhere");
    PutFile(victim, "someone else's");
    const std::string kept = DescribeFile(victim);
    ASSERT_NO_FATAL_FAILURE(Install());
    const auto putALinkInThePlace = [&] {
        ASSERT_TRUE(RunOnTheHost("/bin/mv", {HostPath(target), HostPath(dir / "moved")},
                                 [&] { return !rt::DirectoryExists(target); }));
        ASSERT_TRUE(RunOnTheHost("/bin/ln", {"-s", HostPath(dir / "elsewhere"), HostPath(target)}, [&] {
            return (GetFileAttributesW(os::Widened(target).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        }));
    };
    EXPECT_EQ(UninstallFrom(target, IDYES, true, putALinkInThePlace), "Marluxa已成功卸载。");
    EXPECT_EQ(DescribeFile(victim), kept);
    RunOnTheHost("/bin/rm", {HostPath(target)}, [&] { return !rt::DirectoryExists(target); });
}
