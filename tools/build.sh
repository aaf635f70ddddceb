#!/usr/bin/env bash
# Configures and builds both trees: build/win32 (the product and its Wine tests) and
# build/host (native unit tests with sanitizers). Extra arguments go to the Windows
# configure step (for example -DSETUP_PAYLOAD_DIR=/path/to/payload).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
if [ ! -f build/win32/build.ninja ] || [ $# -gt 0 ]; then
  cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake "$@" >/dev/null
fi
cmake --build build/win32 -j "$jobs"
if [ "${SETUP_WIN32_ONLY:-}" != 1 ]; then
  [ -f build/host/build.ninja ] || cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build/host -j "$jobs"
fi
