#!/bin/sh
# Stand-in for the desktop's URL opener: records each address it is given, one a line.
printf '%s\n' "$@" >>"$SETUP_URL_LOG"
