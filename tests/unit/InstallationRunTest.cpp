#include "engine/InstallationRun.h"
#include "engine/TargetPaths.h"
#include "payload/ProductInfo.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "runtime/FolderClaim.h"
#include "runtime/SeamChanges.h"
#include "runtime/TextFile.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/FolderStore.h"
#include "tests/support/Readers.h"
#include "tests/support/RecordingObserver.h"
#include "tests/support/SmallInstallation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace engine;
using testing_support::EarlierInstallation;
using testing_support::FakeShortcuts;
using testing_support::FileContent;
using testing_support::FileLines;
using testing_support::FolderStore;
using testing_support::HostPath;
using testing_support::MakePayload;
using testing_support::PutFile;
using testing_support::RecordingObserver;
using testing_support::Reinstall;
using testing_support::RemoveAll;
using testing_support::RunFixture;
using testing_support::SetLastWriteYear;
using testing_support::Snapshot;
using testing_support::TakeSnapshot;
using testing_support::TempFolder;

namespace {

using Lines = std::vector<std::string>;

} // namespace

TEST(InstallationRun, SamplePayloadFillsTheFolderAndSucceeds) {
    TempFolder dir;
    RunFixture r(SAMPLE_PAYLOAD_DIR, dir / "Quenvale");
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(r.result.outcome, RunOutcome::Succeeded);
    EXPECT_EQ(r.observer.maximum, 1754);
    EXPECT_EQ(r.observer.position, 1749);
    EXPECT_EQ(r.observer.checks, 1749);
    EXPECT_EQ(r.observer.entriesStarted, 1754);

    const Lines uninstall = FileLines(dir / "Quenvale\\Unini.dat");
    ASSERT_EQ(uninstall.size(), 1754u);
    EXPECT_EQ(uninstall[0], dir / "Quenvale\\Quenvale.exe");
    EXPECT_EQ(uninstall[4], dir / "Quenvale\\data\\sda.d");
    EXPECT_EQ(uninstall[5], dir / "Quenvale\\data\\day\\000001.day");
    EXPECT_EQ(uninstall.back(), dir / "Quenvale\\data\\day\\999999.day");
    EXPECT_EQ(r.observer.currentEntry, uninstall.back());
    EXPECT_FALSE(rt::FileExists(dir / "Quenvale\\count1.dat"));

    const std::string sample = SAMPLE_PAYLOAD_DIR;
    for (const char* file : {"Quenvale.exe", "UnInstall.exe", "update.exe", "readme.txt", "data\\sda.d",
                             "data\\day\\000001.day", "data\\day\\600000.day", "data\\day\\999999.day"})
        EXPECT_EQ(FileContent(dir / "Quenvale\\" + file), FileContent(sample + "\\" + file)) << file;

    const std::string q = dir / "Quenvale";
    EXPECT_EQ(
        r.shortcuts.calls,
        (Lines{"programs " + q + "\\readme.txt 软件说明文件", "programs " + q + "\\UnInstall.exe Marluxa卸载",
               "programs " + q + "\\Quenvale.exe Marluxa", "desktop " + q + "\\Quenvale.exe Marluxa"}));
    EXPECT_EQ(r.observer.desktopChoiceReads, 1);
}

// A file of many write parts is written whole, the page hearing between the parts that
// work goes on, and counts as one file.
TEST(InstallationRun, ALargeFileIsWrittenWholeWithThePageHearingBetweenItsParts) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 2);
    const std::string large(2 * rt::NewFile::kWritePart + 1, 'L');
    PutFile(payload + "\\data\\sda.d", large);
    RunFixture r(payload, dir / "Q");
    ASSERT_EQ(r.Install(), "");
    EXPECT_TRUE(FileContent(dir / "Q\\data\\sda.d") == large);
    EXPECT_GE(r.observer.stillWorking, 2);
    EXPECT_EQ(r.observer.entriesStarted, 7);
    EXPECT_EQ(r.observer.position, 2);
}

