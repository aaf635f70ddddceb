// What the installer, an administrator's program, does with what other users of the
// computer could have put in its way: a target folder they may change, a link where it
// would write, a journal it did not write. Under Wine every object belongs to the
// user who runs it and its access list is made up from the Unix permissions, so a
// folder "others may change" is one whose access list grants Everyone a change.
#include "engine/JournalFormat.h"
#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/HostPrograms.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

using namespace e2e;
using testing_support::FileContent;
using testing_support::HostPath;
using testing_support::PutFile;

namespace {

const char* const kTitle = "Marluxa安装程序";

class OtherUsers : public SetupTest {
  protected:
    // Clicks "安装" and waits for the box it brings up.
    MessageBoxSeen InstallAndWaitForABox(HWND progress) {
        Click(ChildWithText(progress, "安装"));
        return WaitForMessageBox(setup.Id(), 120000);
    }
    void ExpectReadyAgain(HWND progress) {
        EXPECT_TRUE(WaitUntil(5000, [&] { return IsWindowEnabled(ChildWithText(progress, "安装")) != 0; }));
    }
};

// Grants Everyone every right on the folder, as a folder made under a drive's root
// inherits "Authenticated Users: Modify".
void OpenToEveryone(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
    EXPECT_EQ(SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, list, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
}

// The box that refuses a link where the run would write.
std::string LinkRefusal(const std::string& link) {
    return "安装位置中的以下项目是一个链接（符号链接或目录联接），它指向别处：\r\n    " + link +
           "\r\n\r\n安装程序不会通过链接写入或改名任何文件。请删除该链接，或选择其他文件夹。";
}

} // namespace

// The question names the folders others may change, or whose entries they may rename;
// "否" writes, renames and re-owns nothing, "是" installs and leaves them as they were.
TEST_F(OtherUsers, FoldersOthersMayChangeAreAskedAboutAndNeverTakenOver) {
    // Someone else's file in the target, and a hard link under a payload name whose
    // other name lies outside.
    const std::string target = dir / "Quenvale", outside = dir / "outside.txt";
    rt::CreateDir(target);
    PutFile(target + "\\letter.txt", "someone's");
    PutFile(outside, "linked from the target");
    ASSERT_TRUE(RunOnTheHost("/bin/ln", {HostPath(outside), HostPath(target + "\\readme.txt")},
                             [&] { return rt::FileExists(target + "\\readme.txt"); }));
    OpenToEveryone(target);
    const std::string openList = AccessListOf(target), outsideList = AccessListOf(outside);
    // An empty folder under a parent others may change: the parent is named.
    const std::string parent = dir / "shared";
    rt::CreateDir(parent);
    OpenToEveryone(parent);
    const struct { std::string target, asked; } cases[] = {{target, target}, {parent + "\\Quenvale", parent}};
    setup.Kill(); // each case starts a Setup.exe of its own
    for (const auto& c : cases) {
        const Snapshot before = TakeSnapshot(dir.Path());
        SetupProcess installer;
        HWND progress = GoToProgressPage(installer, c.target);
        for (const int answer : {IDNO, IDYES}) {
            Click(ChildWithText(progress, "安装"));
            const MessageBoxSeen question = WaitForMessageBox(installer.Id(), 120000);
            ASSERT_NE(question.window, nullptr) << c.target;
            EXPECT_EQ(question.caption, kTitle);
            EXPECT_NE(question.text.find("这台电脑的其他用户可以更改以下文件夹中的内容：\r\n    " + c.asked +
                                         "\r\n"),
                      std::string::npos)
                << question.text;
            EXPECT_TRUE(question.hasIcon);
            Screenshot("folder-others-may-change");
            Answer(question, answer);
            if (answer == IDNO) {
                ExpectReadyAgain(progress);
                EXPECT_EQ(TakeSnapshot(dir.Path()), before) << c.target;
            }
        }
        ASSERT_NE(WaitForPage(installer.Id(), Page::Finish, 120000), nullptr) << c.target;
        ExpectCompleteInstallation(c.target);
        EXPECT_EQ(AccessListOf(c.asked), openList) << c.target;
    }
    EXPECT_EQ(FileContent(outside), "linked from the target");
    EXPECT_EQ(AccessListOf(outside), outsideList);

    // The parent made so that only its owner may change it: no question.
    ASSERT_TRUE(RunOnTheHost("/bin/chmod", {"755", HostPath(parent)},
                             [&] { return AccessListOf(parent) != openList; }));
    SetupProcess third;
    HWND progress = GoToProgressPage(third, parent + "\\again");
    Click(ChildWithText(progress, "安装"));
    ASSERT_NE(WaitForPage(third.Id(), Page::Finish, 120000), nullptr);
    EXPECT_EQ(MessageBoxCount(third.Id()), 0);
}

// A link made at "data" while the question is up is met when the run looks again, after
// "是": refused, nothing written through it.
TEST_F(OtherUsers, ALinkMadeWhileTheQuestionIsUpIsRefused) {
    const std::string target = dir / "Quenvale", elsewhere = dir / "elsewhere";
    rt::CreateDir(target);
    rt::CreateDir(elsewhere);
    OpenToEveryone(target);
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen question = InstallAndWaitForABox(progress);
    ASSERT_NE(question.window, nullptr);
    ASSERT_TRUE(RunOnTheHost("/bin/ln", {"-s", HostPath(elsewhere), HostPath(target + "\\data")}, [&] {
        return (GetFileAttributesW(os::Widened(target + "\\data").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) !=
               0;
    }));
    Answer(question, IDYES);
    ASSERT_TRUE(WaitUntil(5000, [&] { return !IsWindow(question.window); }));
    const MessageBoxSeen refused = WaitForMessageBox(setup.Id(), 120000);
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.text, LinkRefusal(target + "\\data"));
    Answer(refused, IDOK);
    ExpectReadyAgain(progress);
    EXPECT_EQ(TakeSnapshot(elsewhere), Snapshot{});
}

// A link at the target itself, with a file named as the journal behind it: refused
// before the recovery reads or renames anything there.
TEST_F(OtherUsers, ALinkAtTheTargetIsRefusedBeforeAnyJournalIsTouched) {
    const std::string target = dir / "Quenvale", elsewhere = dir / "elsewhere";
    rt::CreateDir(elsewhere);
    PutFile(engine::JournalPath(elsewhere), "someone's file of that name");
    ASSERT_TRUE(RunOnTheHost("/bin/ln", {"-s", HostPath(elsewhere), HostPath(target)},
                             [&] { return rt::DirectoryExists(target); }));
    const Snapshot there = TakeSnapshot(elsewhere);
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen refused = InstallAndWaitForABox(progress);
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.text, LinkRefusal(target));
    Answer(refused, IDOK);
    ExpectReadyAgain(progress);
    EXPECT_EQ(TakeSnapshot(elsewhere), there);
}

