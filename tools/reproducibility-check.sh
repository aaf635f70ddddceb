#!/usr/bin/env bash
# Builds Setup.exe twice from these sources and fails unless both files are identical,
# byte for byte: anyone can then check a download by building the same commit.
#
# The two builds differ in everything that must not matter: the source folder (the
# second builds a copy of the work tree at another path), the build folder, the time
# (the first without SOURCE_DATE_EPOCH, the second with one from 2000, tens of seconds
# later), the time zone, the locale and the umask.
#
# The second build is also signed, with a throw-away certificate made here: its
# Setup.exe must still equal the first, the signature of Setup-signed.exe must verify
# against that certificate, and removing the signature must give back Setup.exe, so
# that signing adds the signature and nothing else.
#
# Usage: tools/reproducibility-check.sh [--keep-signed FILE] [configure options...]
#   --keep-signed FILE   keeps the signed program there (the Wine test installs with it)
#   configure options    go to both configure steps, e.g. -DSETUP_PAYLOAD_DIR=/path
# Build jobs: CMAKE_BUILD_PARALLEL_LEVEL, else one per core.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

keep_signed=
if [ "${1:-}" = --keep-signed ]; then
  keep_signed=$2
  shift 2
fi
options=("$@")
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

work=$(mktemp -d "${TMPDIR:-/tmp}/setup-reproducibility.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "reproducibility check FAILED: $*" >&2
  exit 1
}

# The work tree as it stands (tracked files with their uncommitted changes, and new
# files git does not ignore), copied to a second, longer path.
copy=$work/second/a-copy-of-the-sources
mkdir -p "$copy"
git ls-files -z --cached --others --exclude-standard |
  tar -c --null -T - --ignore-failed-read -f - 2>/dev/null | tar -x -C "$copy"

# A throw-away code signing certificate, its own root.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throw-away Setup signing test" \
  -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 ||
  fail "openssl could not make the throw-away certificate"

build() { # source folder, build folder, target, configure options...
  local source=$1 binary=$2 target=$3
  shift 3
  mkdir -p "$binary"
  if ! { cmake -S "$source" -B "$binary" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-mingw-i686.cmake" "$@" &&
    nice cmake --build "$binary" -j "$jobs" --target "$target"; } >"$binary/check.log" 2>&1; then
    cat "$binary/check.log" >&2
    fail "the build in $binary failed"
  fi
}

first=$work/first/build
second=$work/second/elsewhere/build-of-the-copy
(
  unset SOURCE_DATE_EPOCH
  export TZ=UTC
  umask 022
  build "$root" "$first" Setup "${options[@]}"
)
sleep 1
(
  export SOURCE_DATE_EPOCH=946684800 TZ=Asia/Shanghai LC_ALL=C
  umask 077
  build "$copy" "$second" SetupSigned "${options[@]}" \
    -DSETUP_SIGNING_CERT="$work/cert.pem" -DSETUP_SIGNING_KEY="$work/key.pem"
)

digest() { sha256sum "$1" | cut -d' ' -f1; }
first_digest=$(digest "$first/Setup.exe")
second_digest=$(digest "$second/Setup.exe")
echo "Setup.exe built from $root in $first:"
echo "  $first_digest"
echo "Setup.exe built from $copy in $second:"
echo "  $second_digest"
if [ "$first_digest" != "$second_digest" ]; then
  echo "Differing bytes (offset, then octal values in the first and the second):" >&2
  cmp -l "$first/Setup.exe" "$second/Setup.exe" | head -20 >&2 || true
  fail "the two builds of Setup.exe differ"
fi

signed=$second/Setup-signed.exe
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.log" 2>&1 || {
  cat "$work/verify.log" >&2
  fail "the signature of Setup-signed.exe does not verify"
}
osslsigncode remove-signature -in "$signed" -out "$work/signature-removed.exe" >/dev/null 2>&1 ||
  fail "osslsigncode could not remove the signature of Setup-signed.exe"
[ "$(digest "$work/signature-removed.exe")" = "$first_digest" ] ||
  fail "Setup-signed.exe without its signature is not Setup.exe: signing changed more than the signature"
echo "Setup-signed.exe: signature verified; without it, the file is Setup.exe."

if [ -n "$keep_signed" ]; then
  mkdir -p "$(dirname "$keep_signed")"
  cp "$signed" "$keep_signed"
fi
echo "reproducibility check passed: both builds are $first_digest"
