#!/usr/bin/env bash
# Installs what is missing, builds Setup.exe and starts it under Wine in code page 936.
# Without a display it starts a virtual one, says so, and keeps a screenshot of the
# screen a few seconds after the start in artifacts/start.png.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
SETUP_WIN32_ONLY=1 ./tools/build.sh
mkdir -p artifacts
./tools/prepare-wine-prefix.sh # creates the prefix on first use
# A Wine virtual desktop of its own: Wine manages its windows without a window manager.
start_setup() { ./tools/wine-run.sh explorer /desktop=Setup,1024x768 build/win32/Setup.exe; }
if [ -n "${DISPLAY:-}" ]; then
  start_setup
  exit
fi
export DISPLAY=:98
echo "No display: starting Setup.exe on the virtual display $DISPLAY (Xvfb)."
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
start_setup &
setup=$!
sleep "${SETUP_SCREENSHOT_DELAY:-8}"
/usr/bin/import -window root artifacts/start.png
echo "Screenshot of the virtual display: artifacts/start.png"
echo "Setup.exe is running on $DISPLAY; press Ctrl+C to stop it."
wait $setup