// A Unix link at "data" (made in place before the tests), which Wine shows as a
// reparse point, leading to a folder with a file of the payload's name in it.
TEST_F(OtherUsers, ALinkAtDataIsRefusedAndNothingIsWrittenThroughIt) {
    const std::string target = LINKS_DIR "\\Quenvale", elsewhere = LINKS_DIR "\\elsewhere";
    PutFile(elsewhere + "\\sda.d", "someone else's");
    std::uint32_t attributes = 0;
    ASSERT_TRUE(rt::ReadAttributes(target + "\\data", attributes));
    ASSERT_EQ(attributes,
              static_cast<std::uint32_t>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    const Snapshot before = TakeSnapshot(target), there = TakeSnapshot(elsewhere);
    HWND progress = GoToProgressPage(setup, target);
    const MessageBoxSeen refused = InstallAndWaitForABox(progress);
    ASSERT_NE(refused.window, nullptr);
    EXPECT_EQ(refused.caption, kTitle);
    EXPECT_EQ(refused.text, LinkRefusal(target + "\\data"));
    Screenshot("link-at-data");
    Answer(refused, IDOK);
    ExpectReadyAgain(progress);
    EXPECT_EQ(TakeSnapshot(target), before);
    EXPECT_EQ(TakeSnapshot(elsewhere), there);
}

// Journals whose records, if acted on, would delete a file outside the target folder,
// written by the same user as the run's own (so the trust rule passes them): one names
// it through "/" (which the system resolves as a separator), one through a Unix link
// below the target ("journaled\lnk", made in place before the tests). Each is moved
// aside untouched, and the run goes on.
TEST_F(OtherUsers, AJournalNamingAFileOutsideIsMovedAsideUntouched) {
    rt::CreateDir(dir / "Quenvale");
    const struct {
        std::string target, folder, file; // the target, and the folder and file the journal names
        std::string victim;               // the file it names, where it really is
        bool link;
    } cases[] = {
        {dir / "Quenvale", dir / "Quenvale\\..", dir / "Quenvale\\../victim.txt", dir / "victim.txt", false},
        {LINKS_DIR "\\journaled", LINKS_DIR "\\journaled\\lnk", LINKS_DIR "\\journaled\\lnk\\victim.txt",
         LINKS_DIR "\\outside\\victim.txt", true}};
    setup.Kill(); // each case starts its own
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        PutFile(c.victim, "precious");
        engine::JournalRecord into{engine::RecordKind::FolderWrittenInto, c.folder, "", {}, c.link, {}};
        engine::JournalRecord made{engine::RecordKind::Made, c.file, "", {}, false, {}};
        rt::ReadIdentity(c.folder, os::FinalLink::Followed, into.identity);
        rt::ReadIdentity(c.victim, os::FinalLink::NotFollowed, made.identity);
        const std::string journal =
            engine::EncodeHeader(c.target) + engine::EncodeRecord(into) + engine::EncodeRecord(made);
        PutFile(engine::JournalPath(c.target), journal);
        SetupProcess process;
        HWND progress = GoToProgressPage(process, c.target);
        Click(ChildWithText(progress, "安装"));
        const MessageBoxSeen told = WaitForMessageBox(process.Id(), 120000);
        ASSERT_NE(told.window, nullptr);
        EXPECT_EQ(
            told.text,
            "此文件夹中有一次中断的安装留下的记录，但记录无法读取，因此没有改动任何文件。记录已另存为：\r\n"
            "    " +
                engine::JournalPath(c.target) + ".bak\r\n\r\n现在继续安装。");
        Answer(told, IDOK);
        ASSERT_NE(WaitForPage(process.Id(), Page::Finish, 120000), nullptr);
        EXPECT_EQ(FileContent(c.victim), "precious");
        EXPECT_EQ(FileContent(engine::JournalPath(c.target) + ".bak"), journal);
    }
}
