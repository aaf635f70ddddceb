#!/usr/bin/env python3
"""Makes a payload folder of the shipped shape at another scale, for the benchmarks.

The programs and the read-me are the sample payload's own (so that the installed
program still starts); the data file and the daily files are pseudo-random bytes of
the sizes asked for: the daily files' total is spread evenly over their count. The
same arguments give the same bytes.
"""
import argparse
import os
import random
import shutil

ROOT_FILES = ["Quenvale.exe", "UnInstall.exe", "update.exe", "readme.txt"]
ROOT_ENTRIES = ["fQuenvale exefile", "fUnInstall exefile", "fupdate exefile", "freadme txtfile"]
CHUNK = 16 << 20  # random bytes drawn at a time, so that a large file needs little memory


def write_random(path, size, rng):
    with open(path, "wb") as out:
        while size > 0:
            part = min(size, CHUNK)
            out.write(rng.randbytes(part))
            size -= part


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--sample", required=True, help="the sample payload folder")
    parser.add_argument("--out", required=True, help="payload folder to make")
    parser.add_argument("--daily-files", type=int, required=True, help="how many daily files (at most 999,999)")
    parser.add_argument("--daily-bytes", type=int, required=True, help="their total size")
    parser.add_argument("--data-bytes", type=int, required=True, help="the size of data/sda.d")
    args = parser.parse_args()
    if os.path.exists(os.path.join(args.out, "Count.dat")):
        return  # made by an earlier run with these arguments (the folder's name says which)
    rng = random.Random(f"{args.daily_files}/{args.daily_bytes}/{args.data_bytes}")
    os.makedirs(os.path.join(args.out, "data", "day"), exist_ok=True)

    lines = ["fCount datfile D:\\Quenvale\\Count.dat"]
    for file, entry in zip(ROOT_FILES, ROOT_ENTRIES):
        shutil.copyfile(os.path.join(args.sample, file), os.path.join(args.out, file))
        lines.append(f"{entry} D:\\Quenvale\\{file}")
    write_random(os.path.join(args.out, "data", "sda.d"), args.data_bytes, rng)
    lines.append("fsda dfile D:\\Quenvale\\data\\sda.d")
    each, extra = divmod(args.daily_bytes, args.daily_files)
    for code in range(1, args.daily_files + 1):
        write_random(os.path.join(args.out, "data", "day", f"{code:06d}.day"), each + (code <= extra), rng)
        lines.append(f"f{code:06d} dayfile D:\\Quenvale\\data\\day\\{code:06d}.day")
    # The manifest last: a folder holding it is complete.
    with open(os.path.join(args.out, "Count.dat"), "wb") as out:
        out.write("".join(line + "\r\n" for line in lines).encode("ascii"))


if __name__ == "__main__":
    main()
