#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: native unit tests,
# a bounded fuzzing run of the journal reader, the same tests under Wine, and the
# end-to-end tests of Setup.exe under Wine on a virtual display. Screenshots and other
# artefacts go to artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh

mkdir -p artifacts
source tools/wine-session.sh

status=0
(cd build/host && ctest --output-on-failure) || status=1
./tools/fuzz-journal.sh 30 || status=1 # the journal reader on random and damaged input
(cd build/win32 && ctest --output-on-failure) || status=1

# The end-to-end tests keep a screenshot of every page; PNG is easier to look at.
for shot in artifacts/*.bmp; do
  [ -e "$shot" ] && /usr/bin/convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
exit $status
