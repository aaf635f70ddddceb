#!/usr/bin/env python3
"""Checks a payload folder against its manifest and writes the resource script that
puts every blob into the executable: type and name as upper-case strings, language
Chinese (Simplified, PRC), 2052.

The checks: the manifest has at least six lines; every line has its three fields and
names a blob file that exists; every blob file is named by exactly one line. Any
failure stops the build with a message naming the offending line or blob.
"""
import argparse
import hashlib
import os
import re
import sys

MINIMUM_LINES = 6
# The resource that holds the payload's digest (engine/PayloadCheck.h reads it).
DIGESTS_NAME, DIGESTS_TYPE = "SHA256", "PAYLOADDIGESTS"


def subfolder(line_number):
    """Where a line's file lies, by the line's position: the twin of ClassOfLine in
    engine/Manifest.h, which places the files the same way at install time."""
    if line_number <= 5:
        return ""
    return "data" if line_number == 6 else os.path.join("data", "day")


def fail(message):
    sys.exit(f"payload check failed: {message}")


def read_manifest(payload):
    path = os.path.join(payload, "Count.dat")
    try:
        text = open(path, "rb").read().decode("ascii")
    except (OSError, UnicodeDecodeError) as error:
        fail(f"cannot read the manifest {path}: {error}")
    if not text.endswith("\r\n"):
        fail("the manifest's last line does not end with CR LF")
    lines = text[:-2].split("\r\n")
    if len(lines) < MINIMUM_LINES:
        fail(f"the manifest has {len(lines)} lines; it needs at least {MINIMUM_LINES}")
    return lines


def blob_entries(payload, lines):
    """(TYPE, NAME, file) for every line, checked."""
    entries, seen = [], {}
    for number, line in enumerate(lines, start=1):
        fields = line.split(" ", 2)
        if len(fields) != 3 or not re.fullmatch(r"[A-Za-z0-9]+", fields[0]) \
                or not re.fullmatch(r"[A-Za-z]+", fields[1]):
            fail(f"manifest line {number} is not \"name type source-path\": {line!r}")
        name, kind = fields[0].upper(), fields[1].upper()
        file_name = re.split(r"[\\:]", fields[2])[-1]
        path = os.path.join(payload, subfolder(number), file_name)
        if not os.path.isfile(path):
            fail(f"manifest line {number} names {kind} {name}, but its blob {path} does not exist")
        if (kind, name) in seen:
            fail(f"manifest line {number} names {kind} {name} again (first on line {seen[(kind, name)]})")
        seen[(kind, name)] = number
        entries.append((kind, name, os.path.abspath(path)))
    return entries


def check_every_blob_named(payload, entries):
    named = {path for _, _, path in entries}
    for folder, _, files in os.walk(payload):
        for file_name in files:
            path = os.path.abspath(os.path.join(folder, file_name))
            if path not in named:
                fail(f"blob {path} is named by no manifest line")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--depfile", help="where to list the blobs the script depends on, for the build tool")
    args = parser.parse_args()

    entries = blob_entries(args.payload, read_manifest(args.payload))
    check_every_blob_named(args.payload, entries)

    # The digest of the payload, as a resource of a type of its own: the SHA-256 of the
    # SHA-256 digests of the manifest and of every blob in manifest order. The installer
    # checks the whole payload against it before it writes anything (engine/PayloadCheck.h).
    digests = hashlib.sha256()
    for path in [os.path.join(args.payload, "Count.dat")] + [path for _, _, path in entries]:
        with open(path, "rb") as blob:
            digests.update(hashlib.sha256(blob.read()).digest())
    digest = os.path.join(os.path.dirname(os.path.abspath(args.out)), "payload.sha256")
    with open(digest, "wb") as out:
        out.write(digests.digest())

    script = ["// Generated from the payload folder's manifest; do not edit.", "LANGUAGE 4, 2"]
    script += [f'{name} {kind} "{path}"' for kind, name, path in entries]
    script.append(f'{DIGESTS_NAME} {DIGESTS_TYPE} "{digest}"')
    with open(args.out, "w") as out:
        out.write("\n".join(script) + "\n")
    if args.depfile:
        # Any blob that changes, comes or goes makes the build check and embed again.
        escaped = [path.replace(" ", "\\ ") for _, _, path in entries]
        with open(args.depfile, "w") as dep:
            dep.write(args.out.replace(" ", "\\ ") + ": " + " \\\n  ".join(escaped) + "\n")


if __name__ == "__main__":
    main()
