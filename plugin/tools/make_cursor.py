#!/usr/bin/env python3
"""Draws the about box's hand cursor (our own artwork) into plugin/art/hand.cur.

    python3 plugin/tools/make_cursor.py

A 32x32 two-colour cursor: a hand pointing up with its index finger, the hot spot at the
finger's tip. '#' is black, '.' white, blanks are transparent. Standard library only; the
output is the same on every run.
"""
import os
import struct

HAND = [
    "      ##                        ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..###                     ",
    "     #..#..###                  ",
    "     #..#..#..##                ",
    "     #..#..#..#.#               ",
    " ### #..#..#..#..#              ",
    " #..##........#..#              ",
    " #...#...........#              ",
    "  #..#...........#              ",
    "   #.............#              ",
    "   #.............#              ",
    "    #............#              ",
    "    #...........#               ",
    "     #..........#               ",
    "     #.........#                ",
    "      #........#                ",
    "      #........#                ",
    "      ##########                ",
]
HOT_SPOT = (6, 0)
SIZE = 32


def masks():
    rows = HAND + [""] * (SIZE - len(HAND))
    xor, and_ = [], []
    for line in reversed(rows):  # bitmaps are stored bottom-up
        line = line.ljust(SIZE)
        x_bits = a_bits = 0
        for x, ch in enumerate(line):
            bit = 1 << (31 - x)
            if ch == ' ':
                a_bits |= bit  # transparent: screen kept
            elif ch == '.':
                x_bits |= bit  # white
        xor.append(struct.pack('>I', x_bits))
        and_.append(struct.pack('>I', a_bits))
    return b''.join(xor), b''.join(and_)


def cursor():
    xor, and_ = masks()
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(and_),
                         0, 0, 2, 0)
    palette = struct.pack('<II', 0x000000, 0xFFFFFF)
    image = header + palette + xor + and_
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1], len(image),
                        6 + 16)
    return directory + entry + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'art', 'hand.cur')
    with open(out, 'wb') as f:
        f.write(cursor())


if __name__ == '__main__':
    main()
