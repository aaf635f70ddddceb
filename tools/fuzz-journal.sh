#!/usr/bin/env bash
# Fuzzes the journal reader (tests/fuzz/JournalReaderFuzz.cpp) for a bounded time: builds
# the target with clang into build/fuzz, writes seed journals in the current format, and
# runs libFuzzer for SECONDS (default 30). Fails when an input crashes the reader, trips
# a sanitizer, hangs it or breaks the target's checks; that input is kept in artifacts/.
#
#     ./tools/fuzz-journal.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=build/fuzz
mkdir -p "$out/corpus" "$out/seeds" artifacts

common=(
  -std=c++17 -I.
  # The same warnings as the product's builds.
  -Wall -Wextra -Wshadow
  # Stack traces that name lines, and frames that the unwinder can walk.
  -g -fno-omit-frame-pointer
)
fuzz_flags=(
  # libFuzzer's driver and coverage instrumentation, with AddressSanitizer (reads past
  # the input, leaks) and UBSan (overflowing shifts, bad enum values) watching each run.
  -fsanitize=fuzzer,address,undefined
  # A UBSan finding stops the run as a crash instead of being printed and passed over.
  -fno-sanitize-recover=all
  # Optimised a little, for more runs in the time; still close enough to the source
  # for the reports.
  -O1
)

# The reader is one pure source file and the seam's text conversions (an older journal's
# texts are read from the system's code page); rebuild when they or the target changed.
reader=(engine/JournalFormat.cpp runtime/SystemServices_posix.cpp)
sources=("${reader[@]}" engine/JournalFormat.h runtime/OsSeam.h tests/fuzz/JournalReaderFuzz.cpp
  tests/fuzz/JournalSeeds.cpp tools/fuzz-journal.sh)
rebuild=0
for source in "${sources[@]}"; do
  [ "$out/journal_reader_fuzz" -nt "$source" ] || rebuild=1
done
if ((rebuild)); then
  clang++ "${common[@]}" "${fuzz_flags[@]}" "${reader[@]}" tests/fuzz/JournalReaderFuzz.cpp -lcrypto \
    -o "$out/journal_reader_fuzz"
  clang++ "${common[@]}" -O1 "${reader[@]}" tests/fuzz/JournalSeeds.cpp -lcrypto -o "$out/journal_seeds"
fi
"$out/journal_seeds" "$out/seeds"

# New inputs go to the first folder (kept between local runs); the seeds are only read.
# -timeout: one input that takes this long is a hang, and fails the run.
log=$out/fuzz.log
if "$out/journal_reader_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix=artifacts/journal-fuzz- "$out/corpus" "$out/seeds" >"$log" 2>&1; then
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "journal reader fuzzing: no failure in ${runs:-?} inputs (${seconds} s)"
else
  tail -n 60 "$log"
  echo "journal reader fuzzing FAILED: the input is in artifacts/journal-fuzz-*; whole log in $log" >&2
  exit 1
fi
