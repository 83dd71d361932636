#!/usr/bin/env python3
"""Draws the grabber's icons and toolbar strip (our own artwork) into grabber/art/.

    python3 grabber/tools/make_art.py

Writes virn.ico (32x32, 16 colours: the program), dsound.ico and waveout.ico (16x16, 16
colours: the two kinds of output device) and toolbar.bmp (256x32, 24 bits: eight 32x32
buttons: open, grab current, grab checked, check all, reset selection, play, sample info,
stop). The toolbar's background is one flat colour connected to pixel (1,1) in every
image, because the program flood-fills it with the button face colour. Standard library
only; the output is the same on every run.
"""
import os
import struct

# The 16 colours of the classic palette, as (r, g, b).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARKRED, DARKGREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, GREEN, YELLOW, \
    BLUE, MAGENTA, CYAN, WHITE = range(16)


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dy in range(width):
                for dx in range(width):
                    self.set(x + dx, y + dy, c)

    def polygon(self, points, c):
        ys = [p[1] for p in points]
        for y in range(min(ys), max(ys) + 1):
            for x in range(self.w):
                if inside(points, x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)


def inside(points, x, y):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def wave(c, x0, y0, width, height, colour, thick=1):
    """A few cycles of a decaying wave, the program's motif."""
    import math
    last = None
    for x in range(width):
        t = x / width
        y = y0 + height // 2 - round(math.sin(t * 6 * math.pi) * (1 - t * 0.7) * height / 2)
        if last is not None:
            c.line(x0 + x - 1, last, x0 + x, y, colour, thick)
        last = y


# ---- icons (16 colours) ---------------------------------------------------------------

