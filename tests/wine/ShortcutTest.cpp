#include "engine/RunChanges.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "shell/ComPtr.h"
#include "shell/DesktopShellOpen.h"
#include "shell/ShellServices.h"
#include "shell/Shortcuts.h"
#include "tests/support/ShellLinks.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using testing_support::FileContent;
using testing_support::LinkContent;
using testing_support::PutFile;
using testing_support::ReadLink;
using testing_support::TempFolder;

namespace {

std::string Programs() {
    return shell::SpecialFolderPath(CSIDL_PROGRAMS);
}
std::string ProductFolder() {
    return Programs() + "\\Marluxa";
}
std::string Desktop() {
    return shell::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
}

void RemoveProductFolderAndDesktopLink() {
    for (const char* name : {"软件说明文件.lnk", "Marluxa卸载.lnk", "Marluxa.lnk"})
        rt::RemoveFile(ProductFolder() + "\\" + name);
    rt::RemoveDir(ProductFolder());
    rt::FileSetAttr(ProductFolder(), 0);
    rt::RemoveFile(ProductFolder());
    rt::RemoveFile(Desktop() + "\\Marluxa.lnk");
}

class Shortcuts : public testing::Test {
  protected:
    void SetUp() override { RemoveProductFolderAndDesktopLink(); }
    void TearDown() override { RemoveProductFolderAndDesktopLink(); }

    std::string Installed(const std::string& folderName) {
        const std::string folder = dir / folderName;
        rt::CreateDir(folder);
        for (const char* file : {"readme.txt", "UnInstall.exe", "Quenvale.exe"})
            PutFile(folder + "\\" + file, "x");
        return folder;
    }

    TempFolder dir;
    engine::RunJournal journal;
    engine::RunChanges changes{journal};
};

} // namespace

TEST_F(Shortcuts, ANormalInstallationsLinksReadBackThroughTheShell) {
    const std::string q = Installed("Quenvale");
    shell::CreateProgramsShortcut(q + "\\readme.txt", "软件说明文件", changes);
    shell::CreateProgramsShortcut(q + "\\UnInstall.exe", "Marluxa卸载", changes);
    shell::CreateProgramsShortcut(q + "\\Quenvale.exe", "Marluxa", changes);
    shell::CreateDesktopShortcut(q + "\\Quenvale.exe", "Marluxa", changes);
    const LinkContent readme = ReadLink(ProductFolder() + "\\软件说明文件.lnk");
    EXPECT_EQ(readme.path, q + "\\readme.txt");
    EXPECT_EQ(readme.workingDirectory, q + "\\");
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa卸载.lnk").path, q + "\\UnInstall.exe");
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa.lnk").path, q + "\\Quenvale.exe");
    const LinkContent desktop = ReadLink(Desktop() + "\\Marluxa.lnk");
    EXPECT_EQ(desktop.path, q + "\\Quenvale.exe");
    EXPECT_EQ(desktop.workingDirectory, q + "\\");
}

TEST_F(Shortcuts, AMissingTargetOrAFolderMakesNothing) {
    const std::string q = Installed("Quenvale");
    shell::CreateProgramsShortcut(q + "\\missing.exe", "Marluxa", changes);
    shell::CreateProgramsShortcut(q, "Marluxa", changes);
    shell::CreateDesktopShortcut(q + "\\missing.exe", "Marluxa", changes);
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
    EXPECT_FALSE(rt::FileExists(Desktop() + "\\Marluxa.lnk"));
}

TEST_F(Shortcuts, AnExistingProductFolderIsReused) {
    const std::string q = Installed("Quenvale");
    rt::CreateDir(ProductFolder());
    PutFile(ProductFolder() + "\\other.txt", "keep");
    shell::CreateProgramsShortcut(q + "\\Quenvale.exe", "Marluxa", changes);
    EXPECT_EQ(ReadLink(ProductFolder() + "\\Marluxa.lnk").path, q + "\\Quenvale.exe");
    EXPECT_TRUE(rt::FileExists(ProductFolder() + "\\other.txt"));
    rt::RemoveFile(ProductFolder() + "\\other.txt");
}

