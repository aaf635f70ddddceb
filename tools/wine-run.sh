#!/usr/bin/env bash
# Runs a Windows program under Wine as the installer is meant to run: a 32-bit prefix
# of its own, code page 936 (LANG=zh_CN.UTF-8), no Wine debug output.
# The prefix defaults to build/wineprefix; SETUP_WINEPREFIX chooses another.
# SETUP_LOCALE chooses another language setting (en_US.UTF-8: code page 1252,
# zh_TW.UTF-8: 950, ja_JP.UTF-8: 932); Wine takes the code page from the name alone.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${SETUP_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=-all
export LANG=${SETUP_LOCALE:-zh_CN.UTF-8} LC_ALL=${SETUP_LOCALE:-zh_CN.UTF-8}
# Wine's menu builder, which the shell starts for every link saved in the Start menu, is
# kept off: it writes host menu entries, and after a run killed just after saving a link
# it waits on, holding the test runner's output open.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
exec wine "$@"
