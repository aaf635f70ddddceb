#!/usr/bin/env bash
# A small drive for the full-disk cases of the fault matrix: a 24 MB tmpfs, given the
# letter T: in the Wine prefix. "mount FOLDER" makes it (when the machine allows
# mounting; otherwise the case is skipped), "unmount FOLDER" takes it away again.
set -u
prefix=${SETUP_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
letter="$prefix/dosdevices/t:"
case "$1" in
mount)
  mkdir -p "$2"
  mountpoint -q "$2" || mount -t tmpfs -o size=24m setup-small-drive "$2" 2>/dev/null ||
    { echo "could not mount a tmpfs: the full-disk case will be skipped"; exit 0; }
  ln -sfn "$2" "$letter"
  ;;
unmount)
  rm -f "$letter"
  mountpoint -q "$2" && umount "$2"
  ;;
esac
exit 0
