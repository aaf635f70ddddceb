// The installation run's own cost beside the file system's: the whole sample payload
// through the run (with an observer that only counts), next to a plain loop that writes the
// same bytes to the same paths with the same calls, alternating, in one process; and a
// second run over the complete installation the first one left (what stands in the way
// set aside, then dropped after success); and the recovery that the next run makes of a
// reinstall killed half-way (its files removed, the earlier ones put back). Prints the
// median of each and its ratio to the plain loop. Not a test: it asserts nothing.
#include "engine/InstallationRun.h"
#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "tests/bench/PlainLoop.h"
#include "tests/support/RecordingObserver.h"
#include "tests/support/TempFolder.h"

#include <cstdio>

namespace {

// A whole run; or, with killAtCheck, one that dies at that cancel check and leaves its
// journal, as a killed process would.
void Run(const bench::PayloadInMemory& payload, const std::string& target, int killAtCheck = 0) {
    testing_support::RecordingObserver observer;
    testing_support::FakeShortcuts shortcuts;
    observer.killAtCheck = killAtCheck;
    try {
        engine::InstallationRun(shortcuts, payload).Install(target, observer);
    } catch (const testing_support::RecordingObserver::Killed&) {
    }
}

void Report(const char* what, const std::vector<double>& times, double plain) {
    std::printf("  %-42s %8.1f ms  %6.3f x plain\n", what, bench::Median(times),
                bench::Median(times) / plain);
}

} // namespace

int main() {
    const bench::PayloadInMemory payload(SAMPLE_PAYLOAD_DIR);
    testing_support::TempFolder dir;
    const std::string target = dir / "Quenvale";
    constexpr int kRounds = 7;
    const long middle = static_cast<long>(payload.Entries().size()) / 2;
    std::vector<double> plain, run, reinstall, recovery, volumeFlush;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(bench::MillisecondsOf([&] { bench::PlainLoop(payload, target, nullptr); }));
        volumeFlush.push_back(bench::MillisecondsOf([&] { os::FlushVolume(target); }));
        testing_support::RemoveAll(target);
        run.push_back(bench::MillisecondsOf([&] { Run(payload, target); }));
        reinstall.push_back(bench::MillisecondsOf([&] { Run(payload, target); }));
        Run(payload, target, static_cast<int>(middle));
        recovery.push_back(bench::MillisecondsOf(
            [&] { engine::RecoverInterruptedRun(engine::JournalPath(target), target, {}); }));
        testing_support::RemoveAll(target);
    }
    std::printf("installation run benchmark (%s, %zu files, median of %d rounds)\n",
#ifdef _WIN32
                "Win32 seam",
#else
                "POSIX seam",
#endif
                payload.Entries().size(), kRounds);
    const double bare = bench::Median(plain);
    Report("plain write loop", plain, bare);
    Report("fresh installation (target at most 1.10)", run, bare);
    Report("reinstall over a complete installation", reinstall, bare);
    std::printf("  %-42s %8.3f (target at most 1.5)\n", "reinstall / fresh installation",
                bench::Median(reinstall) / bench::Median(run));
    Report("recovery of a reinstall killed half-way", recovery, bare);
    Report("one volume flush after the plain loop", volumeFlush, bare);
    return 0;
}
