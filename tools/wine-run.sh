#!/usr/bin/env bash
# Runs a Windows program under Wine as the installer is meant to run: a 32-bit prefix
# of its own, code page 936 (LANG=zh_CN.UTF-8), no Wine debug output.
# The prefix defaults to build/wineprefix; SETUP_WINEPREFIX chooses another.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${SETUP_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=-all
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
