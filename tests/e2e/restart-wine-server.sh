#!/usr/bin/env bash
# Restarts the session's Wine server: one server for the rest of the session, its
# services started here with their output detached (they outlive every test, and the
# test runner would otherwise wait on their output).
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${SETUP_WINEPREFIX:-$here/build/wineprefix}
wineserver -k 2>/dev/null
wineserver -w
WINEARCH=win32 wineserver -p </dev/null >/dev/null 2>&1
"$here/tools/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
