// The fault matrix: Setup.exe driven into failures and cancels under Wine. Each case
// checks what the user sees, the page afterwards, and the disk: a snapshot of the
// target's parent folder before and after, where only what the case may change differs.
#include "runtime/FileSystem.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <set>

using namespace e2e;
using testing_support::PutFile;
using testing_support::TempFolder;

namespace {

const char* const kTitle = "Marluxa安装程序";

class FaultMatrix : public testing::Test {
  protected:
    void SetUp() override { RemoveShortcuts(); }
    void TearDown() override { RemoveShortcuts(); }

    // A folder of the user's own: files, a sub-folder, one read-only and one hidden file.
    std::string UsersFolder(const std::string& name) {
        const std::string folder = dir / name;
        rt::ForceDirectories(folder + "\\data\\notes");
        PutFile(folder + "\\letter.txt", "my letter");
        PutFile(folder + "\\data\\notes\\plan.txt", "my plan");
        PutFile(folder + "\\readonly.txt", "read only");
        rt::FileSetAttr(folder + "\\readonly.txt", os::kAttrReadOnly);
        PutFile(folder + "\\hidden.txt", "hidden");
        rt::FileSetAttr(folder + "\\hidden.txt", os::kAttrHidden);
        return folder;
    }

    // After a failure: the stopped page; the close box asks the cancel question, and OK
    // removes what the run created and ends the program.
    void AbandonFromTheStoppedState(HWND progress, bool withCloseBox) {
        ASSERT_EQ(WaitForPage(setup.Id(), Page::Progress), progress);
        EXPECT_FALSE(IsWindowEnabled(ChildWithText(progress, "安装")));
        EXPECT_FALSE(IsWindowEnabled(ChildWithText(progress, "<  上一步")));
        if (withCloseBox)
            PostMessageA(progress, WM_CLOSE, 0, 0);
        else
            Click(ChildWithText(progress, "取消"));
        const MessageBoxSeen question = WaitForMessageBox(setup.Id());
        ASSERT_NE(question.window, nullptr);
        EXPECT_EQ(question.text, "是否真的结束安装?");
        EXPECT_EQ(question.caption, "安装提示");
        Answer(question, IDOK);
        EXPECT_TRUE(setup.WaitForExit(20000));
    }

    MessageBoxSeen InstallAndWaitForABox(HWND progress) {
        Click(ChildWithText(progress, "安装"));
        return WaitForMessageBox(setup.Id(), 120000);
    }

    TempFolder dir;
    SetupProcess setup;
};

} // namespace

TEST_F(FaultMatrix, AFolderWhereTheProgramGoesNamesTheFullPath) {
    const std::string target = UsersFolder("Quenvale");
    rt::CreateDir(target + "\\Quenvale.exe");
    const Snapshot before = TakeSnapshot(dir.Path());
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen error = InstallAndWaitForABox(progress);
    ASSERT_NE(error.window, nullptr);
    EXPECT_EQ(error.caption, kTitle);
    EXPECT_EQ(error.text, CannotCreateMessage(target + "\\Quenvale.exe", ERROR_ACCESS_DENIED));
    Screenshot("fault-folder-in-the-way");
    Answer(error, IDOK);
    AbandonFromTheStoppedState(progress, false);
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
}

