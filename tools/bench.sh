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

# The payload at other scales, each generated and built into a Setup.exe of its own once
# (kept in build/bench-payloads and build/bench-<label>): many small files, one large
# file, and the largest the format holds with room to spare. With "--sample-only" these
# are left out.
[ "${1:-}" = --sample-only ] && exit 0
mib=$((1 << 20))
large_payload() { # label, then the generator's arguments
  local label=$1 folder=$PWD/build/bench-payloads/$1 tree=build/bench-$1
  shift
  python3 tools/make_bench_payload.py --sample build/win32/payload --out "$folder" "$@"
  [ -f "$tree/build.ninja" ] || cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686-product.cmake -DSETUP_PRODUCT_ONLY=ON \
    -DSETUP_PAYLOAD_DIR="$folder" >/dev/null
  cmake --build "$tree" --target Setup >/dev/null
  ./tools/wine-run.sh build/win32/tests/wizard_benchmark.exe --payload "$label" \
    "Z:${folder//\//\\}" "Z:$(echo "$PWD/$tree/Setup.exe" | tr / '\\')"
}
large_payload many --daily-files 19995 --daily-bytes $((19995 * 5300)) --data-bytes 742152
large_payload one-large-file --daily-files 1749 --daily-bytes 9190028 --data-bytes $((400 * mib))
large_payload largest --daily-files 1749 --daily-bytes $((1100 * mib)) --data-bytes $((400 * mib))
