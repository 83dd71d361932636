#!/usr/bin/env python3
"""Draws the installer's icons into setup/art/ (standard library only).

setup.ico          the window icon: a package box, 16x16 and 32x32
not_installed.ico  status of a component still to install: a grey box with a red dot
installed.ico      status of an installed component: a green disc with a white tick
The status icons are told apart by their centre pixel (red or green), which the
installer's tests read back from the screen.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "..", "art")


def icon_image(size, pixel):
    """One ICO image: a 32-bit BMP header, BGRA rows bottom up, an empty AND mask."""
    rows = []
    for y in range(size - 1, -1, -1):
        row = b"".join(struct.pack("<BBBB", *pixel(x, y, size)) for x in range(size))
        rows.append(row)
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_row * size, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_row * size)


def write_icon(name, sizes, pixel):
    images = [icon_image(s, pixel) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(os.path.join(ART, name), "wb") as f:
        f.write(out + b"".join(images))


def bgra(r, g, b, a=255):
    return (b, g, r, a)


CLEAR = bgra(0, 0, 0, 0)


def package(x, y, size):
    u = 32.0 / size
    fx, fy = x * u, y * u
    if 4 <= fx < 28 and 8 <= fy < 28:
        if 14 <= fx < 18:
            return bgra(200, 40, 40)  # the ribbon
        edge = fx < 5 or fx >= 27 or fy < 9 or fy >= 27
        return bgra(120, 80, 30) if edge else bgra(205, 160, 90)
    if 6 <= fx < 26 and 4 <= fy < 8:
        return bgra(230, 190, 120)  # the lid
    return CLEAR


def not_installed(x, y, size):
    d = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
    if d < 6:
        return bgra(210, 30, 30)
    if 3 <= x < 29 and 3 <= y < 29:
        edge = x < 4 or x >= 28 or y < 4 or y >= 28
        return bgra(90, 90, 90) if edge else bgra(190, 190, 190)
    return CLEAR


def installed(x, y, size):
    d = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
    # the tick: two strokes, from (8,16) to (13,22) and from (13,22) to (24,9)
    def near(ax, ay, bx, by):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return ((x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2) ** 0.5 < 1.6
    if d < 14:
        if (near(8, 16, 13, 22) or near(13, 22, 24, 9)) and not (13 <= x < 19 and 13 <= y < 19):
            return bgra(255, 255, 255)
        return bgra(30, 160, 50)
    return CLEAR


if __name__ == "__main__":
    os.makedirs(ART, exist_ok=True)
    write_icon("setup.ico", [16, 32], package)
    write_icon("not_installed.ico", [32], not_installed)
    write_icon("installed.ico", [32], installed)
