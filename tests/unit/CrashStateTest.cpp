// The crash-state explorer: a run is recorded change by change, and after every prefix
// of its changes, as a kill leaves the disk and as a power cut does (see CrashStates.h),
// the next run into the folder recovers. Then nothing the user or the earlier
// installation had may be lost, the folder must hold the earlier installation or the
// complete new one, and the run after that must install. Four runs: a reinstall, a
// cancelled one, an abandoned one and a fresh installation.
#include "engine/TargetPaths.h"
#include "tests/support/CrashStates.h"
#include "tests/support/SmallInstallation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace engine;
using namespace testing_support;

namespace {

// How many daily files the explored runs write (SETUP_CRASH_DAILY_FILES for more).
int DailyFiles() {
    const char* count = std::getenv("SETUP_CRASH_DAILY_FILES");
    return count ? std::atoi(count) : 3;
}

struct Tally {
    int states = 0;
    int inexact = 0;    // neither the earlier installation nor the complete new one
    int lost = 0;       // a file of the earlier installation or of the user's gone
    int cannotGoOn = 0; // the run after the recovery did not install
};

// Whether every file of before is still somewhere in now, with its bytes.
bool NothingLost(const Contents& before, const Contents& now) {
    for (const auto& [path, bytes] : before) {
        if (bytes == "folder")
            continue;
        const bool kept =
            std::any_of(now.begin(), now.end(), [&](const auto& entry) { return entry.second == bytes; });
        if (!kept)
            return false;
    }
    return true;
}

// The same files with the same bytes, and the same folders but for empty ones: a folder
// the run makes before its journal exists, to hold it, is all a run killed then leaves.
bool SameFiles(const Contents& now, const Contents& expected) {
    const auto emptyFolder = [&now](const std::string& path) {
        const auto next = now.upper_bound(path);
        return next == now.end() || next->first.compare(0, path.size() + 1, path + "\\") != 0;
    };
    for (const auto& [path, bytes] : now)
        if (!expected.count(path) && !(bytes == "folder" && emptyFolder(path)))
            return false;
    for (const auto& [path, bytes] : expected) {
        const auto found = now.find(path);
        if (found == now.end() ? bytes != "folder" : found->second != bytes)
            return false;
    }
    return true;
}

class CrashStates : public testing::Test {
  protected:
    // Runs run from before once whole, to count its changes and find where it ends; then,
    // from before again each time, stops it after every number of changes, as a kill
    // leaves the disk and as a power cut does, and checks what the next run makes of it.
    void Explore(const char* name, const std::function<void()>& run, const Contents& before) {
        std::size_t total = 0;
        LayOut(Roots(), before);
        {
            const ChangeRecorder recorder;
            run();
            total = recorder.Changes().size();
        }
        const Contents completeNew = ContentsOf(Roots());
        Tally tally;
        for (std::size_t count = 0; count <= total; ++count)
            for (const bool powerCut : {false, true})
                Check(run, count, powerCut, before, completeNew, tally);
        std::printf("%s: %d crash states of %zu changes: %d inexact, %d losing a file, %d stuck\n", name,
                    tally.states, total, tally.inexact, tally.lost, tally.cannotGoOn);
        EXPECT_EQ(tally.lost, 0) << name;
        EXPECT_EQ(tally.cannotGoOn, 0) << name;
    }

    void Check(const std::function<void()>& run, std::size_t count, bool powerCut, const Contents& before,
               const Contents& completeNew, Tally& tally) {
        ++tally.states;
        LayOut(Roots(), before);
        if (count > 0) {
            const ChangeRecorder recorder(count);
            try {
                run();
            } catch (const ChangeRecorder::Stopped&) {
            }
            if (powerCut)
                LoseUnflushedData(recorder.Changes());
        }
        RunFixture recovering(payload, target);
        recovering.shortcuts.linkFolder = links;
        recovering.observer.stopAtCheck = 1; // settle the crashed run, then stop at once
        const std::string error = recovering.Install();
        const Contents recovered = ContentsOf(Roots());
        const bool completed = SameFiles(recovered, completeNew),
                   exact = completed || SameFiles(recovered, before);
        tally.inexact += !exact;
        // A completed run drops what it replaced, as it does without a crash; any other
        // ending keeps every earlier file, at its name or moved aside.
        tally.lost += !completed && !NothingLost(before, recovered);
        RunFixture next(payload, target);
        next.shortcuts.linkFolder = links;
        const bool installs = next.Install().empty() && next.result.outcome == RunOutcome::Succeeded;
        tally.cannotGoOn += !installs;
        if (!exact && std::getenv("SETUP_CRASH_DIFF")) {
            for (const auto& [path, bytes] : recovered)
                if (!before.count(path) || before.at(path) != bytes)
                    std::printf("  now  %s (%zu bytes)\n", path.c_str(), bytes.size());
            for (const auto& [path, bytes] : before)
                if (!recovered.count(path) || recovered.at(path) != bytes)
                    std::printf("  was  %s (%zu bytes)\n", path.c_str(), bytes.size());
        }
        const bool lost = !completed && !NothingLost(before, recovered);
        if (lost || !installs)
            ADD_FAILURE() << "after change " << count << (powerCut ? " (power cut)" : " (killed)")
                          << ": recovery said \"" << error << "\", outcome "
                          << static_cast<int>(recovering.result.outcome) << "; "
                          << (lost ? "a file of the earlier installation or the user's is gone; " : "")
                          << (installs ? "" : "the next run did not install");
    }

    // A complete earlier installation with its links, touched by its user since.
    void InstallEarlier() {
        rt::CreateDir(links);
        RunFixture first(payload, target);
        first.shortcuts.linkFolder = links;
        ASSERT_EQ(first.Install(), "");
        PutFile(target + "\\readme.txt", "my own notes");
        PutFile(target + "\\readme.txt.bak", "kept by hand");
        PutFile(target + "\\data\\mine.txt", "mine");
    }

    // A run into the target, arranged by set, that must end with error (a failure it
    // stops on is then abandoned, as its user would).
    std::function<void()> RunInto(const std::function<void(RunFixture&)>& set = {},
                                  const std::string& error = "") {
        return [this, set, error] {
            RunFixture run(payload, target);
            run.shortcuts.linkFolder = links;
            if (set)
                set(run);
            ASSERT_EQ(run.Install(), error);
            if (!error.empty())
                run.run.Abandon();
        };
    }

    std::vector<std::string> Roots() const { return {target, links}; }

    TempFolder dir;
    std::string payload = MakePayload(dir, DailyFiles());
    std::string target = dir / "Q", links = dir / "links";
};

} // namespace

TEST_F(CrashStates, AReinstallEndsAsTheEarlierOrTheNewInstallation) {
    InstallEarlier();
    Explore("reinstall", RunInto(), ContentsOf(Roots()));
}

TEST_F(CrashStates, ACancelledOrAbandonedReinstallEndsAsTheEarlierInstallation) {
    InstallEarlier();
    const Contents before = ContentsOf(Roots());
    Explore("cancelled reinstall", RunInto([](RunFixture& run) { run.observer.stopAtCheck = 2; }), before);
    Explore("abandoned reinstall",
            RunInto([](RunFixture& run) { run.shortcuts.failDesktop = true; }, "the shell failed"), before);
}

TEST_F(CrashStates, AFreshInstallationEndsAsNothingOrTheNewInstallation) {
    rt::CreateDir(links);
    Explore("fresh installation", RunInto(), ContentsOf(Roots()));
}