TEST(TargetPaths, BlanksAroundTheFolderAreStrippedOnlyWhereTheRunStripsThem) {
    const std::string dir = "  C:\\Q  ";
    EXPECT_EQ(DataFolder(dir), "  C:\\Q  \\data");
    EXPECT_EQ(DailyFolder(dir), "  C:\\Q  \\data\\day");
    EXPECT_EQ(ManifestCopyPath(dir), "C:\\Q\\count1.dat");
    EXPECT_EQ(EntryPath(dir, LineClass::Root, "Quenvale.exe"), "C:\\Q  \\Quenvale.exe");
    EXPECT_EQ(EntryPath(dir, LineClass::Data, "sda.d"), "C:\\Q  \\data\\sda.d");
    EXPECT_EQ(EntryPath(dir, LineClass::Daily, "000001.day"), "C:\\Q\\data\\day\\000001.day");
    EXPECT_EQ(UninstallListPath(dir), "  C:\\Q  \\Unini.dat");
    // A folder text ending in a backslash yields a doubled one.
    EXPECT_EQ(EntryPath("C:\\Q\\", LineClass::Daily, "1.day"), "C:\\Q\\\\data\\day\\1.day");
}

TEST(InstallationRun, ConfirmedCancelAtTheFirstDailyEntryRemovesTheNewFolder) {
    TempFolder dir;
    RunFixture r(MakePayload(dir, 5), dir / "new\\Quenvale");
    r.observer.stopAtCheck = 1;
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(r.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(r.observer.checks, 1);
    EXPECT_EQ(r.observer.position, 0);
    EXPECT_TRUE(r.shortcuts.calls.empty());
    EXPECT_FALSE(rt::DirectoryExists(dir / "new")); // parents the run made go too
    EXPECT_TRUE(rt::DirectoryExists(dir.Path()));
}

TEST(InstallationRun, ConfirmedCancelKeepsEverythingTheUserHad) {
    TempFolder dir;
    const std::string target = dir / "Documents";
    rt::ForceDirectories(target + "\\data\\mine");
    PutFile(target + "\\letter.txt", "my letter");
    PutFile(target + "\\data\\notes.txt", "my notes");
    rt::FileSetAttr(target + "\\letter.txt", os::kAttrReadOnly);
    RunFixture r(MakePayload(dir, 5), target);
    r.observer.stopAtCheck = 3;
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(r.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(FileContent(target + "\\letter.txt"), "my letter");
    EXPECT_EQ(FileContent(target + "\\data\\notes.txt"), "my notes");
    EXPECT_TRUE(rt::DirectoryExists(target + "\\data\\mine"));
    EXPECT_FALSE(rt::FileExists(target + "\\Quenvale.exe"));
    EXPECT_FALSE(rt::FileExists(target + "\\count1.dat"));
    EXPECT_FALSE(rt::FileExists(target + "\\Unini.dat"));
    EXPECT_FALSE(rt::DirectoryExists(target + "\\data\\day")); // the run made it
    rt::FileSetAttr(target + "\\letter.txt", 0);
}

TEST(InstallationRun, ACancelSeenAtTheLastDailyEntryStillEndsTheRun) {
    TempFolder dir;
    RunFixture r(MakePayload(dir, 3), dir / "Q");
    r.observer.stopAtCheck = 3;
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(r.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(r.observer.position, 2); // the last entry was not written
    EXPECT_FALSE(rt::DirectoryExists(dir / "Q"));
}

TEST(InstallationRun, TheDesktopChoiceIsReadOnceAtTheEnd) {
    TempFolder dir;
    RunFixture r(MakePayload(dir, 3), dir / "Q");
    r.observer.desktopWanted = false;
    r.observer.onDesktopChoice = [&] { EXPECT_EQ(r.shortcuts.calls.size(), 3u); }; // after the Programs links
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(r.observer.desktopChoiceReads, 1);
    EXPECT_EQ(r.shortcuts.calls.size(), 3u);
}

TEST(InstallationRun, ADamagedPayloadIsFoundBeforeAnythingIsMade) {
    // Each file of a small payload changed after the store recorded its digests, as a
    // damaged program's resources would be: a byte changed, a blob cut short, the
    // manifest changed; and a blob missing altogether.
    const std::vector<std::pair<std::string, std::string>> damages = {{"data\\day\\000002.day", "day 000003"},
                                                                      {"Quenvale.exe", "blob of Quenvale"},
                                                                      {"Count.dat", ""},
                                                                      {"data\\day\\000001.day", "<missing>"}};
    for (const auto& [file, content] : damages) {
        TempFolder dir;
        const std::string payload = MakePayload(dir, 3, content == "<missing>" ? "f000001" : "");
        RunFixture r(payload, dir / "Q");
        if (file == "Count.dat")
            PutFile(payload + "\\Count.dat", FileContent(payload + "\\Count.dat") + "\r\n");
        else if (content != "<missing>")
            PutFile(payload + "\\" + file, content);
        ASSERT_EQ(r.Install(), "") << file;
        EXPECT_EQ(r.result.outcome, RunOutcome::PayloadDamaged) << file;
        EXPECT_FALSE(rt::DirectoryExists(dir / "Q")) << file;
        EXPECT_EQ(r.observer.entriesStarted, 0);
    }
}

TEST(InstallationRun, AShortManifestEndsInResourceNotFound) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 0);
    PutFile(payload + "\\Count.dat",
            "fCount datfile D:\\Q\\Count.dat\r\nfQuenvale exefile D:\\Q\\Quenvale.exe\r\n");
    RunFixture r(payload, dir / "Q");
    EXPECT_EQ(r.Install(), "Resource  not found");
    EXPECT_FALSE(rt::DirectoryExists(dir / "Q")); // found while planning, before anything is made
}

TEST(InstallationRun, FolderCreationFailureShowsItsMessageAndWritesNothing) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 1);
    PutFile(dir / "file", "x");
    Lines targets = {"Quenvale", "..\\Quenvale", "C:Quenvale", "\\Quenvale", dir / "file\\Quenvale"};
