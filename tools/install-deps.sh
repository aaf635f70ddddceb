#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, as root.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev libssl-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth x11-utils imagemagick
  fonts-wine fonts-wqy-microhei locales python3
  osslsigncode openssl
  clang libclang-rt-dev # the journal reader's fuzz target: clang and its libFuzzer runtime
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs the Unix locale to exist, not only to be named, to use its code page for
# file names: zh_CN for code page 936, and the English (1252) and Japanese (932)
# settings the tests also run at.
generated=0
for name in zh_CN en_US ja_JP; do
  if ! locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$"; then
    sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >>/etc/locale.gen
    generated=1
  fi
done
if ((generated)); then
  locale-gen >/dev/null
fi
