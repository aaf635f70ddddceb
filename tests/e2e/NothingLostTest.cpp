// Every way a run can end, driven through Setup.exe under Wine, as state -> action ->
// state: what the user had under the payload's own names (an earlier installation,
// its links, files of their own) is there afterwards byte for byte, with its
// attributes and time stamps, however the run was left.
#include "runtime/FileSystem.h"
#include "runtime/Text.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace e2e;
using testing_support::PutFile;
using testing_support::SetLastWriteYear;
using testing_support::TempFolder;

namespace {

class NothingLost : public testing::Test {
  protected:
    void SetUp() override { RemoveShortcuts(); }
    void TearDown() override { RemoveShortcuts(); }

    // The test's folder, the Programs menu, and the desktop link with the name its
    // set-aside copy would have (the desktop may be the user's whole home under Wine).
    Snapshot Everything() const {
        Snapshot all;
        for (const std::string& folder : {dir.Path(), rt::FolderPart(ProductFolder())}) {
            for (const auto& entry : TakeSnapshot(folder))
                all[folder + entry.first] = entry.second;
        }
        for (const std::string& link : {DesktopLink(), DesktopLink() + ".bak"})
            all[link] = testing_support::DescribeFile(link);
        return all;
    }

    // A folder of the user's with files under the payload's names, hidden, read-only
    // or old, and one of their own.
    std::string UsersFilesUnderPayloadNames() {
        const std::string folder = dir / "Documents";
        rt::ForceDirectories(folder + "\\data\\day");
        PutFile(folder + "\\readme.txt", "my own readme");
        rt::FileSetAttr(folder + "\\readme.txt", os::kAttrHidden);
        PutFile(folder + "\\update.exe", "my own update");
        SetLastWriteYear(folder + "\\update.exe", 1999);
        PutFile(folder + "\\data\\sda.d", "my data");
        PutFile(folder + "\\data\\day\\000001.day", "my first day");
        PutFile(folder + "\\Unini.dat", "my list\r\n");
        PutFile(folder + "\\letter.txt", "my letter");
        return folder;
    }

    HWND StartInstalling(const std::string& target) {
        HWND progress = GoToProgressPage(setup, target);
        EXPECT_NE(progress, nullptr);
        Click(ChildWithText(progress, "安装"));
        return progress;
    }

    // Waits for the cancel question and answers it.
    void AnswerTheCancelQuestion(int button) {
        const MessageBoxSeen question = WaitForMessageBox(setup.Id(), 120000);
        ASSERT_NE(question.window, nullptr);
        EXPECT_EQ(question.text, "是否真的结束安装?");
        EXPECT_EQ(question.caption, "安装提示");
        Answer(question, button);
    }

    // Waits for the error report, checks its text and closes it.
    void AcknowledgeTheError(const std::string& text) {
        const MessageBoxSeen error = WaitForMessageBox(setup.Id(), 120000);
        ASSERT_NE(error.window, nullptr);
        EXPECT_EQ(error.text, text);
        Answer(error, IDOK);
        for (int i = 0; i < 100 && MessageBoxCount(setup.Id()) > 0; ++i)
            Sleep(20);
    }

