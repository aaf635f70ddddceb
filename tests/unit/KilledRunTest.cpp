// A run that dies (its process killed, the session gone) leaves its journal in the
// target folder; the next run into the folder settles it before it writes anything:
// undone before the success point, completed after it. Here the run "dies" by an
// exception nothing catches inside it, and the run object goes as the process would.
#include "engine/TargetPaths.h"
#include "runtime/SeamChanges.h"
#include "tests/support/SmallInstallation.h"

#include <gtest/gtest.h>

#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace engine;
using namespace testing_support;

namespace {

using Outcome = Recovery::Outcome;

using LinkKill = FakeShortcuts::Kill;

// Runs into target until the run dies at the given cancel check, or at its first link.
void RunThatDies(const std::string& payload, const std::string& target, const std::string& links, int check,
                 LinkKill atLink = LinkKill::None) {
    RunFixture dying(payload, target);
    dying.shortcuts.linkFolder = links;
    dying.observer.killAtCheck = check;
    dying.shortcuts.killAtTheFirstLink = atLink;
    EXPECT_EQ(dying.Install(), "killed");
    EXPECT_TRUE(rt::FileExists(JournalPath(target)));
}

// The next run into the earlier installation's folder, cancelled at its first daily
// file; answers what it found of the run before.
Outcome NextRunCancelledAtOnce(const EarlierInstallation& earlier) {
    RunFixture next(earlier.payload, earlier.target);
    next.shortcuts.linkFolder = earlier.links;
    next.observer.stopAtCheck = 1;
    EXPECT_EQ(next.Install(), "");
    return next.observer.recoveries.empty() ? Outcome::NothingFound : next.observer.recoveries[0].outcome;
}

// No set-aside file, no journal: what a finished run leaves besides its own files.
void ExpectNoStrays(const Snapshot& now, const std::string& keptByHand) {
    for (const auto& entry : now)
        EXPECT_TRUE(entry.first == keptByHand || (entry.first.find(".bak") == std::string::npos &&
                                                  entry.first.find("Setup.journal") == std::string::npos))
            << entry.first;
}

} // namespace

TEST(KilledRun, AKilledReinstallIsUndoneByTheNextRunOrReplacedByItsInstallation) {
    struct Death {
        int check;
        LinkKill atLink;
    };
    // Early, in the middle and late in the daily files; inside the first link's save, and
    // just after it, before it is recorded as made (check 0).
    for (const Death death : {Death{1, LinkKill::None}, Death{3, LinkKill::None}, Death{6, LinkKill::None},
                              Death{0, LinkKill::InsideTheSave}, Death{0, LinkKill::AfterTheSave}}) {
        const int check = death.check;
        SCOPED_TRACE(static_cast<int>(death.atLink));
        for (bool nextRunFinishes : {false, true}) {
            TempFolder dir;
            Reinstall next(dir);
            RunThatDies(next.earlier.payload, next.earlier.target, next.earlier.links, death.check,
                        death.atLink);
            next.r.observer.stopAtCheck = nextRunFinishes ? 0 : 1;
            ASSERT_EQ(next.r.Install(), "") << check;
            ASSERT_EQ(next.r.observer.recoveries.size(), 1u) << check;
            const Recovery& recovery = next.r.observer.recoveries[0];
            EXPECT_EQ(recovery.outcome, Outcome::Undone) << check;
            // A link the run died writing that does not lead to the run's file holds no proof
            // it is the run's: it is moved aside and named, never deleted (the user may
            // have made it since). One that leads there is the run's, and goes.
            const std::string torn = next.earlier.links + "\\软件说明文件.lnk";
            const bool tornLink = death.atLink == LinkKill::InsideTheSave;
            ASSERT_EQ(recovery.left.movedAside.size(), tornLink ? 1u : 0u) << check;
            if (tornLink) {
                EXPECT_EQ(recovery.left.movedAside[0].path, torn);
                EXPECT_EQ(FileContent(recovery.left.movedAside[0].aside), "torn");
                rt::RemoveFile(recovery.left.movedAside[0].aside);
            }
            if (!nextRunFinishes) {
                EXPECT_EQ(next.r.result.outcome, RunOutcome::Cancelled);
                EXPECT_EQ(next.earlier.Now(), next.before) << check;
                continue;
            }
            EXPECT_EQ(next.r.result.outcome, RunOutcome::Succeeded);
            EXPECT_EQ(FileContent(next.earlier.target + "\\readme.txt"), "blob of readme.txt");
            EXPECT_EQ(FileContent(next.earlier.target + "\\readme.txt.bak"), "kept by hand");
            ExpectNoStrays(next.earlier.Now(), "readme.txt.bak");
        }
    }
}

