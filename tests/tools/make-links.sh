#!/usr/bin/env bash
# Makes, in the folder given, Unix symbolic links that the end-to-end tests move into
# place under Wine (which shows a link to a folder as a reparse point but cannot make
# one): "folder-link" leads to the folder "elsewhere" beside it.
set -euo pipefail
folder=$1
rm -rf "$folder"
mkdir -p "$folder/elsewhere"
ln -s "$folder/elsewhere" "$folder/folder-link"
