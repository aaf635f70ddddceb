#!/usr/bin/env bash
# Makes the Wine prefix the tests use (idempotent): created on first use, and told to
# run every program in a virtual desktop of its own, which Wine manages itself (without
# a window manager Wine stalls each time a window hides, and every page move hides one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run="$here/wine-run.sh"
# A fresh Wine prefix has no association for ".txt" (Windows opens it with Notepad),
# which the finish page relies on to show the read-me.
if ! "$run" reg query 'HKCR\.txt' >/dev/null 2>&1; then
  "$run" reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null
fi
if ! "$run" reg query 'HKCU\Software\Wine\Explorer' /v Desktop >/dev/null 2>&1; then
  "$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  "$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
fi
# Wine links the user's Desktop, Documents and the like to the Unix home folder, which
# every prefix on the machine (and every other checkout's tests) then shares: a link one
# test run leaves on the desktop would be another's. Each prefix gets folders of its own.
prefix=${SETUP_WINEPREFIX:-$here/../build/wineprefix}
for profile in "$prefix"/drive_c/users/*/; do
  for folder in Desktop Documents Downloads Music Pictures Videos Templates; do
    if [ -L "$profile$folder" ]; then
      rm "$profile$folder"
      mkdir "$profile$folder"
    fi
  done
done