// Another administrator's run, killed while it made its links (in their profile, not in
// this run's link folders), is settled all the same: its journal passes the trust rule
// and names only link files there.
TEST(KilledRun, AnotherAdministratorsKilledRunIsSettledLinksIncluded) {
    TempFolder dir;
    Reinstall next(dir);
    const Snapshot before = next.earlier.Now();
    RunThatDies(next.earlier.payload, next.earlier.target, next.earlier.links, 0, LinkKill::InsideTheSave);
    rt::CreateDir(dir / "my links");
    next.r.shortcuts.linkFolder = dir / "my links";
    next.r.observer.stopAtCheck = 1;
    ASSERT_EQ(next.r.Install(), "");
    ASSERT_EQ(next.r.observer.recoveries.size(), 1u);
    const Recovery& recovery = next.r.observer.recoveries[0];
    EXPECT_EQ(recovery.outcome, Outcome::Undone);
    ASSERT_EQ(recovery.left.movedAside.size(), 1u); // the link it died writing, unproven
    rt::RemoveFile(recovery.left.movedAside[0].aside);
    EXPECT_EQ(next.earlier.Now(), before);
}

TEST(KilledRun, AKilledFreshInstallationIsUndoneByTheNextRun) {
    for (bool nextRunFinishes : {false, true}) {
        TempFolder dir;
        const std::string payload = MakePayload(dir, 6), target = dir / "new\\Q";
        RunThatDies(payload, target, "", 3);
        RunFixture next(payload, target);
        next.observer.stopAtCheck = nextRunFinishes ? 0 : 1;
        ASSERT_EQ(next.Install(), "");
        ASSERT_EQ(next.observer.recoveries.size(), 1u);
        EXPECT_EQ(next.observer.recoveries[0].outcome, Outcome::Undone);
        EXPECT_EQ(rt::DirectoryExists(dir / "new"), nextRunFinishes); // the parent it made goes too
        if (nextRunFinishes)
            ExpectNoStrays(TakeSnapshot(target), "");
    }
}

// The rollback of a cancel cannot delete a new file another program holds. A new root file
// stays, and the earlier one at its set-aside name; a new daily file moves away with the
// run's new daily folder, recorded, so that the earlier folder comes back at once. Either
// way the undo says so, names the new file where it now is, and keeps its journal, so
// that the next run, once the file is released, removes it and leaves nothing stray.
TEST(KilledRun, AnUndoThatHasToLeaveAFileIsFinishedByTheNextRun) {
    struct Held {
        const char* file;
        std::vector<LeftBehind::Entry> left; // after the cancel, below the target
    };
    const Held cases[] = {
        {"Quenvale.exe", {{"Quenvale.exe", ""}, {"Quenvale.exe", "Quenvale.exe.bak"}}},
        {"data\\day\\000001.day", {{"data\\day.bak2\\000001.day", ""}}},
    };
    for (const Held& held : cases) {
        SCOPED_TRACE(held.file);
        TempFolder dir;
        Reinstall cancelled(dir);
        const std::string target = cancelled.earlier.target;
        const Snapshot earlierDays = TakeSnapshot(target + "\\data\\day");
        os::FileHandle holder = os::kNoFile;
        cancelled.r.observer.onCheck = [&](int check) {
            if (check == 2)
                os::OpenForReading(target + "\\" + held.file, holder);
        };
        cancelled.r.observer.stopAtCheck = 3;
        ASSERT_EQ(cancelled.r.Install(), "");
        const LeftBehind& left = cancelled.r.result.left;
        ASSERT_EQ(left.count, static_cast<int>(held.left.size()));
        for (std::size_t i = 0; i < held.left.size(); ++i) {
            EXPECT_EQ(left.first[i].path, target + "\\" + held.left[i].path);
            EXPECT_EQ(left.first[i].aside,
                      held.left[i].aside.empty() ? "" : target + "\\" + held.left[i].aside);
        }
        EXPECT_TRUE(left.movedAside.empty()); // the run's own, called so
        EXPECT_EQ(TakeSnapshot(target + "\\data\\day"), earlierDays);
        EXPECT_TRUE(rt::FileExists(JournalPath(target)));
        os::Close(holder);

        EXPECT_EQ(NextRunCancelledAtOnce(cancelled.earlier), Outcome::Undone);
        EXPECT_EQ(cancelled.earlier.Now(), cancelled.before);
    }
}

