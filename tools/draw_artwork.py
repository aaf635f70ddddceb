#!/usr/bin/env python3
"""Draws the installer's artwork into payload/art (run by hand; the results are
committed as build-time data):

- banner.bmp: 188 x 65, 24-bit: the product name over a pale-blue band, the web
  address beneath it (ImageMagick's convert);
- setup.ico: 32 x 32, 16 colours, a computer and a disc on a transparent background;
  the program's icon and the picture at the banner's right.
"""
import os
import struct
import subprocess

ART = os.path.join(os.path.dirname(__file__), "..", "payload", "art")

# The 16-colour VGA palette (B, G, R order is applied when written).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GRAY, SILVER, BLUE, CYAN, WHITE, TEAL = 0, 4, 8, 7, 12, 14, 15, 6
CLEAR = None


def draw_icon():
    pixels = [[CLEAR] * 32 for _ in range(32)]

    def box(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
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
    # The disc: a silver ring with a rim, a teal sheen and the hole.
    cx, cy, r = 23.5, 22.5, 8.5
    for y in range(32):
        for x in range(32):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= r:
                pixels[y][x] = BLACK if d > r - 1 else (TEAL if (x - cx) * (y - cy) > 6 else SILVER)
                if d <= 2.5:
                    pixels[y][x] = CLEAR if d <= 1.5 else GRAY
    for y, x in ((17, 21), (18, 20), (19, 19)):
        pixels[y][x] = WHITE

    header = struct.pack("<HHH", 0, 1, 1)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        for x in range(0, 32, 2):
            a, b = (row[x] or 0), (row[x + 1] or 0)
            xor.append(a << 4 | b)
        bits = 0
        for x in range(32):
            bits = bits << 1 | (1 if row[x] is CLEAR else 0)
        mask += struct.pack(">I", bits)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = info + palette + bytes(xor) + bytes(mask)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    with open(os.path.join(ART, "setup.ico"), "wb") as f:
        f.write(header + entry + image)


def draw_banner():
    dejavu = "/usr/share/fonts/truetype/dejavu/"
    subprocess.run(["/usr/bin/convert", "-size", "188x65", "xc:white",
                    "(", "-size", "188x40", "gradient:#dcebfa-#b9d6f2", ")", "-geometry", "+0+6", "-composite",
                    "-font", dejavu + "DejaVuSerif-BoldItalic.ttf", "-pointsize", "27", "-fill", "#1d4f91",
                    "-annotate", "+14+37", "Marluxa",
                    "-font", dejavu + "DejaVuSans.ttf", "-pointsize", "9", "-fill", "#3a3a3a",
                    "-annotate", "+16+58", "www.example.com/marluxa",
                    "-type", "TrueColor", "BMP3:" + os.path.join(ART, "banner.bmp")], check=True)


if __name__ == "__main__":
    draw_icon()
    draw_banner()
