#!/usr/bin/env bash
# Runs a command under Wine, then restarts the session's Wine server, for a command that
# leaves the session changed (one that ends Wine's COM service): the tests after it find
# a fresh session.
#
#     tests/e2e/restart-wine-after.sh COMMAND...
set -u
restart="$(cd "$(dirname "$0")" && pwd)/restart-wine-server.sh"
trap '"$restart"' EXIT
"$@"
