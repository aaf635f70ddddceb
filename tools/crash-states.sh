#!/usr/bin/env bash
# The crash-state explorer over a larger payload than tools/test.sh gives it: a
# reinstall, a cancelled and an abandoned one and a fresh installation, each stopped
# after every one of its changes, killed and cut by power (the journal's unflushed
# sectors kept or lost one by one after every change, not only after the journal's own
# writes), then recovered by the next run. Natively, without sanitizers. Prints the
# states checked and what they gave.
# Usage: tools/crash-states.sh [DAILY_FILES]   (default 40; the sample payload has 1,749)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
[ -f build/bench/build.ninja ] ||
  cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZERS=OFF >/dev/null
cmake --build build/bench --target unit_tests
SETUP_CRASH_DAILY_FILES=${1:-40} SETUP_CRASH_EVERY_JOURNAL_STATE=1 build/bench/tests/unit_tests --gtest_filter='CrashStates.*'
