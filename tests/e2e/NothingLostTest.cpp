// Every way a run can end, driven through Setup.exe under Wine, as state -> action ->
// state: what the user had under the payload's own names (an earlier installation,
// its links, files of their own) is there afterwards byte for byte, with its
// attributes and time stamps, however the run was left.
#include "engine/JournalFormat.h"
#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/SetupTest.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace e2e;
using testing_support::PutFile;
using testing_support::SetLastWriteYear;
using testing_support::TempFolder;

namespace {

class NothingLost : public SetupTest {
  protected:
    // The test's folder, the Programs menu, and the desktop link with the name its
    // set-aside copy would have (the desktop may be the user's whole home under Wine).
    Snapshot Everything() const { return Everything(dir.Path()); }
    static Snapshot Everything(const std::string& testFolder) {
        Snapshot all;
        for (const std::string& folder : {testFolder, rt::FolderPart(ProductFolder())}) {
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

    HWND StartInstalling(const std::string& target) { return StartInstalling(setup, target); }
    static HWND StartInstalling(const SetupProcess& process, const std::string& target) {
        HWND progress = GoToProgressPage(process, target);
        EXPECT_NE(progress, nullptr);
        Click(ChildWithText(progress, "安装"));
        return progress;
    }

    // Waits for the cancel question and answers it.
    void AnswerTheCancelQuestion(int button) { AnswerTheCancelQuestion(setup, button); }
    static void AnswerTheCancelQuestion(const SetupProcess& process, int button) {
        const MessageBoxSeen question = WaitForMessageBox(process.Id(), 120000);
        ASSERT_NE(question.window, nullptr);
        EXPECT_EQ(question.text, "是否真的结束安装?");
        EXPECT_EQ(question.caption, "安装提示");
        Answer(question, button);
        WaitUntil(5000, [&] { return !IsWindow(question.window); }); // so that the next box is another
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
};

HANDLE HoldOpen(const std::string& path) {
    return CreateFileW(os::Widened(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    PutFile(target + "\\data\\day\\mine.txt", "mine"); // so that the folder is not set aside whole
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

namespace {

std::string JournalOf(const std::string& target) {
    return target + "\\Setup.journal";
}

// Asks found() every millisecond or so, for at most two minutes.
template <class Found> bool WaitClosely(Found found) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(1))
        if (found())
            return true;
    return false;
}

// Where a reinstall is killed.
enum class KillPoint {
    Early,
    Middle,
    Late,
    LinksBeingMade,
    FirstLinkWritten,
    EarlierFilesBeingDropped,
    DuringTheUndo
};

// The first link the success ending writes, over the earlier one it sets aside.
std::string FirstLink() {
    return ProductFolder() + "\\软件说明文件.lnk";
}

// Lays out what a kill leaves just after the shell saved link and before the run recorded
// it as made (a moment the test cannot stop the run at: it sees the link a few steps
// later): the records after the link's "creating" come off the journal's end, and what
// they describe is reversed, newest first (a later link goes, an earlier one set aside
// comes back). False, with nothing changed, when the run had gone on past its links.
bool BackToJustAfterTheLinksSave(const std::string& journal, const std::string& link) {
    using engine::RecordKind;
    std::string bytes = testing_support::FileContent(journal);
    const std::vector<engine::JournalRecord> records = engine::ParseJournal(bytes).records;
    std::size_t after = records.size();
    while (after > 0 && !(records[after - 1].kind == RecordKind::Creating && records[after - 1].path == link))
        --after;
    for (std::size_t i = after; i < records.size(); ++i) {
        const RecordKind kind = records[i].kind;
        if (kind == RecordKind::Succeeded || kind == RecordKind::FolderMade ||
            kind == RecordKind::FolderMaking)
            return false;
    }
    // The journal ends again with that "creating" record (checkpoints stand between
    // records, so the tail is not the records' frames alone).
    const std::string creating = after == 0 ? "" : engine::EncodeRecord(records[after - 1]);
    const std::size_t end = bytes.rfind(creating);
    if (after == 0 || end == std::string::npos)
        return false;
    for (std::size_t i = records.size(); i-- > after;) {
        if (records[i].kind == RecordKind::SettingAside)
            MoveFileW(os::Widened(records[i].aside).c_str(), os::Widened(records[i].path).c_str());
        else if (records[i].kind == RecordKind::Creating && records[i].path != link)
            DeleteFileW(os::Widened(records[i].path).c_str());
    }
    bytes.resize(end + creating.size());
    PutFile(journal, bytes);
    return true;
}

struct KillCase {
    const char* name;
    KillPoint point;
    bool nextRunFinishes;      // or it is cancelled at its first daily file
    bool usersFileInDayFolder; // so that the daily folder cannot be set aside whole
};

} // namespace

class KilledRun : public NothingLost {
  protected:
    // Lets the run go on to the point, then ends its process as the task manager would.
    static void KillAt(const SetupProcess& running, const std::string& target, KillPoint point) {
        HWND progress = StartInstalling(running, target);
        const long bar[] = {50, 800, 1650};
        switch (point) {
        case KillPoint::Early:
        case KillPoint::Middle:
        case KillPoint::Late:
            EXPECT_GE(WaitForBarPosition(progress, bar[static_cast<int>(point)]),
                      bar[static_cast<int>(point)]);
            break;
        case KillPoint::LinksBeingMade: // the new uninstall list is written just before them
            EXPECT_TRUE(WaitClosely([&] { return rt::FileExists(target + "\\Unini.dat.bak"); }));
            EXPECT_TRUE(WaitClosely([&] { return rt::FileExists(target + "\\Unini.dat"); }));
            break;
        case KillPoint::FirstLinkWritten:
            EXPECT_TRUE(WaitClosely([&] { return rt::FileExists(FirstLink() + ".bak"); }));
            EXPECT_TRUE(WaitClosely([&] { return rt::FileExists(FirstLink()); }));
            break;
        case KillPoint::EarlierFilesBeingDropped: // the root's go first, the daily folder's after
            EXPECT_TRUE(WaitClosely([&] { return rt::FileExists(target + "\\Quenvale.exe.bak"); }));
            EXPECT_TRUE(WaitClosely([&] { return !rt::FileExists(target + "\\Quenvale.exe.bak"); }));
            break;
        case KillPoint::DuringTheUndo: // the newest files go first
            WaitForBarPosition(progress, 1000);
            Click(ChildWithText(progress, "取消"));
            AnswerTheCancelQuestion(running, IDOK);
            EXPECT_TRUE(WaitClosely([&] { // or it has ended, the undo whole
                return rt::ListFolder(target + "\\data\\day").size() < 600 || !running.Running();
            }));
            break;
        }
        running.Kill();
    }

    // A case of its own: no links, and an earlier installation in caseFolder\Quenvale with
    // a letter of the user's beside it; answers that folder.
    std::string EarlierInstallationWithALetter(const TempFolder& caseFolder) {
        RemoveShortcuts();
        const std::string target = caseFolder / "Quenvale";
        PlantEarlierInstallation(target);
        PutFile(target + "\\letter.txt", "my letter");
        return target;
    }

    // The complete new installation, the user's letter beside it, and nothing set aside
    // or journalled left.
    static void ExpectInstalledBesideTheLetter(const std::string& target) {
        ExpectCompleteInstallation(target);
        EXPECT_EQ(testing_support::FileContent(target + "\\letter.txt"), "my letter");
        for (const auto& entry : TakeSnapshot(target))
            EXPECT_TRUE(entry.first.find(".bak") == std::string::npos && entry.first != "Setup.journal")
                << entry.first;
    }

    // The next run into the folder: it settles what it finds first (saying so in one box
    // when there was a journal), then is cancelled at its first daily file or finishes.
    static void NextRun(const std::string& target, bool finishes, const char* recovered) {
        SetupProcess next;
        HWND progress = GoToProgressPage(next, target);
        ASSERT_NE(progress, nullptr);
        if (!finishes)
            Click(ChildWithText(progress, "取消")); // remembered, asked at the first daily file
        Click(ChildWithText(progress, "安装"));
        if (recovered) {
            const MessageBoxSeen box = WaitForMessageBox(next.Id(), 60000);
            ASSERT_NE(box.window, nullptr);
            EXPECT_EQ(box.text, recovered);
            EXPECT_EQ(box.caption, "Marluxa安装程序");
            EXPECT_TRUE(box.hasIcon);
            EXPECT_EQ(box.buttons, 1);
            Screenshot("recovered-interrupted-run");
            Answer(box, IDOK);
            EXPECT_TRUE(WaitUntil(5000, [&] { return !IsWindow(box.window); }));
        }
        if (!finishes) {
            AnswerTheCancelQuestion(next, IDOK);
            EXPECT_TRUE(next.WaitForExit(60000));
            return;
        }
        EXPECT_NE(WaitForPage(next.Id(), Page::Finish, 120000), nullptr);
        next.Kill();
    }
};

TEST_F(KilledRun, AKilledReinstallIsUndoneOrCompletedByTheNextRunAndNothingIsLost) {
    const KillCase cases[] = {
        {"early", KillPoint::Early, false, false},
        {"middle", KillPoint::Middle, true, false},
        {"middle, the user's file among the daily files", KillPoint::Middle, false, true},
        {"late", KillPoint::Late, false, false},
        {"while the links are made", KillPoint::LinksBeingMade, true, false},
        {"just after the first link is written", KillPoint::FirstLinkWritten, false, false},
        {"while the earlier files are dropped", KillPoint::EarlierFilesBeingDropped, true, false},
        {"during the undo of a cancel", KillPoint::DuringTheUndo, false, false},
    };
    for (const KillCase& kill : cases) {
        SCOPED_TRACE(kill.name);
        TempFolder caseFolder;
        const std::string target = EarlierInstallationWithALetter(caseFolder);
        if (kill.usersFileInDayFolder)
            PutFile(target + "\\data\\day\\mine.txt", "my day notes");
        const Snapshot before = Everything(caseFolder.Path());
        KillAt(SetupProcess(), target, kill.point);
        if (kill.point == KillPoint::FirstLinkWritten) {
            EXPECT_TRUE(BackToJustAfterTheLinksSave(JournalOf(target), FirstLink()));
        }

        const bool journalLeft = rt::FileExists(JournalOf(target));
        const bool pastSuccess = kill.point == KillPoint::EarlierFilesBeingDropped;
        if (!journalLeft) // the run got to its end before it was killed
            std::printf("    (%s: the run had ended before the kill)\n", kill.name);
        NextRun(target, kill.nextRunFinishes,
                journalLeft ? (pastSuccess ? kInterruptedRunCompleted : kInterruptedRunUndone) : nullptr);
        if (!kill.nextRunFinishes) {
            EXPECT_EQ(Everything(caseFolder.Path()), before);
            continue;
        }
        ExpectInstalledBesideTheLetter(target);
    }
}

// After a power cut a journal may have lost its last data: cut short, or its length kept
// and its last bytes zeros. The next run still undoes what it recorded, proves the files
// whose records were lost by their bytes, and goes on to install.
TEST_F(KilledRun, AJournalThatLostItsLastDataIsStillSettled) {
    const std::pair<const char*, std::function<std::string(const std::string&)>> damages[] = {
        {"cut to half", [](const std::string& bytes) { return bytes.substr(0, bytes.size() / 2); }},
        {"last 4 KB zeros",
         [](const std::string& bytes) {
             std::string zeroed = bytes;
             std::fill(zeroed.end() - std::min<std::ptrdiff_t>(4096, zeroed.size()), zeroed.end(), '\0');
             return zeroed;
         }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        TempFolder caseFolder;
        const std::string target = EarlierInstallationWithALetter(caseFolder);
        KillAt(SetupProcess(), target, KillPoint::Middle);
        ASSERT_TRUE(rt::FileExists(JournalOf(target)));
        PutFile(JournalOf(target), damage(testing_support::FileContent(JournalOf(target))));
        NextRun(target, true, kInterruptedRunUndone);
        ExpectInstalledBesideTheLetter(target);
    }
}

// After a power cut the sectors written since the journal's last flush may each be lost:
// a hole after its last checkpoint, later bytes kept, is a torn tail, and the run is
// undone. Damage before it is damage of what was on the disk: nothing is touched, and
// the box names each earlier file the killed run set aside, where it now is.
TEST_F(KilledRun, AJournalWithAHoleIsUndoneAndADamagedOneNamesTheFilesItLeaves) {
    for (const bool beforeTheCheckpoint : {false, true}) {
        SCOPED_TRACE(beforeTheCheckpoint ? "damaged before the last checkpoint" : "a hole after it");
        TempFolder caseFolder;
        const std::string target = EarlierInstallationWithALetter(caseFolder);
        KillAt(SetupProcess(), target, KillPoint::Middle);
        std::string journal = testing_support::FileContent(JournalOf(target));
        const std::size_t checkpoint = testing_support::LastCheckpointAt(journal);
        ASSERT_GT(checkpoint, 0u);
        ASSERT_GT(journal.size(), checkpoint + 200); // records after it
        // A byte of the record before the checkpoint flipped, or 64 bytes well after it lost.
        if (beforeTheCheckpoint)
            journal[checkpoint - 1] = static_cast<char>(journal[checkpoint - 1] ^ 0xFF);
        else
            std::fill(journal.begin() + checkpoint + 100, journal.begin() + checkpoint + 164, '\0');
        PutFile(JournalOf(target), journal);
        std::string expected = kInterruptedRunUndone;
        std::vector<engine::JournalRecord> setAside; // the earlier files, and where they stay
        if (beforeTheCheckpoint) {
            expected =
                "此文件夹中有一次中断的安装留下的记录，但记录已损坏，因此安装程序没有按它改动任何文件。"
                "那次安装把以下原有文件改了名，它们仍在新名称下，请自行检查：\r\n";
            for (const engine::JournalRecord& record : engine::ParseJournal(journal).records)
                if (record.kind == engine::RecordKind::SettingAside)
                    setAside.push_back(record);
            ASSERT_FALSE(setAside.empty());
            for (std::size_t i = 0; i < setAside.size() && i < 10; ++i)
                expected += "    " + setAside[i].path + "\r\n        现为：" + setAside[i].aside + "\r\n";
            if (setAside.size() > 10)
                expected += "    ……\r\n";
            expected += "\r\n记录已另存为：\r\n    " + JournalOf(target) + ".bak\r\n\r\n现在继续安装。";
        }
        NextRun(target, true, expected.c_str());
        ExpectCompleteInstallation(target);
        EXPECT_EQ(testing_support::FileContent(target + "\\letter.txt"), "my letter");
        for (const engine::JournalRecord& record : setAside)
            EXPECT_TRUE(rt::FileExists(record.aside) || rt::DirectoryExists(record.aside)) << record.aside;
    }
}

// The user deleted the daily folder of an earlier installation: "data" holds only a file
// the run replaces, and stays where it is while the run makes the daily folder in it.
TEST_F(NothingLost, AReinstallWithoutTheDailyFolderFinishes) {
    const std::string target = dir / "Quenvale";
    PlantEarlierInstallation(target);
    testing_support::RemoveAll(target + "\\data\\day");
    rt::RemoveDir(target + "\\data\\day");
    HWND progress = StartInstalling(target);
    ASSERT_NE(progress, nullptr);
    ASSERT_NE(WaitForPage(setup.Id(), Page::Finish, 120000), nullptr);
    ExpectCompleteInstallation(target);
}

// A log-off or shut-down asks every window first: while the run writes, the wizard says
// no (the system shows its reason); on the finish page it lets the session end.
TEST_F(NothingLost, TheSessionMayNotEndWhileFilesAreWritten) {
    const auto sessionMayEnd = [](HWND window) {
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                      10000, &answer),
                  0);
        return answer != 0;
    };
    HWND progress = StartInstalling(dir / "Quenvale");
    EXPECT_GE(WaitForBarPosition(progress, 200), 200);
    EXPECT_FALSE(sessionMayEnd(progress));
    EXPECT_FALSE(sessionMayEnd(GetWindow(progress, GW_OWNER))); // the window on the task bar
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    ASSERT_NE(finish, nullptr);
    EXPECT_TRUE(sessionMayEnd(finish));
    EXPECT_TRUE(sessionMayEnd(GetWindow(finish, GW_OWNER)));
}

// The undo of a cancel cannot delete a new file that another program holds. A new root
// file stays, with the earlier one at its set-aside name; a new daily file moves away with
// the run's new daily folder, so that the earlier folder is back at once. A warning says
// so and where each is, and the next run, once the file is released, finishes the undo
// before it goes on, leaving nothing stray.
TEST_F(KilledRun, AnUndoThatHasToLeaveAFileSaysSoAndTheNextRunFinishesIt) {
    struct Held {
        const char* file;   // the new one, held from the bar's 300th step
        const char* listed; // what the warning lists, {target} standing for the target
    };
    const Held cases[] = {
        {"Quenvale.exe",
         "有 2 项无法恢复原状，仍留在原处：\r\n    {target}\\Quenvale.exe（新文件，无法删除）\r\n"
         "    {target}\\Quenvale.exe\r\n        原有文件现为：{target}\\Quenvale.exe.bak\r\n"},
        {"data\\day\\000001.day", "有 1 项无法恢复原状，仍留在原处：\r\n    "
                                  "{target}\\data\\day.bak2\\000001.day（新文件，无法删除）\r\n"},
    };
    for (const Held& held : cases) {
        SCOPED_TRACE(held.file);
        RemoveShortcuts();
        TempFolder caseFolder;
        const std::string target = caseFolder / "Quenvale";
        PlantEarlierInstallation(target);
        const Snapshot before = Everything(caseFolder.Path());
        SetupProcess cancelled;
        HWND progress = StartInstalling(cancelled, target);
        EXPECT_GE(WaitForBarPosition(progress, 300), 300);
        HANDLE holder = HoldOpen(target + "\\" + held.file);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        Click(ChildWithText(progress, "取消"));
        AnswerTheCancelQuestion(cancelled, IDOK);
        const MessageBoxSeen warning = WaitForMessageBox(cancelled.Id(), 60000);
        ASSERT_NE(warning.window, nullptr);
        EXPECT_EQ(warning.caption, "Marluxa安装程序");
        std::string listed = held.listed;
        for (std::size_t at; (at = listed.find("{target}")) != std::string::npos;)
            listed.replace(at, 8, target);
        EXPECT_EQ(warning.text,
                  "安装已撤销，但" + listed + "\r\n再次安装到此文件夹时，安装程序会先完成撤销。");
        Screenshot("undo-left-a-file");
        Answer(warning, IDOK);
        EXPECT_TRUE(cancelled.WaitForExit(20000));
        EXPECT_TRUE(rt::FileExists(JournalOf(target)));
        CloseHandle(holder);
        NextRun(target, false, kInterruptedRunUndone);
        EXPECT_EQ(Everything(caseFolder.Path()), before);
    }
}

// The earlier program still runs during a reinstall: its file is set aside like any
// other, and after success, as it cannot be deleted yet, it is left for Windows to delete
// at the next restart, and the user is told before the finish page.
TEST_F(KilledRun, AnEarlierProgramStillRunningIsDeletedAtTheNextRestartAndSaidSo) {
    const std::string target = dir / "Quenvale";
    PlantEarlierInstallation(target);
    SetupProcess earlierProgram(target + "\\Quenvale.exe", target);
    ASSERT_TRUE(WaitUntil(10000, [&] { return earlierProgram.Running(); }));
    StartInstalling(target);
    const MessageBoxSeen told = WaitForMessageBox(setup.Id(), 120000);
    ASSERT_NE(told.window, nullptr);
    EXPECT_EQ(told.text, "以下旧文件正在被程序使用，将在计算机重新启动后删除：\r\n    " + target +
                             "\\Quenvale.exe.bak\r\n");
    Answer(told, IDOK);
    EXPECT_NE(WaitForPage(setup.Id(), Page::Finish, 60000), nullptr);
    ExpectCompleteInstallation(target);
    EXPECT_FALSE(rt::FileExists(JournalOf(target)));
    earlierProgram.Kill();
}
