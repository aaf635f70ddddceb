#!/usr/bin/env python3
"""Draws the installer's artwork into payload/art (run by hand; the results are
committed as build-time data):

- banner.bmp: 188 x 65, 24-bit: the product name over a pale-blue band, the web
  address beneath it (ImageMagick's convert); and the same drawing for the display
  scales 125, 150 and 200 % (banner125.bmp, ...; 256 colours, which the drawing needs
  no more than, to keep the program small);
- setup.ico: a computer and a disc on a transparent background, 16 colours, at 16, 20,
  24, 32, 40, 48, 64 and 256 pixels; the program's icon and the picture at the banner's
  right. The 32-pixel drawing is the original; the others draw the same shapes on their
  own grid. The 256-pixel image is stored PNG-compressed (2 KB where its bitmap took
  40 KB), as icons of that size are from Windows Vista on; the smaller ones stay bitmaps,
  which every Windows reads.
"""
import os
import struct
import subprocess
import zlib

ART = os.path.join(os.path.dirname(__file__), "..", "payload", "art")

# The 16-colour VGA palette (B, G, R order is applied when written).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GRAY, SILVER, BLUE, CYAN, WHITE, TEAL = 0, 4, 8, 7, 12, 14, 15, 6
CLEAR = None


ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
BANNER_SCALES = (125, 150, 200)


def icon_pixels(size):
    """The icon drawn on a grid of size x size: the 32-pixel drawing's shapes, scaled."""
    k = size / 32
    pixels = [[CLEAR] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * k), max(int(y0 * k), int((y1 + 1) * k) - 1) + 1):
            for x in range(int(x0 * k), max(int(x0 * k), int((x1 + 1) * k) - 1) + 1):
                pixels[y][x] = colour

    # The monitor: frame, screen with a highlight, stand and base.
    box(2, 3, 23, 19, SILVER)
    box(2, 3, 23, 3, WHITE)
    box(2, 3, 2, 19, WHITE)
    box(23, 3, 23, 19, GRAY)
    box(2, 19, 23, 19, GRAY)
    box(5, 6, 20, 16, NAVY)
    box(6, 7, 19, 15, BLUE)
    box(7, 8, 11, 9, CYAN)
    box(10, 20, 15, 21, GRAY)
    box(5, 22, 20, 24, SILVER)
    box(5, 24, 20, 24, GRAY)
    # The disc: a silver ring with a rim (one pixel at any size), a teal sheen and the hole.
    cx, cy, r = 23.5 * k, 22.5 * k, 8.5 * k
    for y in range(size):
        for x in range(size):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= r:
                pixels[y][x] = BLACK if d > r - 1 else (TEAL if (x - cx) * (y - cy) > 6 * k * k else SILVER)
                if d <= 2.5 * k:
                    pixels[y][x] = CLEAR if d <= 1.5 * k else GRAY
    for y, x in ((17, 21), (18, 20), (19, 19)):
        box(x, y, x, y, WHITE)
    return pixels


def icon_image(size):
    """One icon image: 16-colour bitmap, bottom-up, rows padded to 4 bytes, and its mask."""
    pixels = icon_pixels(size)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            a, b = (row[x] or 0), (row[x + 1] or 0 if x + 1 < size else 0)
            line.append(a << 4 | b)
        xor += line + bytes(-len(line) % 4)
        bits = bytearray()
        for x in range(0, size, 8):
            byte = 0
            for i in range(8):
                byte = byte << 1 | (1 if x + i < size and row[x + i] is CLEAR else 0)
            bits.append(byte)
        mask += bits + bytes(-len(bits) % 4)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return info + palette + bytes(xor) + bytes(mask)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def icon_png(size):
    """The same drawing as a 32-bit RGBA PNG: the palette's colours, clear where the mask is."""
    rows = bytearray()
    for row in icon_pixels(size):
        rows.append(0)  # no filter
        for colour in row:
            rows += bytes(PALETTE[colour]) + b"\xff" if colour is not CLEAR else bytes(4)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + png_chunk(b"IEND", b""))


def draw_icon():
    images = [icon_image(size) if size < 256 else icon_png(size) for size in ICON_SIZES]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(ICON_SIZES, images):
        if size < 256:
            entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        else:  # 256 is written as 0; the PNG holds 32 bits a pixel
            entries += struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(os.path.join(ART, "setup.ico"), "wb") as f:
        f.write(header + entries + b"".join(images))


def draw_banner(scale=100):
    """The banner at scale percent; every length of the 100 % drawing scaled."""
    def s(length):
        return str(round(length * scale / 100))
    dejavu = "/usr/share/fonts/truetype/dejavu/"
    name = "banner.bmp" if scale == 100 else "banner%d.bmp" % scale
    colours = ["-type", "TrueColor"] if scale == 100 else ["-colors", "256", "-type", "Palette"]
    subprocess.run(["/usr/bin/convert", "-size", s(188) + "x" + s(65), "xc:white",
                    "(", "-size", s(188) + "x" + s(40), "gradient:#dcebfa-#b9d6f2", ")",
                    "-geometry", "+0+" + s(6), "-composite",
                    "-font", dejavu + "DejaVuSerif-BoldItalic.ttf", "-pointsize", s(27), "-fill", "#1d4f91",
                    "-annotate", "+" + s(14) + "+" + s(37), "Marluxa",
                    "-font", dejavu + "DejaVuSans.ttf", "-pointsize", s(9), "-fill", "#3a3a3a",
                    "-annotate", "+" + s(16) + "+" + s(58), "www.example.com/marluxa"]
                   + colours + ["BMP3:" + os.path.join(ART, name)], check=True)


if __name__ == "__main__":
    draw_icon()
    for banner_scale in (100,) + BANNER_SCALES:
        draw_banner(banner_scale)