// After the success point an earlier file that a program holds cannot be dropped. Windows
// deletes it at the next restart; the host has no restart to leave it to, so the run
// says so and keeps its journal, and the next run completes, never undoes, what it finds.
TEST(KilledRun, ARunPastItsSuccessPointIsCompletedNeverUndone) {
    TempFolder dir;
    Reinstall first(dir);
    const std::string earlierUpdate = first.earlier.target + "\\update.exe.bak";
    os::FileHandle holder = os::kNoFile;
    first.r.observer.onDesktopChoice = [&] { os::OpenForReading(earlierUpdate, holder); };
    ASSERT_EQ(first.r.Install(), "");
    EXPECT_EQ(first.r.result.outcome, RunOutcome::Succeeded);
    const LeftBehind& left = first.r.result.left;
#ifdef _WIN32
    EXPECT_EQ(left.atRestart, std::vector<std::string>{earlierUpdate});
    EXPECT_TRUE(left.Nothing());
    EXPECT_FALSE(rt::FileExists(JournalPath(first.earlier.target)));
    os::Close(holder);
#else
    ASSERT_EQ(left.count, 1);
    EXPECT_EQ(left.first[0].path, earlierUpdate);
    os::Close(holder);

    EXPECT_EQ(NextRunCancelledAtOnce(first.earlier), Outcome::Completed);
    EXPECT_FALSE(rt::FileExists(earlierUpdate));
    EXPECT_EQ(FileContent(first.earlier.target + "\\update.exe"),
              "blob of update.exe"); // the completed run's
#endif
}

// A reinstall sets the daily folder aside whole and deletes it after success: a target
// whose set-aside paths would be too long is refused before anything is touched.
TEST(KilledRun, AReinstallIsRefusedWhereItsSetAsideNamesWouldBeTooLong) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 2);
    const std::string target = dir / std::string(236 - (dir.Path().size() + 1), 'L');
    ASSERT_EQ(target.size(), 236u);
    RunFixture fresh(payload, target);
    ASSERT_EQ(fresh.Install(), "");
    ASSERT_EQ(fresh.result.outcome, RunOutcome::Succeeded); // its deepest file takes 256 bytes
    const Snapshot before = TakeSnapshot(target);
    RunFixture again(payload, target);
    ASSERT_EQ(again.Install(), "");
    EXPECT_EQ(again.result.outcome, RunOutcome::FoldersNotCreated);
    EXPECT_EQ(TakeSnapshot(target), before);
}