def ico_bytes(canvas, transparent):
    w, h = canvas.w, canvas.h
    xor_row = ((w * 4 + 31) // 32) * 4
    and_row = ((w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(w):
            c = canvas.px[y][x]
            if c == transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += row
        mask += bits
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', w % 256, h % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def program_icon():
    c = Canvas(32, 32, MAGENTA)  # magenta is the transparent colour
    c.rect(2, 4, 29, 27, NAVY)
    c.frame(2, 4, 29, 27, BLACK)
    c.rect(4, 6, 27, 25, BLACK)
    for x in range(4, 28, 4):
        for y in range(6, 26, 2):
            c.set(x, y, DARKGREEN)
    wave(c, 4, 7, 24, 18, GREEN, 2)
    c.line(4, 16, 27, 16, TEAL)
    c.rect(20, 19, 29, 29, YELLOW)  # a sample pulled out: a small page
    c.frame(20, 19, 29, 29, BLACK)
    c.line(22, 22, 27, 22, BLACK)
    c.line(22, 24, 27, 24, BLACK)
    c.line(22, 26, 25, 26, BLACK)
    return c


def dsound_icon():
    c = Canvas(16, 16, MAGENTA)
    c.polygon([(1, 5), (5, 5), (10, 1), (10, 15), (5, 11), (1, 11)], NAVY)
    c.rect(2, 6, 5, 10, CYAN)
    c.line(12, 5, 13, 7, BLUE)
    c.line(13, 8, 12, 11, BLUE)
    c.line(14, 3, 15, 8, BLUE)
    c.line(15, 9, 14, 13, BLUE)
    return c


def waveout_icon():
    c = Canvas(16, 16, MAGENTA)
    c.rect(0, 2, 15, 13, BLACK)
    c.rect(1, 3, 14, 12, DARKGREEN)
    wave(c, 1, 4, 14, 8, GREEN)
    return c


# ---- toolbar strip (24 bits) ----------------------------------------------------------

BG = (192, 192, 192)  # flood-filled with the button face colour by the program
INK = (0, 0, 0)
FOLDER = (230, 190, 60)
DISK = (40, 60, 160)
LABEL = (240, 240, 240)
ARROW = (20, 150, 40)
CHECK = (20, 140, 30)
BOX = (255, 255, 255)
PLAYC = (20, 150, 40)
INFO = (30, 80, 200)
STOPC = (200, 30, 30)


def disk(c, x, y, s):
    c.rect(x, y, x + s, y + s, DISK)
    c.frame(x, y, x + s, y + s, INK)
    c.rect(x + 3, y + 1, x + s - 3, y + s // 3, LABEL)
    c.rect(x + s // 2 + 1, y + 2, x + s // 2 + 3, y + s // 3 - 1, DISK)
    c.rect(x + 3, y + s * 2 // 3, x + s - 3, y + s - 1, LABEL)


def check_box(c, x, y, checked):
    c.rect(x, y, x + 9, y + 9, BOX)
    c.frame(x, y, x + 9, y + 9, INK)
    if checked:
        c.line(x + 2, y + 4, x + 4, y + 7, CHECK, 2)
        c.line(x + 4, y + 7, x + 8, y + 1, CHECK, 2)


def button_images():
    images = []
    # 0 open: a folder
    c = Canvas(32, 32, BG)
    c.polygon([(3, 9), (12, 9), (14, 12), (28, 12), (28, 26), (3, 26)], FOLDER)
    c.polygon([(3, 26), (8, 15), (31, 15), (27, 26)], (250, 220, 110))
    c.line(3, 9, 12, 9, INK)
    c.line(3, 9, 3, 26, INK)
    c.line(3, 26, 27, 26, INK)
    c.line(8, 15, 31, 15, INK)
    c.line(31, 15, 27, 26, INK)
    c.line(3, 26, 8, 15, INK)
    images.append(c)
    # 1 grab current: a disk and an arrow into it
    c = Canvas(32, 32, BG)
    disk(c, 10, 10, 18)
    c.rect(5, 3, 8, 13, ARROW)
    c.polygon([(1, 13), (12, 13), (6, 20)], ARROW)
    images.append(c)
    # 2 grab checked: two disks, one behind the other
    c = Canvas(32, 32, BG)
    disk(c, 12, 4, 16)
    disk(c, 4, 12, 16)
    images.append(c)
    # 3 check all: three ticked boxes
    c = Canvas(32, 32, BG)
    for i, y in enumerate((3, 12, 21)):
        check_box(c, 4, y, True)
        c.rect(17, y + 4, 28, y + 5, INK)
    images.append(c)
    # 4 reset selection: three empty boxes
    c = Canvas(32, 32, BG)
    for y in (3, 12, 21):
        check_box(c, 4, y, False)
        c.rect(17, y + 4, 28, y + 5, INK)
    images.append(c)
    # 5 play: a triangle
    c = Canvas(32, 32, BG)
    c.polygon([(9, 5), (26, 16), (9, 27)], PLAYC)
    c.line(9, 5, 26, 16, INK)
    c.line(26, 16, 9, 27, INK)
    c.line(9, 5, 9, 27, INK)
    images.append(c)
    # 6 sample info: an "i" in a circle
    c = Canvas(32, 32, BG)
    c.disc(16, 16, 12, INK)
    c.disc(16, 16, 11, INFO)
    c.rect(14, 8, 17, 11, LABEL)
    c.rect(14, 13, 17, 24, LABEL)
    c.rect(12, 23, 19, 24, LABEL)
    images.append(c)
    # 7 stop: a square
    c = Canvas(32, 32, BG)
    c.rect(8, 8, 24, 24, STOPC)
    c.frame(8, 8, 24, 24, INK)
    images.append(c)
    return [seal_background(c) for c in images]


def seal_background(c):
    """The program recolours only the background connected to (1,1): background pixels
    enclosed by a drawing take the colour of a drawn neighbour instead."""
    reached = set()
    todo = [(1, 1)]
    while todo:
        x, y = todo.pop()
        if (x, y) in reached or not (0 <= x < c.w and 0 <= y < c.h) or c.px[y][x] != BG:
            continue
        reached.add((x, y))
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    for y in range(c.h):
        for x in range(c.w):
            if c.px[y][x] == BG and (x, y) not in reached:
                for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                    if 0 <= nx < c.w and 0 <= ny < c.h and c.px[ny][nx] != BG:
                        c.px[y][x] = c.px[ny][nx]
                        break
                else:
                    c.px[y][x] = INK
    return c


def bmp_bytes(images):
    w, h = 32 * len(images), 32
    row = ((w * 3 + 3) // 4) * 4
    pixels = bytearray()
    for y in reversed(range(h)):
        line = bytearray()
        for image in images:
            for x in range(32):
                r, g, b = image.px[y][x]
                line += bytes((b, g, r))
        pixels += line + bytes(row - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'art')
    os.makedirs(out, exist_ok=True)
    files = {
        'virn.ico': ico_bytes(program_icon(), MAGENTA),
        'dsound.ico': ico_bytes(dsound_icon(), MAGENTA),
        'waveout.ico': ico_bytes(waveout_icon(), MAGENTA),
        'toolbar.bmp': bmp_bytes(button_images()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
