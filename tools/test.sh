#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: native unit tests,
# the same tests under Wine, and the end-to-end tests of Setup.exe under Wine on a
# virtual display. Screenshots and other artefacts go to artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh

# One Wine server for the whole run: starting Wine is slow without one.
export SETUP_WINEPREFIX=$PWD/build/wineprefix
mkdir -p artifacts
WINEPREFIX=$SETUP_WINEPREFIX WINEARCH=win32 wineserver -p
trap 'WINEPREFIX=$SETUP_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
./tools/prepare-wine-prefix.sh

# A virtual display for the end-to-end tests when there is no display.
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:97
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; WINEPREFIX=$SETUP_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
fi

status=0
(cd build/host && ctest --output-on-failure) || status=1
(cd build/win32 && ctest --output-on-failure) || status=1

# The end-to-end tests keep a screenshot of every page; PNG is easier to look at.
for shot in artifacts/*.bmp; do
  [ -e "$shot" ] && /usr/bin/convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
exit $status
