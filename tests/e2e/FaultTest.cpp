// The fault matrix: Setup.exe driven into failures and cancels under Wine. Each case
// checks what the user sees, the page afterwards, and the disk: a snapshot of the
// target's parent folder before and after, where only what the case may change differs.
#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <commctrl.h>
#include <sddl.h>

#include <cstdio>
#include <functional>
#include <set>

using namespace e2e;
using testing_support::PutFile;

namespace {

const char* const kTitle = "Marluxa安装程序";

class FaultMatrix : public SetupTest {
  protected:
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
    HANDLE held = CreateFileW(os::Widened(target + "\\Quenvale.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
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
          deep, tooLong, std::string("Relative\\Quenvale"), dir.Path().substr(0, 2) + "Relative",
          driveRoot.substr(2)}) {
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

TEST_F(FaultMatrix, AKilledRunIsUndoneAndThenInstalledByASecondOne) {
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
    const MessageBoxSeen recovered = WaitForMessageBox(second.Id());
    ASSERT_NE(recovered.window, nullptr);
    EXPECT_EQ(recovered.text, kInterruptedRunUndone);
    Answer(recovered, IDOK);
    ASSERT_NE(WaitForPage(second.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
    EXPECT_FALSE(rt::FileExists(target + "\\Setup.journal"));
}

namespace {

// The small drive T: (24 MB) filled by another writer to leave room for `free` bytes.
std::string FillDriveTo(std::uint64_t free) {
    ULARGE_INTEGER available;
    GetDiskFreeSpaceExA("T:\\", &available, nullptr, nullptr);
    const std::string filler = "T:\\filler";
    PutFile(filler, std::string(static_cast<std::size_t>(available.QuadPart - free), 'f'));
    return filler;
}

// A copy of Setup.exe whose resource (type, name) is damaged as `damage` does it.
void DamageCopy(const std::string& copy, const char* type, const char* name,
                const std::function<void(std::string&)>& damage) {
    ASSERT_TRUE(CopyFileA(SETUP_EXE_PATH, copy.c_str(), FALSE));
    HMODULE image = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceA(image, name, type);
    ASSERT_NE(found, nullptr) << type << " " << name;
    std::string bytes(static_cast<const char*>(LockResource(LoadResource(image, found))),
                      SizeofResource(image, found));
    FreeLibrary(image);
    damage(bytes);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceA(update, type, name, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
                                &bytes[0], static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
}

} // namespace

TEST_F(FaultMatrix, ADamagedProgramSaysSoAndWritesNothing) {
    const std::string copies = dir / "copies", target = dir / "target\\Quenvale";
    rt::CreateDir(copies);
    rt::CreateDir(dir / "target");
    const Snapshot before = TakeSnapshot(dir / "target");
    const auto flipOneByte = [](std::string& bytes) { bytes[bytes.size() / 2] ^= 0x20; };
    const auto cutShort = [](std::string& bytes) { bytes.resize(bytes.size() - 100); };
    const struct {
        const char *type, *name;
        std::function<void(std::string&)> damage;
    } cases[] = {{"DAYFILE", "F000001", flipOneByte},
                 {"EXEFILE", "FQUENVALE", cutShort},
                 {"DATFILE", "FCOUNT", flipOneByte}};
    for (const auto& damaged : cases) {
        const std::string copy = copies + "\\" + damaged.name + ".exe";
        DamageCopy(copy, damaged.type, damaged.name, damaged.damage);
        SetupProcess program(copy, "");
        HWND progress = GoToProgressPage(program, target);
        ASSERT_NE(progress, nullptr) << damaged.name;
        Click(ChildWithText(progress, "安装"));
        const MessageBoxSeen told = WaitForMessageBox(program.Id());
        ASSERT_NE(told.window, nullptr) << damaged.name;
        EXPECT_EQ(told.text, "安装程序已损坏，请重新获取安装程序。");
        EXPECT_EQ(told.caption, kTitle);
        EXPECT_TRUE(told.hasIcon);
        Answer(told, IDOK);
        EXPECT_TRUE(program.WaitForExit(10000)) << damaged.name;
        EXPECT_EQ(TakeSnapshot(dir / "target"), before) << damaged.name;
    }
}

TEST_F(FaultMatrix, ADriveWithoutRoomIsRefusedBeforeAnythingIsWritten) {
    if (!rt::DirectoryExists("T:\\"))
        GTEST_SKIP() << "no small drive T: (tools/small-drive.sh could not mount one)";
    const std::string filler = FillDriveTo(4 << 20);
    const Snapshot before = TakeSnapshot("T:");
    HWND progress = GoToProgressPage(setup, "T:\\Quenvale");
    const MessageBoxSeen refused = InstallAndWaitForABox(progress);
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.caption, kTitle);
    EXPECT_EQ(refused.text.rfind("目标磁盘空间不足：安装需要 ", 0), 0u) << refused.text;
    EXPECT_NE(refused.text.find("而该磁盘只有 4.0 MB 可用"), std::string::npos) << refused.text;
    Screenshot("fault-no-room");
    Answer(refused, IDOK);
    // The page is as before "安装": the user can go back and choose another folder.
    EXPECT_TRUE(
        WaitUntil(5000, [&] { return IsWindowEnabled(ChildWithText(progress, "<  上一步")) != FALSE; }));
    EXPECT_TRUE(IsWindowEnabled(ChildWithText(progress, "安装")));
    EXPECT_EQ(TakeSnapshot("T:"), before);
    Click(ChildWithText(progress, "<  上一步"));
    EXPECT_NE(WaitForPage(setup.Id(), Page::Directory), nullptr);
    rt::RemoveFile(filler);
}

TEST_F(FaultMatrix, ADriveFilledByAnotherWriterDuringTheRunIsEmptiedByCancel) {
    if (!rt::DirectoryExists("T:\\"))
        GTEST_SKIP() << "no small drive T: (tools/small-drive.sh could not mount one)";
    const Snapshot before = TakeSnapshot("T:");
    HWND progress = GoToProgressPage(setup, "T:\\Quenvale");
    Click(ChildWithText(progress, "安装"));
    WaitForBarPosition(progress, 100); // past the room check
    const std::string filler = FillDriveTo(256 << 10);
    const MessageBoxSeen error = WaitForMessageBox(setup.Id(), 120000);
    ASSERT_NE(error.window, nullptr);
    const bool streamError = error.text == "Stream write error.";
    const bool createError = error.text.rfind("Cannot create file \"T:\\Quenvale\\", 0) == 0 &&
                             error.text.find(SystemMessage(ERROR_DISK_FULL)) != std::string::npos;
    EXPECT_TRUE(streamError || createError) << error.text;
    Screenshot("fault-disk-full");
    Answer(error, IDOK);
    AbandonFromTheStoppedState(progress, false);
    rt::RemoveFile(filler);
    EXPECT_EQ(TakeSnapshot("T:"), before);
}

namespace {

const char* const kPlanted[] = {"version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "comctl32.dll"};
// What Setup.exe loads from the system folder at start-up, before anything asks for them
// by name: never to be taken from elsewhere, whatever Wine takes for other programs.
const char* const kPreloaded[] = {"uxtheme.dll", "dwmapi.dll"};

// The names of the DLLs the process has taken from the given folders.
std::set<std::string> DllsFrom(DWORD processId, const std::vector<std::string>& folders) {
    std::set<std::string> taken;
    for (const std::string& module : ModulesOf(processId))
        for (const std::string& folder : folders)
            if (rt::FolderPart(module) == folder + "\\" && module.rfind(".dll") == module.size() - 4)
                taken.insert(rt::FileNamePart(module));
    return taken;
}

std::string Joined(const std::set<std::string>& names) {
    std::string joined;
    for (const std::string& name : names)
        joined += name + " ";
    return joined;
}

// Stub DLLs named like common system DLLs are planted where an installer is started
// from (a downloads folder) and in the current folder, and Wine is told to prefer them
// to its own. A control program of Setup.exe's imports that loads one DLL by name,
// unconfined, shows what Wine itself takes from there for any program.
class DllSearch : public FaultMatrix {
  protected:
    void SetUp() override {
        FaultMatrix::SetUp();
        for (const std::string& folder : {downloads, current})
            rt::CreateDir(folder);
        for (const char* name : kPlanted)
            for (const std::string& folder : {downloads, current})
                ASSERT_TRUE(CopyFileA(STUB_DLL, (folder + "\\" + name).c_str(), FALSE)) << name;
        char session[256] = {};
        GetEnvironmentVariableA("WINEDLLOVERRIDES", session, sizeof session);
        sessionOverrides_ = session;
        SetEnvironmentVariableA("WINEDLLOVERRIDES",
                                "version,uxtheme,dwmapi,cryptbase,comctl32=n,b;winemenubuilder.exe=d");
        ASSERT_TRUE(CopyFileA(IMPORTS_LIKE_SETUP_EXE, (downloads + "\\Control.exe").c_str(), FALSE));
        SetupProcess control(downloads + "\\Control.exe", current);
        WaitUntil(20000, [&] { return DllsFrom(control.Id(), {downloads, current}).count("cryptbase.dll"); });
        takenByWine = DllsFrom(control.Id(), {downloads, current});
        ASSERT_TRUE(takenByWine.erase("cryptbase.dll")) << "the planted DLLs are not taken at all";
        for (const char* name : kPreloaded)
            takenByWine.erase(name);
        std::printf("planted DLLs Wine takes for any program, beyond those Setup.exe preloads: %s\n",
                    Joined(takenByWine).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("WINEDLLOVERRIDES",
                                sessionOverrides_.empty() ? nullptr : sessionOverrides_.c_str());
        FaultMatrix::TearDown();
    }
    std::string sessionOverrides_; // the test session's, restored for the tests after

    // The whole road, from a copy of the build in the downloads folder: the folder
    // chooser, an installation with its shortcuts, the finish page's opens. The DLLs the
    // program holds are looked at while the chooser is up and on the finish page; what
    // the opens load shows in the program's modules just before it ends.
    void ExpectNoPlantedDllTakenBy(const char* build) {
        const std::string program = downloads + "\\Setup.exe";
        ASSERT_TRUE(CopyFileA(build, program.c_str(), FALSE));
        SetupProcess fromDownloads(program, current);
        std::set<std::string> taken;
        auto look = [&] {
            for (const std::string& name : DllsFrom(fromDownloads.Id(), {downloads, current}))
                taken.insert(name);
        };
        HWND directory = GoToDirectoryPage(fromDownloads);
        ASSERT_NE(directory, nullptr);
        Click(ChildWithText(directory, "浏览..."));
        const MessageBoxSeen chooser = WaitForMessageBox(fromDownloads.Id());
        ASSERT_NE(chooser.window, nullptr);
        look();
        Answer(chooser, IDCANCEL);
        const MessageBoxSeen told = WaitForMessageBox(fromDownloads.Id());
        ASSERT_NE(told.window, nullptr);
        Answer(told, IDOK);
        ASSERT_EQ(WaitForPage(fromDownloads.Id(), Page::Directory), directory);
        Type(ChildOfClass(directory, "Edit"), dir / "Quenvale");
        Click(ChildWithText(directory, "下一步  >"));
        Click(ChildWithText(WaitForPage(fromDownloads.Id(), Page::Progress), "安装"));
        HWND finish = WaitForPage(fromDownloads.Id(), Page::Finish, 120000);
        ASSERT_NE(finish, nullptr);
        look();
        Click(ChildWithText(finish, "完成")); // opens the program and the read-me
        // Looked at until it ends, within a bound: a program that does not end fails the
        // case instead of holding up every test after it. A look reads the process's module
        // list through the Wine server, and thousands of them racing its exit are not
        // needed: one every 20 ms sees what the opens load.
        for (const DWORD clicked = GetTickCount();
             fromDownloads.Running() && GetTickCount() - clicked < 30000; Sleep(20))
            look();
        EXPECT_FALSE(fromDownloads.Running()) << "Setup.exe did not end after \"完成\"";
        for (const char* opened : {"QuenvaleSample", "Notepad"})
            if (HWND window = WaitForWindow(opened, nullptr, 20000))
                PostMessageA(window, WM_CLOSE, 0, 0);
        ExpectCompleteInstallation(dir / "Quenvale");
        for (const std::string& name : taken)
            EXPECT_TRUE(takenByWine.count(name))
                << name << " (Wine itself takes: " << Joined(takenByWine) << ")";
    }

    const std::string downloads = dir / "Downloads", current = dir / "current";
    std::set<std::string> takenByWine;
};

} // namespace

TEST_F(DllSearch, NoDllComesFromTheProgramsFolderOrTheCurrentOne) {
    ExpectNoPlantedDllTakenBy(SETUP_EXE_PATH);
}

TEST_F(DllSearch, NorOnASystemWithoutTheSearchFlags) {
    ExpectNoPlantedDllTakenBy(SETUP_WITHOUT_SEARCH_FLAGS_EXE);
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

// While one Setup.exe installs into a folder, another, given the same folder spelt
// otherwise, is refused before it writes anything and is back where it was before
// "安装"; the first goes on to a complete installation.
TEST_F(FaultMatrix, ASecondSetupIntoTheSameFolderIsRefusedAndTheFirstGoesOn) {
    const std::string target = dir / "Quenvale";
    HWND progress = GoToProgressPage(setup, target);
    Click(ChildWithText(progress, "安装"));
    EXPECT_GE(WaitForBarPosition(progress, 200), 200);
    SetupProcess second;
    HWND secondProgress = GoToProgressPage(second, dir / "QUENVALE\\");
    ASSERT_NE(secondProgress, nullptr);
    Click(ChildWithText(secondProgress, "安装"));
    const MessageBoxSeen refused = WaitForMessageBox(second.Id());
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.caption, kTitle);
    EXPECT_EQ(refused.text, "另一个安装程序正在向此文件夹安装。请等它结束后再点击“安装”，或选择其他文件夹。");
    EXPECT_TRUE(refused.hasIcon);
    Answer(refused, IDOK);
    EXPECT_TRUE(WaitUntil(5000, [&] { return IsWindowEnabled(ChildWithText(secondProgress, "安装")) != 0; }));
    EXPECT_TRUE(IsWindowEnabled(ChildWithText(secondProgress, "<  上一步")));
    ASSERT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
}

// Wine keeps no access list; it turns the one a folder is made with into the folder's
// Unix permissions and reads those back as a list. So a folder made with the
// installation's descriptor reads back unlike one made plainly, which shows where the
// descriptor was applied: to every folder the run made, and to nothing else.
TEST_F(FaultMatrix, TheFoldersTheRunMakesAndOnlyThoseAreProtected) {
    const std::string mine = dir / "mine", target = mine + "\\new\\Quenvale";
    rt::CreateDir(mine);
    rt::CreateDir(dir / "plain");
    rt::CreateDir(dir / "protected", rt::FolderRights::ReadAndRunForUsers);
    const std::string plain = AccessListOf(dir / "plain"), protectedList = AccessListOf(dir / "protected");
    ASSERT_NE(plain, protectedList);
    HWND progress = GoToProgressPage(setup, target);
    Click(ChildWithText(progress, "安装"));
    ASSERT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    for (const std::string& made : {mine + "\\new", target, target + "\\data", target + "\\data\\day"})
        EXPECT_EQ(AccessListOf(made), protectedList) << made;
    EXPECT_EQ(AccessListOf(mine), plain);
    EXPECT_EQ(AccessListOf(ProductFolder()), plain); // the links' folder, in the user's profile
}