TEST_F(FaultMatrix, AFileHeldOpenElsewhereStopsTheRunAndSurvives) {
    const std::string target = UsersFolder("Quenvale");
    PutFile(target + "\\Quenvale.exe", "the user's own program");
    const Snapshot before = TakeSnapshot(dir.Path());
    HANDLE held =
        CreateFileA((target + "\\Quenvale.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen error = InstallAndWaitForABox(progress);
    ASSERT_NE(error.window, nullptr);
    EXPECT_EQ(error.text, CannotCreateMessage(target + "\\Quenvale.exe", ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(error.hasIcon);
    Answer(error, IDOK);
    EXPECT_TRUE(rt::FileExists(target + "\\count1.dat")); // the run stopped there
    AbandonFromTheStoppedState(progress, true);
    CloseHandle(held);
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
}

TEST_F(FaultMatrix, TargetsThatCannotWorkAreRefusedBeforeAnythingIsMade) {
    PutFile(dir / "file", "in the way");
    const std::string current = dir / "current"; // where a relative target would go
    rt::CreateDir(current);
    std::string deep = dir.Path(); // 30,000 bytes, one level per two
    while (deep.size() < 30000)
        deep += "\\a";
    // The daily files' paths would reach 260 bytes, one more than the system takes.
    const std::string daily = "\\data\\day\\000001.day";
    const std::string tooLong = dir / std::string(260 - (dir.Path().size() + 1) - daily.size(), 'L');
    const std::string driveRoot = dir.Path().substr(0, 2) + "\\NoSuchRoot";
    const Snapshot before = TakeSnapshot(dir.Path());
    for (const std::string& target :
         {std::string("Q:\\no such drive\\Quenvale"), dir / "file\\Quenvale", dir / std::string(5000, 'x'),
          deep, tooLong, std::string("..\\Relative"), std::string(".\\Relative"),
          dir.Path().substr(0, 2) + "Relative", driveRoot.substr(2)}) {
        SetupProcess another(SETUP_EXE_PATH, current);
        HWND progress = GoToProgressPage(another, target);
        Click(ChildWithText(progress, "安装"));
        const MessageBoxSeen failure = WaitForMessageBox(another.Id());
        ASSERT_NE(failure.window, nullptr) << target.substr(0, 40);
        EXPECT_EQ(failure.caption, "信息");
        EXPECT_EQ(failure.text, "创建安装目录失败!");
        Answer(failure, IDOK);
        EXPECT_EQ(WaitForPage(another.Id(), Page::Progress), progress);
    }
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
    EXPECT_FALSE(rt::DirectoryExists(driveRoot));
}

TEST_F(FaultMatrix, CancelInTheMiddleKeepsTheUsersFilesByteForByte) {
    const std::string target = UsersFolder("Documents");
    const Snapshot before = TakeSnapshot(dir.Path());
    HWND progress = GoToProgressPage(setup, target);
    HWND bar = ChildOfClass(progress, PROGRESS_CLASSA);
    Click(ChildWithText(progress, "安装"));
    WaitForBarPosition(progress, 800);
    Click(ChildWithText(progress, "取消"));
    const MessageBoxSeen question = WaitForMessageBox(setup.Id());
    ASSERT_NE(question.window, nullptr);
    EXPECT_EQ(question.text, "是否真的结束安装?");
    const long position = static_cast<long>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    EXPECT_GT(position, 0);
    EXPECT_LT(position, 1749);
    Answer(question, IDOK);
    EXPECT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
}

TEST_F(FaultMatrix, AKilledRunIsCompletedByASecondOne) {
    const std::string target = dir / "Quenvale";
    {
        HWND progress = GoToProgressPage(setup, target);
        Click(ChildWithText(progress, "安装"));
        WaitForBarPosition(progress, 300);
    }
    setup.Kill();
    EXPECT_TRUE(rt::FileExists(target + "\\count1.dat"));
    SetupProcess second;
    HWND progress = GoToProgressPage(second, target);
    Click(ChildWithText(progress, "安装"));
    ASSERT_NE(WaitForPage(second.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
}

TEST_F(FaultMatrix, AFullDiskStopsTheRunAndCancelEmptiesTheDrive) {
    const std::string drive = "T:\\";
    if (!rt::DirectoryExists(drive))
        GTEST_SKIP() << "no small drive T: (tools/small-drive.sh could not mount one)";
    const Snapshot before = TakeSnapshot("T:");
    const std::string target = "T:\\Quenvale";
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen error = InstallAndWaitForABox(progress);
    ASSERT_NE(error.window, nullptr);
    const bool streamError = error.text == "Stream write error.";
    const bool createError = error.text.rfind("Cannot create file \"T:\\Quenvale\\", 0) == 0 &&
                             error.text.find(SystemMessage(ERROR_DISK_FULL)) != std::string::npos;
    EXPECT_TRUE(streamError || createError) << error.text;
    Screenshot("fault-disk-full");
    Answer(error, IDOK);
    AbandonFromTheStoppedState(progress, false);
    EXPECT_EQ(TakeSnapshot("T:"), before);
}

namespace {

std::set<std::string> MarkersIn(const std::string& folder) {
    std::set<std::string> markers;
    rt::FolderListing listing;
    for (unsigned code = listing.Open(folder + "\\*.loaded", rt::FolderListing::kAllEntries); code == 0;
         code = listing.Next())
        markers.insert(listing.Name());
    return markers;
}

void ClearMarkers(const std::string& folder) {
    for (const std::string& marker : MarkersIn(folder))
        rt::RemoveFile(folder + "\\" + marker);
}

std::string Joined(const std::set<std::string>& names) {
    std::string joined;
    for (const std::string& name : names)
        joined += name + " ";
    return joined;
}

} // namespace

TEST(DllSearch, NoDllComesFromTheProgramsFolderOrTheCurrentOne) {
    TempFolder dir;
    const std::string downloads = dir / "Downloads", current = dir / "current", markers = dir / "markers";
    for (const std::string& folder : {downloads, current, markers})
        rt::CreateDir(folder);
    ASSERT_TRUE(CopyFileA(SETUP_EXE_PATH, (downloads + "\\Setup.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(IMPORTS_LIKE_SETUP_EXE, (downloads + "\\Control.exe").c_str(), FALSE));
    const char* const planted[] = {"version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll",
                                   "comctl32.dll"};
    for (const char* name : planted)
        for (const std::string& folder : {downloads, current})
            ASSERT_TRUE(CopyFileA(STUB_DLL, (folder + "\\" + name).c_str(), FALSE)) << name;
    SetEnvironmentVariableA("SETUP_DLL_MARKERS", markers.c_str());
    // Wine is told to prefer a DLL of these names found on the search path to its own.
    SetEnvironmentVariableA("WINEDLLOVERRIDES", "version,uxtheme,dwmapi,cryptbase,comctl32=n,b");

    SetupProcess control(downloads + "\\Control.exe", current);
    EXPECT_TRUE(control.WaitForExit(30000));
    const std::set<std::string> loadedByWine = MarkersIn(markers);
    ClearMarkers(markers);

    SetupProcess setup(downloads + "\\Setup.exe", current);
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    EXPECT_NE(agreement, nullptr);
    Click(ChildWithText(agreement, "不同意"));
    EXPECT_TRUE(setup.WaitForExit(20000));
    const std::set<std::string> loadedBySetup = MarkersIn(markers);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", nullptr);
    SetEnvironmentVariableA("SETUP_DLL_MARKERS", nullptr);

    ASSERT_TRUE(loadedByWine.count("cryptbase.dll.loaded")) << "the planted DLLs are not taken at all";
    // Whatever a program of the same imports loads on Wine is Wine's doing, not ours.
    for (const std::string& marker : loadedBySetup)
        EXPECT_TRUE(marker != "cryptbase.dll.loaded" && loadedByWine.count(marker))
            << marker << " (Wine itself loads: " << Joined(loadedByWine) << ")";
    std::printf("planted DLLs loaded by Wine for any program: %s\n", Joined(loadedByWine).c_str());
}

TEST_F(FaultMatrix, ADesktopThatRefusesTheLinkIsNotReported) {
    // Wine ignores the read-only attribute for root, so a folder of the link's name
    // stands in for a desktop that cannot take the file.
    const std::string blocked = DesktopLink();
    rt::CreateDir(blocked);
    const std::string target = dir / "Quenvale";
    HWND progress = GoToProgressPage(setup, target);
    Click(ChildWithText(progress, "安装"));
    EXPECT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    EXPECT_TRUE(rt::DirectoryExists(blocked));
    ExpectCompleteInstallation(target);
    EXPECT_TRUE(rt::FileExists(ProductFolder() + "\\Marluxa.lnk"));
    rt::RemoveDir(blocked);
}
