#!/usr/bin/env bash
# The benchmarks: the installation run against a plain write loop (natively, without
# sanitizers, and under Wine), and the whole wizard under Wine against its floors.
# They print figures; they assert nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
SETUP_WIN32_ONLY=1 ./tools/build.sh
[ -f build/bench/build.ninja ] || cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZERS=OFF >/dev/null
cmake --build build/bench --target run_benchmark
cmake --build build/win32 --target run_benchmark wizard_benchmark

source tools/wine-session.sh

echo "== natively, POSIX seam =="
build/bench/tests/run_benchmark
echo "== under Wine, Win32 seam =="
./tools/wine-run.sh build/win32/tests/run_benchmark.exe
./tools/wine-run.sh build/win32/tests/wizard_benchmark.exe