#ifdef _WIN32
    targets.push_back("Q:\\no such drive\\Quenvale");
#endif
    for (const std::string& target : targets) {
        RunFixture r(payload, target);
        ASSERT_EQ(r.Install(), "") << target;
        EXPECT_EQ(r.result.outcome, RunOutcome::FoldersNotCreated) << target;
        EXPECT_EQ(r.observer.maximum, -1);
        EXPECT_EQ(r.observer.entriesStarted, 0);
    }
    EXPECT_FALSE(rt::DirectoryExists("Quenvale"));
}

TEST(InstallationRun, ATargetTooLongForItsDeepestFileIsRefusedBeforeAnythingIsMade) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 2);
    const std::string daily = "\\data\\day\\000002.day";
    const std::string fits = dir / std::string(259 - (dir.Path().size() + 1) - daily.size(), 'L');
    ASSERT_EQ((fits + daily).size(), 259u);
    RunFixture refused(payload, fits + "M");
    ASSERT_EQ(refused.Install(), "");
    EXPECT_EQ(refused.result.outcome, RunOutcome::FoldersNotCreated);
    EXPECT_FALSE(rt::DirectoryExists(fits + "M"));
    RunFixture installed(payload, fits);
    EXPECT_EQ(installed.Install(), "");
    EXPECT_EQ(installed.result.outcome, RunOutcome::Succeeded);
    EXPECT_EQ(FileContent(fits + daily), "day 000002");
}

TEST(InstallationRun, ExistingFilesOfTheSameNameAreReplacedOthersStay) {
    TempFolder dir;
    rt::ForceDirectories(dir / "Q\\data\\day");
    PutFile(dir / "Q\\Quenvale.exe", std::string(10000, 'o'));
    PutFile(dir / "Q\\mine.txt", "mine");
    RunFixture r(MakePayload(dir, 2), dir / "Q");
    ASSERT_EQ(r.Install(), "");
    EXPECT_EQ(FileContent(dir / "Q\\Quenvale.exe"), "blob of Quenvale.exe");
    EXPECT_EQ(FileContent(dir / "Q\\mine.txt"), "mine");
}

