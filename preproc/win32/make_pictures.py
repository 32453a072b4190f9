#!/usr/bin/env python3
"""Draws the Windows form's two pictures, the same motif as form_picture.cpp
draws for the wx form: form_picture.bmp (bitmap 139, 130 x 106 pixels, a page
of text under a magnifying glass) and tarvik.ico (icon 128, 32 x 32, the glass
alone). Both files are committed; run this only to change them:
    python3 preproc/win32/make_pictures.py preproc/win32
"""
import math
import struct
import sys

NAVY, TEAL = (16, 28, 64), (20, 110, 130)
PAPER, INK, HIGHLIGHT = (250, 248, 236), (120, 120, 130), (255, 255, 0)
RIM, HANDLE, LENS, WHITE = (40, 40, 40), (150, 90, 30), (200, 230, 255), (255, 255, 255)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0)] * width for _ in range(height)]

    def gradient(self, top, bottom):
        for y in range(self.height):
            t = y / max(self.height - 1, 1)
            colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            self.pixels[y] = [colour] * self.width

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x, y, w, h, colour):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.put(i, j, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        half = width / 2
        for s in range(steps + 1):
            cx = x0 + (x1 - x0) * s / steps
            cy = y0 + (y1 - y0) * s / steps
            for j in range(int(cy - half), int(cy + half) + 1):
                for i in range(int(cx - half), int(cx + half) + 1):
                    if (i - cx) ** 2 + (j - cy) ** 2 <= half * half + 0.25:
                        self.put(i, j, colour)

    def disc(self, x, y, radius, rim, fill, rim_colour):
        for j in range(y - radius - 1, y + radius + 2):
            for i in range(x - radius - 1, x + radius + 2):
                d = math.hypot(i - x, j - y)
                if d <= radius - rim:
                    self.put(i, j, fill)
                elif d <= radius:
                    self.put(i, j, rim_colour)

    def arc(self, x, y, radius, start, end, colour):
        for k in range(60):
            a = math.radians(start + (end - start) * k / 59)
            self.put(round(x + radius * math.cos(a)), round(y - radius * math.sin(a)), colour)

    def bottom_up_rows(self):
        """The rows of a 24-bit DIB: bottom row first, BGR, padded to 4 bytes."""
        pad = b"\0" * ((4 - self.width * 3 % 4) % 4)
        return b"".join(
            bytes(c for (r, g, b) in row for c in (b, g, r)) + pad for row in reversed(self.pixels))


def magnifier(canvas, x, y, radius):
    rim = radius // 4 + 1
    canvas.line(x + radius * 7 // 10, y + radius * 7 // 10, x + radius * 17 // 10,
                y + radius * 17 // 10, rim + 2, HANDLE)
    canvas.disc(x, y, radius, rim, LENS, RIM)
    canvas.arc(x, y, radius * 0.55, 100, 170, WHITE)


def form_picture():
    canvas = Canvas(130, 106)
    canvas.gradient(NAVY, TEAL)
    canvas.rect(14, 10, 70, 86, INK)
    canvas.rect(15, 11, 68, 84, PAPER)
    for line in range(9):
        y = 20 + line * 8
        length = 34 if line % 3 == 2 else 54
        canvas.line(22, y, 22 + length, y, 2, INK)
    canvas.rect(30, 41, 26, 7, HIGHLIGHT)  # the word found
    canvas.line(30, 44, 56, 44, 2, INK)
    magnifier(canvas, 80, 54, 22)
    return canvas


def icon_picture():
    canvas = Canvas(32, 32)
    canvas.gradient(NAVY, TEAL)
    magnifier(canvas, 13, 13, 8)
    return canvas


def info_header(canvas, height):
    return struct.pack("<IiiHHIIiiII", 40, canvas.width, height, 1, 24, 0, 0, 2835, 2835, 0, 0)


def write_bmp(canvas, path):
    pixels = canvas.bottom_up_rows()
    offset = 14 + 40
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset))
        out.write(info_header(canvas, canvas.height))
        out.write(pixels)


def write_ico(canvas, path):
    # An icon image is a DIB of twice the height: the colours, then a 1-bit
    # AND mask (all zero: every pixel opaque), rows padded to 4 bytes.
    mask = b"\0" * (((canvas.width + 31) // 32 * 4) * canvas.height)
    image = info_header(canvas, canvas.height * 2) + canvas.bottom_up_rows() + mask
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHII", canvas.width, canvas.height, 0, 0, 1, 24, len(image),
                              6 + 16))
        out.write(image)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    write_bmp(form_picture(), f"{folder}/form_picture.bmp")
    write_ico(icon_picture(), f"{folder}/tarvik.ico")