#ifndef _WIN32
// On FAT and exFAT a rename gives a file another identity, so that an earlier file is not
// recognised under its set-aside name. However a reinstall ends (cancelled, killed and
// undone by the next run, or succeeded), every earlier file it leaves under a set-aside
// name is named with that name, and none that is not.
TEST(KilledRun, WhereARenameChangesIdentitiesEveryEarlierFileLeftAsideIsNamed) {
    struct Moving {
        Moving() { os::IdentitiesMoveWithRenames(true); }
        ~Moving() { os::IdentitiesMoveWithRenames(false); }
    };
    enum class Ending { Cancelled, KilledAndUndone, Succeeded };
    for (const Ending ending : {Ending::Cancelled, Ending::KilledAndUndone, Ending::Succeeded}) {
        SCOPED_TRACE(static_cast<int>(ending));
        TempFolder dir;
        Reinstall next(dir);
        const Moving fromNowOn;
        if (ending == Ending::KilledAndUndone)
            RunThatDies(next.earlier.payload, next.earlier.target, next.earlier.links, 3);
        next.r.observer.stopAtCheck = ending == Ending::Succeeded ? 0 : ending == Ending::Cancelled ? 3 : 1;
        ASSERT_EQ(next.r.Install(), "");
        const LeftBehind& left =
            ending == Ending::KilledAndUndone ? next.r.observer.recoveries.at(0).left : next.r.result.left;
        std::set<std::string> named, setAside;
        for (const LeftBehind::Entry& entry : left.unconfirmed)
            named.insert(entry.aside);
        for (const auto& entry : next.earlier.Now()) {
            const std::string name = entry.first.substr(entry.first.rfind('\\') + 1);
            if (name.find(".bak") != std::string::npos && name != "readme.txt.bak")
                setAside.insert(entry.first.compare(0, 6, "links\\") == 0
                                    ? dir / entry.first
                                    : next.earlier.target + "\\" + entry.first);
        }
        EXPECT_FALSE(setAside.empty());
        EXPECT_EQ(named, setAside);
    }
}
#endif

#ifndef _WIN32
// The folders the run makes get the installation's rights (on the host: no write bit for
// group and others, whatever the umask lets through), the new daily folder of a
// reinstall included. Folders it finds that others may change, and folders on the way
// whose entries others may rename, are asked about before anything is read or written
// (the recovery included) and never taken over; a sticky folder (others rename only their
// own entries) passes; a "no" changes nothing.
TEST(RunFolders, OnlyTheFoldersTheRunMakesGetTheInstallationsRightsAndOthersAreAskedAbout) {
    TempFolder dir;
    const mode_t umaskBefore = umask(0);
    const std::string payload = MakePayload(dir, 2);
    const auto setMode = [&](const std::string& folder, mode_t mode) {
        chmod(HostPath(folder).c_str(), mode);
    };
    const auto modeOf = [&](const std::string& folder) {
        struct stat info {};
        stat(HostPath(folder).c_str(), &info);
        return info.st_mode & 07777;
    };
    rt::CreateDir(dir / "mine");
    setMode(dir / "mine", 0755);
    const std::string target = dir / "mine\\new\\Q";
    RunFixture fresh(payload, target);
    EXPECT_EQ(fresh.Install(), "");
    for (const char* made : {"mine\\new", "mine\\new\\Q", "mine\\new\\Q\\data", "mine\\new\\Q\\data\\day"})
        EXPECT_EQ(modeOf(dir / made), 0755u) << made;
    struct Case {
        const char* folder; // made open to others, with this mode
        mode_t mode;
        bool install; // the answer, when asked
    };
    for (const Case& c : {Case{"mine\\new\\Q", 0777, false}, Case{"mine", 0777, false},
                          Case{"mine\\new\\Q\\data", 0777, false}, Case{"mine", 01777, false},
                          Case{"mine\\new\\Q", 0777, true}}) {
        setMode(dir / c.folder, c.mode);
        PutFile(JournalPath(target), "not a journal"); // the recovery would move it aside
        const Snapshot before = TakeSnapshot(dir / "mine");
        RunFixture again(payload, target);
        again.observer.installIntoFoldersOthersCanChange = c.install;
        EXPECT_EQ(again.Install(), "");
        const bool asked = !(c.mode & S_ISVTX);
        EXPECT_EQ(again.observer.foldersOpenToOthers,
                  asked ? std::vector<std::string>{dir / c.folder} : std::vector<std::string>{})
            << c.folder;
        EXPECT_EQ(modeOf(dir / c.folder), c.mode) << c.folder; // never taken over
        if (asked && !c.install) {
            EXPECT_EQ(again.result.outcome, RunOutcome::FolderLeftToOthers);
            EXPECT_EQ(TakeSnapshot(dir / "mine"), before) << c.folder;
        } else {
            EXPECT_EQ(again.result.outcome, RunOutcome::Succeeded) << c.folder;
            EXPECT_EQ(modeOf(dir / "mine\\new\\Q\\data\\day"), 0755u); // made in place of the one set aside
        }
        setMode(dir / c.folder, 0755);
    }
    umask(umaskBefore);
}
#endif
