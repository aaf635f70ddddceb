#!/usr/bin/env bash
# The build's payload check: a sound payload passes; each kind of fault stops it, with
# nothing written and the program built from the payload removed, and a message that
# names the offending line, blob or limit. A payload exactly at a limit gets past it.
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

add_day_lines() { # add_day_lines FIRST LAST: manifest lines for daily files FIRST..LAST, no blobs
  awk -v first="$1" -v last="$2" 'BEGIN { for (i = first; i <= last; i++)
    printf "f%06d dayfile D:\\Q\\data\\day\\%06d.day\r\n", i, i }' >>"$work/p/Count.dat"
}

add_type_lines() { # add_type_lines COUNT: one line of a type of its own each, no blobs
  awk -v count="$1" 'BEGIN { for (i = 0; i < count; i++) {
    type = ""; n = i; do { type = sprintf("%c", 97 + n % 26) type; n = int(n / 26) } while (n > 0)
    printf "t%d %sx D:\\Q\\data\\day\\t%d.day\r\n", i, type, i } }' >>"$work/p/Count.dat"
}

check() { # the check over $work/p, with a stand-in for the program built from the payload
  rm -f "$work/p.rc" "$work/payload.sha256" && echo program >"$work/Setup.exe"
  out=$(python3 "$tool" --payload "$work/p" --out "$work/p.rc" --built-from "$work/Setup.exe" 2>&1)
}

expect() { # expect NAME "message part": the check fails, says it, writes nothing and removes the program
  if check; then
    echo "FAIL $1: the check passed"; failures=$((failures + 1))
  elif [[ $out != *"$2"* ]]; then
    echo "FAIL $1: said '$out'"; failures=$((failures + 1))
  elif [ -e "$work/p.rc" ] || [ -e "$work/payload.sha256" ] || [ -e "$work/Setup.exe" ]; then
    echo "FAIL $1: refused, but the script, the digest or the program is there"; failures=$((failures + 1))
  else
    echo "ok   $1: ${out:0:300}"
  fi
}

make_payload
if check && grep -q '^F000001 DAYFILE ' "$work/p.rc" && [ -e "$work/Setup.exe" ]; then
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

# The limits. The counts are checked on the manifest alone, so these manifests name
# blobs that do not exist: past a limit the limit speaks, at it the look for the first
# missing blob (line 8) does. The sample's manifest has 5 types; the program adds 2.
make_payload; add_day_lines 2 65536
expect "65,536 names of one type" "the manifest names 65,536 blobs of type DAYFILE; a resource type holds at most 65,535"
make_payload; add_day_lines 2 65535
expect "65,535 names of one type" "line 8 names DAYFILE F000002, but its blob"
make_payload; add_type_lines 65529
expect "65,536 named types" "name 65,536 resource types; the directory of types holds at most 65,535"
make_payload; add_type_lines 65528
expect "65,535 named types" "line 8 names AX T0, but its blob"

# The sizes are checked before any blob is read; the blobs here are sparse files.
make_payload; truncate -s 2G "$work/p/data/sda.d"
expect "a blob past the image" "blob DFILE FSDA ($work/p/data/sda.d) is 2,147,483,648 bytes; a resource in a 32-bit image holds at most"
make_payload; truncate -s 1G "$work/p/data/sda.d" "$work/p/data/day/000001.day"
expect "a payload past the image" "the payload takes"
# The message's two figures are exact: the payload made smaller by their difference is
# at the limit and gets past it, to the next check (an unnamed blob planted to stop the
# check before it reads 1.6 GB).
figures=$(grep -o '[0-9][0-9,]*[0-9]' <<<"$out" | tr -d ,)
taken=$(head -n 1 <<<"$figures") allowed=$(tail -n 1 <<<"$figures")
truncate -s $(((1 << 30) - (taken - allowed))) "$work/p/data/day/000001.day"
echo x >"$work/p/data/day/000002.day"
expect "a payload at the image's limit" "000002.day is named by no manifest line"

echo "$(( 14 - failures )) passed, $failures failed"
[ $failures -eq 0 ]
