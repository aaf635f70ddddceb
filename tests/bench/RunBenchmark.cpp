// The installation run's own cost beside the file system's: the whole sample payload
// through the run (with an observer that only counts), next to a plain loop that writes the
// same bytes to the same paths with the same calls, alternating, in one process; and a
// second run over the complete installation the first one left (every file set aside,
// then the set-aside files dropped). Prints the median of each and their ratios. Not a
// test: it asserts nothing.
#include "engine/InstallationRun.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "tests/bench/PlainLoop.h"
#include "tests/support/RecordingObserver.h"
#include "tests/support/TempFolder.h"

#include <cstdio>

namespace {

void Run(const bench::PayloadInMemory& payload, const std::string& target) {
    testing_support::RecordingObserver observer;
    testing_support::FakeShortcuts shortcuts;
    engine::InstallationRun(target, shortcuts, payload).Install(observer);
}

} // namespace

int main() {
    const bench::PayloadInMemory payload(SAMPLE_PAYLOAD_DIR);
    testing_support::TempFolder dir;
    const std::string target = dir / "Quenvale";
    constexpr int kRounds = 7;
    std::vector<double> plain, run, reinstall;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(bench::MillisecondsOf([&] { bench::PlainLoop(payload, target, nullptr); }));
        testing_support::RemoveAll(target);
        run.push_back(bench::MillisecondsOf([&] { Run(payload, target); }));
        reinstall.push_back(bench::MillisecondsOf([&] { Run(payload, target); }));
        testing_support::RemoveAll(target);
    }
    std::printf("installation run benchmark (%s, %zu files, median of %d rounds)\n",
#ifdef _WIN32
                "Win32 seam",
#else
                "POSIX seam",
#endif
                payload.Entries().size(), kRounds);
    std::printf("  plain write loop: %8.1f ms\n", bench::Median(plain));
    std::printf("  installation run: %8.1f ms\n", bench::Median(run));
    std::printf("  ratio run/plain:  %8.3f (target at most 1.10)\n",
                bench::Median(run) / bench::Median(plain));
    std::printf("  reinstall over a complete installation: %8.1f ms, ratio to the plain loop %.3f\n",
                bench::Median(reinstall), bench::Median(reinstall) / bench::Median(plain));
    return 0;
}
