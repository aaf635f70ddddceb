#!/usr/bin/env python3
"""Turns a UTF-8 text file into a C++ string literal (one line of the file per source
line, each ending in CR LF), written to an include file; the literal is UTF-8, as
every text of the program is."""
import sys

source, target = sys.argv[1], sys.argv[2]
lines = open(source, encoding="utf-8").read().split("\n")
if lines and lines[-1] == "":
    lines.pop()
escaped = [line.replace("\\", "\\\\").replace('"', '\\"') for line in lines]
content = "".join(f'"{line}\\r\\n"\n' for line in escaped)
try:
    if open(target, encoding="utf-8").read() == content:
        sys.exit(0)
except OSError:
    pass
open(target, "w", encoding="utf-8").write(content)