TEST_F(Shortcuts, AFileNamedLikeTheProductFolderIsIoError183) {
    const std::string q = Installed("Quenvale");
    PutFile(ProductFolder(), "in the way");
    try {
        shell::CreateProgramsShortcut(q + "\\readme.txt", "软件说明文件", changes);
        FAIL();
    } catch (const rt::IoError& e) {
        EXPECT_STREQ(e.what(), "I/O error 183");
    }
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
}

TEST_F(Shortcuts, ARollbackRemovesTheNewLinksAndPutsBackTheOnesThatWereThere) {
    const std::string q = Installed("Quenvale");
    shell::CreateProgramsShortcut(q + "\\readme.txt", "软件说明文件", changes);
    shell::CreateDesktopShortcut(q + "\\readme.txt", "Marluxa", changes);
    journal.MarkSucceeded(); // an earlier installation's links, kept
    changes.EndSettlingTheRecords();
    const std::string earlierDesktop = FileContent(Desktop() + "\\Marluxa.lnk");

    const std::string newer = Installed("Newer");
    shell::CreateProgramsShortcut(newer + "\\readme.txt", "软件说明文件", changes);
    shell::CreateProgramsShortcut(newer + "\\Quenvale.exe", "Marluxa", changes);
    shell::CreateDesktopShortcut(newer + "\\Quenvale.exe", "Marluxa", changes);
    EXPECT_EQ(ReadLink(Desktop() + "\\Marluxa.lnk").path, newer + "\\Quenvale.exe");
    EXPECT_EQ(changes.EndSettlingTheRecords().count, 0);
    EXPECT_EQ(ReadLink(ProductFolder() + "\\软件说明文件.lnk").path, q + "\\readme.txt");
    EXPECT_FALSE(rt::FileExists(ProductFolder() + "\\Marluxa.lnk"));
    EXPECT_EQ(FileContent(Desktop() + "\\Marluxa.lnk"), earlierDesktop);
    EXPECT_FALSE(rt::FileExists(Desktop() + "\\Marluxa.lnk.bak"));

    // A product folder the run made goes with its links.
    RemoveProductFolderAndDesktopLink();
    shell::CreateProgramsShortcut(newer + "\\readme.txt", "软件说明文件", changes);
    EXPECT_EQ(changes.EndSettlingTheRecords().count, 0);
    EXPECT_FALSE(rt::DirectoryExists(ProductFolder()));
}

// In code page 936 "淺" ends in byte 0x5C, the separator's.
TEST_F(Shortcuts, AChineseFolderNameKeepsTheWorkingDirectoryWhole) {
    const std::string q = Installed("淺表");
    shell::CreateProgramsShortcut(q + "\\Quenvale.exe", "Marluxa", changes);
    const LinkContent link = ReadLink(ProductFolder() + "\\Marluxa.lnk");
    EXPECT_EQ(link.path, q + "\\Quenvale.exe");
    EXPECT_EQ(link.workingDirectory, q + "\\");
}

TEST(ShellServices, TheDefaultFolderFollowsTheSystemDrive) {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(shell::SystemDriveLetter(), std::string(1, system[0]));
    EXPECT_EQ(shell::DefaultInstallFolder(shell::SystemDriveLetter()),
              std::string(1, system[0]) + ":\\Program Files\\Quenvale");
    EXPECT_EQ(shell::DefaultInstallFolder("D"), "D:\\Program Files\\Quenvale");
}

TEST(ShellServices, TheDesktopsShellReachesTheSystemsBrowserLauncherOnce) {
    const char* log = std::getenv("SETUP_URL_LOG_WINE");
    ASSERT_NE(log, nullptr) << "run through ctest, which puts the recording URL opener on the PATH";
    rt::RemoveFile(log);
    const std::string address = "http://www.example.com/marluxa/?from=setup&v=2";
    EXPECT_TRUE(shell::OpenAsTheDesktopsUser(address, ""));
    std::string recorded;
    for (int waited = 0; waited < 200 && recorded.empty(); ++waited) {
        Sleep(50);
        recorded = testing_support::FileContent(log);
        if (recorded == "<missing>")
            recorded.clear();
    }
    Sleep(300); // a second launch, if any, would show by now
    EXPECT_EQ(testing_support::FileContent(log), address + "\n");
}
