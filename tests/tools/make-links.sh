#!/usr/bin/env bash
# Makes, on the Wine prefix's drive C: (C:\unix-links), the Unix symbolic links that the
# end-to-end tests need in place: Wine shows a link to a folder as a reparse point but
# can neither make one nor move one (it moves what the link leads to). "Quenvale\data"
# leads to the folder "elsewhere", "journaled\lnk" to the folder "outside".
set -euo pipefail
folder=${SETUP_WINEPREFIX:?the Wine session sets it}/drive_c/unix-links
rm -rf "$folder"
mkdir -p "$folder/elsewhere"
mkdir -p "$folder/Quenvale"
ln -s "$folder/elsewhere" "$folder/Quenvale/data"
mkdir -p "$folder/outside" "$folder/journaled"
ln -s "$folder/outside" "$folder/journaled/lnk"