    TempFolder dir;
    SetupProcess setup;
};

HANDLE HoldOpen(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

} // namespace

TEST_F(NothingLost, AReinstallCancelledInTheMiddleLeavesTheEarlierInstallationAsItWas) {
    const std::string target = dir / "Quenvale";
    PlantEarlierInstallation(target);
    PutFile(target + "\\letter.txt", "my letter");
    const Snapshot before = Everything();
    HWND progress = StartInstalling(target);
    EXPECT_GE(WaitForBarPosition(progress, 400), 400);
    Click(ChildWithText(progress, "取消"));
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(Everything(), before);
}

TEST_F(NothingLost, TheUsersFilesUnderPayloadNamesSurviveACancelAtTheFirstDailyFile) {
    const std::string target = UsersFilesUnderPayloadNames();
    const Snapshot before = Everything();
    HWND progress = GoToProgressPage(setup, target);
    Click(ChildWithText(progress, "取消")); // remembered, asked at the first daily file
    Click(ChildWithText(progress, "安装"));
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(Everything(), before);
}

// Wine as root ignores the read-only bit when it opens a file; the installer looks at
// the attribute itself, so the file is refused here as on Windows.
TEST_F(NothingLost, AReadOnlyFileUnderAPayloadNameIsRefusedAndTheTaskBarsCloseAbandons) {
    const std::string target = UsersFilesUnderPayloadNames();
    rt::FileSetAttr(target + "\\update.exe", os::kAttrReadOnly);
    const Snapshot before = Everything();
    StartInstalling(target);
    AcknowledgeTheError(CannotCreateMessage(target + "\\update.exe", ERROR_ACCESS_DENIED));
    CloseFromTaskBar(setup.Id());
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(Everything(), before);
    rt::FileSetAttr(target + "\\update.exe", 0);
}

TEST_F(NothingLost, AFailureInTheSuccessEndingIsUndoneOnceHoweverOftenCancelIsClicked) {
    PutFile(ProductFolder(), "a file where the product folder goes");
    const Snapshot before = Everything();
    HWND progress = StartInstalling(dir / "Quenvale");
    AcknowledgeTheError("I/O error 183.");
    EXPECT_TRUE(rt::FileExists(dir / "Quenvale\\Unini.dat"));
    Click(ChildWithText(progress, "取消"));
    Click(ChildWithText(progress, "取消"));
    CloseFromTaskBar(setup.Id());
    ASSERT_NE(WaitForMessageBox(setup.Id()).window, nullptr);
    Sleep(500);
    EXPECT_EQ(MessageBoxCount(setup.Id()), 1);
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(Everything(), before);
}

TEST_F(NothingLost, AReinstallThatFailsInItsSuccessEndingLeavesTheEarlierInstallation) {
    const std::string target = dir / "Quenvale";
    PlantEarlierInstallation(target);
    const Snapshot before = Everything();
    HANDLE held = HoldOpen(target + "\\Unini.dat");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND progress = StartInstalling(target);
    AcknowledgeTheError(CannotCreateMessage(target + "\\Unini.dat", ERROR_SHARING_VIOLATION));
    Click(ChildWithText(progress, "取消"));
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    CloseHandle(held);
    EXPECT_EQ(Everything(), before);
}

TEST_F(NothingLost, TheTaskBarsCloseDuringTheRunAsksFirstAndOnlyOnce) {
    const Snapshot before = Everything();
    HWND progress = StartInstalling(dir / "Quenvale");
    WaitForBarPosition(progress, 200);
    CloseFromTaskBar(setup.Id());
    ASSERT_NE(WaitForMessageBox(setup.Id()).window, nullptr);
    CloseFromTaskBar(setup.Id()); // while the question is up: nothing more
    Sleep(500);
    EXPECT_EQ(MessageBoxCount(setup.Id()), 1);
    AnswerTheCancelQuestion(IDCANCEL);
    const long position = WaitForBarPosition(progress, 600);
    EXPECT_GE(position, 600);
    EXPECT_TRUE(setup.Running()); // declined: the run went on
    CloseFromTaskBar(setup.Id());
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(Everything(), before);
}

TEST_F(NothingLost, AFailureAfterTheCloseBoxBringsThePageBack) {
    const std::string target = UsersFilesUnderPayloadNames();
    PutFile(target + "\\data\\day\\000600.day", "my day in use");
    const Snapshot before = Everything();
    HANDLE held = HoldOpen(target + "\\data\\day\\000600.day");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND progress = StartInstalling(target);
    WaitForBarPosition(progress, 100);
    PostMessageA(progress, WM_CLOSE, 0, 0);
    const MessageBoxSeen error = WaitForMessageBox(setup.Id(), 120000);
    ASSERT_NE(error.window, nullptr);
    EXPECT_EQ(error.text, CannotCreateMessage(target + "\\data\\day\\000600.day", ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(IsWindowVisible(progress));
    Screenshot("stopped-after-close-box");
    Answer(error, IDOK);
    EXPECT_EQ(WaitForPage(setup.Id(), Page::Progress), progress);
    Click(ChildWithText(progress, "取消"));
    AnswerTheCancelQuestion(IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    CloseHandle(held);
    EXPECT_EQ(Everything(), before);
}

// A run killed half-way cannot put anything back; every earlier file is then either
// still in its place or beside it under its name + ".bak", unchanged.
TEST_F(NothingLost, AKilledReinstallLeavesEveryEarlierFileFindable) {
    const std::string target = dir / "Quenvale";
    PlantEarlierInstallation(target);
    const Snapshot before = TakeSnapshot(target);
    HWND progress = StartInstalling(target);
    WaitForBarPosition(progress, 300);
    setup.Kill();
    Snapshot after = TakeSnapshot(target);
    int setAside = 0;
    for (const auto& [path, description] : before) {
        const bool inPlace = after[path] == description;
        setAside += !inPlace;
        EXPECT_TRUE(inPlace || after[path + ".bak"] == description) << path;
    }
    EXPECT_GT(setAside, 300);
}