TEST(InstallationRun, AReinstallCancelledInTheMiddleLeavesTheEarlierInstallationAsItWas) {
    TempFolder dir;
    Reinstall second(dir);
    second.r.observer.stopAtCheck = 4;
    ASSERT_EQ(second.r.Install(), "");
    EXPECT_EQ(second.r.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(second.earlier.Now(), second.before);
}

TEST(InstallationRun, AFailureInTheSuccessEndingIsUndoneLinksIncluded) {
    TempFolder dir;
    Reinstall second(dir);
    const EarlierInstallation& earlier = second.earlier;
    second.r.shortcuts.failDesktop = true; // after the three Programs links and the desktop's
    EXPECT_EQ(second.r.Install(), "the shell failed");
    EXPECT_EQ(FileContent(earlier.links + "\\Marluxa.lnk"), earlier.target + "\\Quenvale.exe");
    EXPECT_TRUE(rt::FileExists(earlier.links + "\\Marluxa.lnk.bak"));
    EXPECT_EQ(second.r.run.Abandon().count, 0);
    EXPECT_EQ(earlier.Now(), second.before);
    EXPECT_EQ(second.r.run.Abandon().count, 0); // a second abandon finds nothing to do
    EXPECT_EQ(earlier.Now(), second.before);
}

// Also when the user deleted the daily folder since: "data" then holds only a file the
// run replaces, yet it stays, since the run makes the daily folder inside it.
TEST(InstallationRun, ASuccessfulReinstallDropsWhatItSetAsideAndNothingElse) {
    for (const bool withoutDailyFolder : {false, true}) {
        TempFolder dir;
        Reinstall second(dir);
        const EarlierInstallation& earlier = second.earlier;
        if (withoutDailyFolder)
            RemoveAll(earlier.target + "\\data\\day");
        ASSERT_EQ(second.r.Install(), "") << withoutDailyFolder;
        EXPECT_EQ(second.r.result.outcome, RunOutcome::Succeeded);
        EXPECT_EQ(FileContent(earlier.target + "\\readme.txt"), "blob of readme.txt");
        EXPECT_EQ(FileContent(earlier.target + "\\data\\day\\000006.day"), "day 000006");
        EXPECT_EQ(FileContent(earlier.target + "\\readme.txt.bak"), "kept by hand");
        const Snapshot after = earlier.Now();
        for (const auto& entry : after)
            EXPECT_TRUE(entry.first == "readme.txt.bak" || entry.first.find(".bak") == std::string::npos)
                << entry.first;
    }
}

#ifndef _WIN32 // flushes refused and told by the host seam
// Success waits for the new files to reach the disk, a fresh installation's too: one
// volume flush, or where the volume cannot be flushed each file, and each link (which
// may lie on another volume) after it is saved. Where nothing can write them through,
// the earlier files are kept under their set-aside names and named, never dropped.
TEST(InstallationRun, SuccessWaitsForTheNewFilesToReachTheDisk) {
    struct Case {
        const char* name;
        bool reinstall, volumeFlushes, fileFlushes;
    };
    for (const Case& c : {Case{"fresh", false, true, true}, Case{"volume", true, true, true},
                          Case{"each file", true, false, true}, Case{"nothing", true, false, false}}) {
        TempFolder dir;
        Reinstall second(dir);
        RunFixture fresh(second.earlier.payload, dir / "fresh");
        fresh.shortcuts.linkFolder = second.earlier.links;
        RunFixture& r = c.reinstall ? second.r : fresh;
        std::set<std::string> flushed;
        int volumeFlushes = 0;
        os::RefuseFlushes([&](const os::Change& change) -> unsigned {
            const bool volume = change.kind == os::Change::Kind::FlushVolume;
            const bool journal = change.path.find("Setup.journal") != std::string::npos;
            return journal || (volume ? c.volumeFlushes : c.fileFlushes) ? 0 : 1117; // ERROR_IO_DEVICE
        });
        os::ListenToChanges([&](const os::Change& change) {
            if (change.kind == os::Change::Kind::FlushVolume)
                ++volumeFlushes;
            else if (change.kind == os::Change::Kind::Flush)
                flushed.insert(change.path);
        });
        EXPECT_EQ(r.Install(), "") << c.name;
        os::ListenToChanges({});
        os::RefuseFlushes({});
        EXPECT_EQ(r.result.outcome, RunOutcome::Succeeded) << c.name;
        EXPECT_EQ(volumeFlushes, c.volumeFlushes ? 1 : 0) << c.name;
        const std::string link = second.earlier.links + "\\" PRODUCT_NAME ".lnk";
        EXPECT_EQ(flushed.count(link), c.fileFlushes ? 1u : 0u) << c.name;
        // Between the files flushed one by one, the page heard that work goes on.
        EXPECT_GE(r.observer.stillWorking,
                  static_cast<int>(std::count_if(flushed.begin(), flushed.end(),
                                                 [](const std::string& path) {
                                                     return path.find("Setup.journal") == std::string::npos;
                                                 })))
            << c.name;
        EXPECT_EQ(flushed.count(r.installDir + "\\readme.txt"), c.volumeFlushes || !c.fileFlushes ? 0u : 1u)
            << c.name;
        EXPECT_FALSE(rt::FileExists(JournalPath(r.installDir))) << c.name;
        EXPECT_EQ(FileContent(r.installDir + "\\readme.txt"), "blob of readme.txt") << c.name;
        const bool kept = c.reinstall && !c.fileFlushes;
        EXPECT_EQ(!r.result.left.keptAside.empty(), kept) << c.name;
        EXPECT_EQ(rt::DirectoryExists(r.installDir + "\\data\\day.bak"), kept) << c.name;
    }
}
#endif

TEST(InstallationRun, AReadOnlyFileUnderAPayloadNameIsRefusedAndKept) {
    TempFolder dir;
    const std::string target = dir / "Q";
    rt::CreateDir(target);
    PutFile(target + "\\update.exe", "my update");
    rt::FileSetAttr(target + "\\update.exe", os::kAttrReadOnly);
    const std::string payload = MakePayload(dir, 2);
    const Snapshot before = TakeSnapshot(target);
    RunFixture r(payload, target);
    EXPECT_EQ(r.Install(), rt::CannotCreateFile(target + "\\update.exe", os::kErrorAccessDenied).what());
    EXPECT_EQ(r.run.Abandon().count, 0);
    EXPECT_EQ(TakeSnapshot(target), before);
    rt::FileSetAttr(target + "\\update.exe", 0);
}

#ifndef _WIN32
// A link where the run would write through it or rename it (a folder of the
// installation, an entry in the way, the links' folder) is refused before anything is
// written, and what it leads to stays as it was.
TEST(InstallationRun, ALinkWhereTheRunWouldWriteIsRefusedWithNothingWrittenThroughIt) {
    for (const std::string linked : {"Q\\data", "Q\\data\\day", "Q\\readme.txt", "links"}) {
        TempFolder dir;
        Reinstall next(dir);
        rt::CreateDir(dir / "elsewhere");
        PutFile(dir / "elsewhere\\readme.txt", "someone else's");
        PutFile(dir / "elsewhere\\000001.day", "someone else's");
        PutFile(dir / "elsewhere\\sda.d", "someone else's");
        if (!rt::RemoveFile(dir / linked))
            RemoveAll(dir / linked);
        ASSERT_EQ(
            symlink(HostPath(dir / "elsewhere" + (linked == "Q\\readme.txt" ? "\\readme.txt" : "")).c_str(),
                    HostPath(dir / linked).c_str()),
            0)
            << linked << " " << std::strerror(errno);
        const Snapshot before = TakeSnapshot(dir.Path()), elsewhere = TakeSnapshot(dir / "elsewhere");
        ASSERT_EQ(next.r.Install(), "") << linked;
        EXPECT_EQ(next.r.result.outcome, RunOutcome::LinkInTheWay) << linked;
        EXPECT_EQ(next.r.result.refusedAt, dir / linked);
        EXPECT_EQ(TakeSnapshot(dir.Path()), before) << linked;
        EXPECT_EQ(TakeSnapshot(dir / "elsewhere"), elsewhere) << linked;
    }
}

// What is looked at is what is written into: a link made at "data" while the question
// about a folder others may change is up is refused after "yes", nothing written through
// it; a target whose parts would name one folder when made and another when written
// into (a closing blank or dot) is refused before anything is made.
TEST(InstallationRun, TheFoldersLookedAtAreTheFoldersWrittenInto) {
    TempFolder dir;
    Reinstall next(dir);
    rt::CreateDir(dir / "elsewhere");
    chmod(HostPath(dir / "Q").c_str(), 0777);
    next.r.observer.installIntoFoldersOthersCanChange = true;
    next.r.observer.whileAsked = [&] {
        RemoveAll(dir / "Q\\data");
        ASSERT_EQ(symlink(HostPath(dir / "elsewhere").c_str(), HostPath(dir / "Q\\data").c_str()), 0);
    };
    ASSERT_EQ(next.r.Install(), "");
    EXPECT_EQ(next.r.result.outcome, RunOutcome::LinkInTheWay);
    EXPECT_EQ(next.r.result.refusedAt, dir / "Q\\data");
    EXPECT_EQ(TakeSnapshot(dir / "elsewhere"), Snapshot{});

    const Snapshot before = TakeSnapshot(dir.Path());
    for (const char* target : {"R \\S", "R.\\S", "R\\S.", "R\\.\\S", "R\\..\\S"}) {
        RunFixture odd(next.earlier.payload, dir / target);
        EXPECT_EQ(odd.Install(), "") << target;
        EXPECT_EQ(odd.result.outcome, RunOutcome::FoldersNotCreated) << target;
        EXPECT_EQ(TakeSnapshot(dir.Path()), before) << target;
        EXPECT_FALSE(rt::DirectoryExists(dir / "R")) << target;
    }
    EXPECT_EQ(PartEndingInBlankOrDot("  C:\\Program Files\\Q  "), "");
    EXPECT_EQ(PartEndingInBlankOrDot("C:/Q /x"), "Q ");
}

// The run reads its copy of the payload's file list from disk twice; from its writing
// on, no one can change, rename or delete it, and a copy changed all the same (here
// behind the host's advisory locks, which Windows' sharing would not allow) is caught
// at the first line that names another file than the payload's own list.
TEST(InstallationRun, TheFileListCopyCannotBeChangedUnderTheRun) {
    TempFolder dir;
    RunFixture r(MakePayload(dir, 4), dir / "Q");
    const std::string copy = ManifestCopyPath(r.installDir);
    r.observer.onCheck = [&](int check) {
        if (check != 1)
            return;
        os::FileHandle file = os::kNoFile;
        EXPECT_EQ(testing_support::OpenToOverwrite(copy, file), os::kErrorSharingViolation);
        EXPECT_EQ(os::RemoveFile(copy), os::kErrorSharingViolation);
        EXPECT_EQ(os::MoveEntry(copy, copy + ".x"), os::kErrorSharingViolation);
        std::string lines = FileContent(copy);
        lines.replace(lines.rfind("data\\day\\000004.day"), 20, "..\\..\\..\\outside.txt");
        std::ofstream(HostPath(copy), std::ios::binary) << lines;
    };
    EXPECT_EQ(r.Install(), "The file list \"" + copy + "\" was changed while the installation was running");
    EXPECT_FALSE(rt::FileExists(dir / "outside.txt"));
    r.run.Abandon();
    EXPECT_FALSE(rt::DirectoryExists(r.installDir));
}
#endif

#ifndef _WIN32
// The disk fills while the run writes: whichever file it is writing (the journal grows
// fastest), the run stops with an error, and abandoning it removes everything it made.
TEST(InstallationRun, AFullDiskStopsTheRunAndAbandoningRemovesEverything) {
    TempFolder dir;
    const std::string target = dir / std::string(120, 'q');
    RunFixture r(MakePayload(dir, 5), target);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit, previous;
    getrlimit(RLIMIT_FSIZE, &previous);
    limit = previous;
    limit.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string error = r.Install();
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_NE(error, "");
    EXPECT_TRUE(r.run.Abandon().Nothing());
    EXPECT_FALSE(rt::DirectoryExists(target));
}
#endif

// One run into a folder at a time, however the folder is spelt: a second run is refused
// before it touches anything while the first goes on or stands stopped, and may start
// once the first is over.
TEST(InstallationRun, ASecondRunIntoTheSameFolderIsRefusedUntilTheFirstIsOver) {
    TempFolder dir;
    const std::string payload = MakePayload(dir, 3), target = dir / "Quenvale";
    EXPECT_EQ(rt::FolderClaim::NameOf(target), rt::FolderClaim::NameOf(" " + dir / "QUENVALE\\"));
    EXPECT_NE(rt::FolderClaim::NameOf(target), rt::FolderClaim::NameOf(dir / "Quenvale2"));
    RunFixture first(payload, target);
    first.observer.onDesktopChoice = [] { throw rt::Error("stopped"); }; // the stopped state
    ASSERT_EQ(first.Install(), "stopped");
    const Snapshot stopped = TakeSnapshot(dir.Path());
    RunFixture second(payload, dir / "QUENVALE\\");
    ASSERT_EQ(second.Install(), "");
    EXPECT_EQ(second.result.outcome, RunOutcome::FolderInUse);
    EXPECT_EQ(TakeSnapshot(dir.Path()), stopped);
    EXPECT_TRUE(first.run.Abandon().Nothing());
    RunFixture third(payload, target);
    ASSERT_EQ(third.Install(), "");
    EXPECT_EQ(third.result.outcome, RunOutcome::Succeeded);
}
