#!/usr/bin/env python3
"""Checks a payload folder against its manifest and writes the resource script that
puts every blob into the executable: type and name as upper-case strings, language
Chinese (Simplified, PRC), 2052.

The checks: the manifest has at least six lines; every line has its three fields and
names a blob no other line names; the payload stays within what the resource format and
a 32-bit process can hold (docs/design.md, "The payload's limits"), checked on the
manifest and the blobs' sizes before any blob is read; every line's blob file exists and
every blob file is named by exactly one line. Any failure stops the build, before
anything is written, with a message naming the offending line, blob or limit, and
removes the files given with --built-from, so that no program of an earlier payload is
left to be taken for this one.
"""
import argparse
import collections
import hashlib
import os
import re
import sys

MINIMUM_LINES = 6
# The resource that holds the payload's digest (engine/PayloadCheck.h reads it).
DIGESTS_NAME, DIGESTS_TYPE = "SHA256", "PAYLOADDIGESTS"

# A resource directory counts its named entries in 16 bits (NumberOfNamedEntries of
# IMAGE_RESOURCE_DIRECTORY): one type holds at most this many names, and the directory
# of types at most this many named types. Past it the resource compiler and the linker
# write the count modulo 65,536 without a word, and the program misses its blobs.
NAMED_ENTRIES_LIMIT = 0xFFFF
# The named types of the program's own resources (payload/Setup.rc), beside the digest's.
PROGRAM_NAMED_TYPES = {"PACKEDBITMAP", DIGESTS_TYPE}
# The whole image, program and payload, that a 32-bit process maps at its start: the
# system's DLLs, the heaps, the stacks and what the shell and an input method load keep
# the rest of its 2 GiB (under Wine 326 MiB are left to reserve beside such an image).
IMAGE_LIMIT = 1600 << 20
# The program's own code, data and resources (about 0.5 MiB), with room to grow.
PROGRAM_ALLOWANCE = 8 << 20
# What a blob takes in the resource section beyond its bytes, at most: its name, its
# entries in the name and language directories, its data entry and the padding to 8.
ENTRY_OVERHEAD = 128
PAYLOAD_LIMIT = IMAGE_LIMIT - PROGRAM_ALLOWANCE


def subfolder(line_number):
    """Where a line's file lies, by the line's position: the twin of ClassOfLine in
    engine/Manifest.h, which places the files the same way at install time."""
    if line_number <= 5:
        return ""
    return "data" if line_number == 6 else os.path.join("data", "day")


class PayloadRefused(Exception):
    pass


def fail(message):
    raise PayloadRefused(message)


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


def named_blobs(lines):
    """(line number, TYPE, NAME, file name) for every line, each (TYPE, NAME) once."""
    named, seen = [], {}
    for number, line in enumerate(lines, start=1):
        fields = line.split(" ", 2)
        if len(fields) != 3 or not re.fullmatch(r"[A-Za-z0-9]+", fields[0]) \
                or not re.fullmatch(r"[A-Za-z]+", fields[1]):
            fail(f"manifest line {number} is not \"name type source-path\": {line!r}")
        name, kind = fields[0].upper(), fields[1].upper()
        if (kind, name) in seen:
            fail(f"manifest line {number} names {kind} {name} again (first on line {seen[(kind, name)]})")
        seen[(kind, name)] = number
        named.append((number, kind, name, re.split(r"[\\:]", fields[2])[-1]))
    return named


def check_named_entry_counts(named):
    names_of_type = collections.Counter(kind for _, kind, _, _ in named)
    for kind, count in names_of_type.items():
        if count > NAMED_ENTRIES_LIMIT:
            fail(f"the manifest names {count:,} blobs of type {kind}; a resource type holds at most "
                 f"{NAMED_ENTRIES_LIMIT:,} (its directory counts named entries in 16 bits)")
    types = len(set(names_of_type) | PROGRAM_NAMED_TYPES)
    if types > NAMED_ENTRIES_LIMIT:
        fail(f"the manifest and the program name {types:,} resource types; the directory of types holds "
             f"at most {NAMED_ENTRIES_LIMIT:,} named types (it counts them in 16 bits)")


def blob_entries(payload, named):
    """(TYPE, NAME, file) for every line, each file checked to exist."""
    entries = []
    for number, kind, name, file_name in named:
        path = os.path.join(payload, subfolder(number), file_name)
        if not os.path.isfile(path):
            fail(f"manifest line {number} names {kind} {name}, but its blob {path} does not exist")
        entries.append((kind, name, os.path.abspath(path)))
    return entries


def check_image_fits(entries):
    total = 0
    for kind, name, path in entries:
        size = os.path.getsize(path)
        if size > PAYLOAD_LIMIT:
            fail(f"blob {kind} {name} ({path}) is {size:,} bytes; a resource in a 32-bit image holds "
                 f"at most {PAYLOAD_LIMIT:,} bytes")
        total += size + ENTRY_OVERHEAD
    if total > PAYLOAD_LIMIT:
        fail(f"the payload takes {total:,} bytes of the image (its blobs and their resource entries); "
             f"a 32-bit process maps an image of at most {IMAGE_LIMIT:,} bytes ({IMAGE_LIMIT >> 20:,} MiB), "
             f"of which the payload may take {PAYLOAD_LIMIT:,}")


def check_every_blob_named(payload, entries):
    named = {path for _, _, path in entries}
    for folder, _, files in os.walk(payload):
        for file_name in files:
            path = os.path.abspath(os.path.join(folder, file_name))
            if path not in named:
                fail(f"blob {path} is named by no manifest line")


def checked_entries(payload):
    """Every line's (TYPE, NAME, file), after every check. The counts of names and types
    are checked on the manifest alone, before any blob is looked for; the blobs' sizes
    before any is read."""
    named = named_blobs(read_manifest(payload))
    check_named_entry_counts(named)
    entries = blob_entries(payload, named)
    check_image_fits(entries)
    check_every_blob_named(payload, entries)
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--depfile", help="where to list the blobs the script depends on, for the build tool")
    parser.add_argument("--built-from", action="append", default=[],
                        help="a program built from the payload, removed when the payload is refused")
    args = parser.parse_args()

    try:
        entries = checked_entries(args.payload)
    except PayloadRefused as refusal:
        for path in args.built_from:
            if os.path.exists(path):
                os.remove(path)
        sys.exit(f"payload check failed: {refusal}")

    # The digest of the payload, as a resource of a type of its own: the SHA-256 of the
    # SHA-256 digests of the manifest and of every blob in manifest order. The installer
    # checks the whole payload against it before it writes anything (engine/PayloadCheck.h).
    digests = hashlib.sha256()
    for path in [os.path.join(args.payload, "Count.dat")] + [path for _, _, path in entries]:
        with open(path, "rb") as blob:  # read in pieces: a blob may take a good part of the memory
            digests.update(hashlib.file_digest(blob, "sha256").digest())
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
