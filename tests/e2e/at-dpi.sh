#!/usr/bin/env bash
# Runs a command under Wine with the display at DPI dots per inch, then puts 96 back:
# Wine reads the setting (HKCU\Control Panel\Desktop\LogPixels) when its server starts,
# so the session's server is restarted around the command, and again after it.
#
#     tests/e2e/at-dpi.sh DPI COMMAND...
set -u
dpi=$1
shift
here=$(cd "$(dirname "$0")/../.." && pwd)
run="$here/tools/wine-run.sh"
export WINEPREFIX=${SETUP_WINEPREFIX:-$here/build/wineprefix}
set_dpi() {
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$here/tests/e2e/restart-wine-server.sh"
}
trap 'set_dpi 96' EXIT
set_dpi "$dpi"
"$@"
