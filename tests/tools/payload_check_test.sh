#!/usr/bin/env bash
# The build's payload check: a sound payload passes; each kind of fault stops it with
# a message that names the offending line or blob.
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

make_payload() { # a small payload of the shipped shape in $work/p
  rm -rf "$work/p" && mkdir -p "$work/p/data/day"
  printf 'fCount datfile D:\\Q\\Count.dat\r\nfQuenvale exefile D:\\Q\\Quenvale.exe\r\nfUnInstall exefile D:\\Q\\UnInstall.exe\r\nfupdate exefile D:\\Q\\update.exe\r\nfreadme txtfile D:\\Q\\readme.txt\r\nfsda dfile D:\\Q\\data\\sda.d\r\nf000001 dayfile D:\\Q\\data\\day\\000001.day\r\n' >"$work/p/Count.dat"
  for f in Quenvale.exe UnInstall.exe update.exe readme.txt data/sda.d data/day/000001.day; do echo x >"$work/p/$f"; done
}

expect() { # expect NAME "message part": the check fails and says it
  if out=$(python3 "$tool" --payload "$work/p" --out "$work/p.rc" 2>&1); then
    echo "FAIL $1: the check passed"; failures=$((failures + 1))
  elif [[ $out != *"$2"* ]]; then
    echo "FAIL $1: said '$out'"; failures=$((failures + 1))
  else
    echo "ok   $1: $out"
  fi
}

make_payload
if python3 "$tool" --payload "$work/p" --out "$work/p.rc" && grep -q '^F000001 DAYFILE ' "$work/p.rc"; then
  echo "ok   a sound payload passes"
else
  echo "FAIL a sound payload"; failures=$((failures + 1))
fi

make_payload; rm "$work/p/data/day/000001.day"
expect "missing blob" "line 7 names DAYFILE F000001"
make_payload; echo x >"$work/p/data/day/000002.day"
expect "unnamed blob" "000002.day is named by no manifest line"
make_payload; printf 'garbage\r\n' >>"$work/p/Count.dat"
expect "line without separators" "manifest line 8"
make_payload; printf 'f000001 dayfile D:\\Q\\data\\day\\000001.day\r\n' >>"$work/p/Count.dat"
expect "blob named twice" "line 8 names DAYFILE F000001 again"
make_payload; head -n 3 "$work/p/Count.dat" >"$work/short" && mv "$work/short" "$work/p/Count.dat"
expect "short manifest" "it needs at least 6"

echo "$(( 6 - failures )) passed, $failures failed"
[ $failures -eq 0 ]
