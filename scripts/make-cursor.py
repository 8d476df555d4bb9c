#!/usr/bin/env python3
"""Draws the SQL wait cursor (32x32, monochrome: an hourglass with the letters SQL across its
middle) and writes it as two XBM files, the picture and its mask, into resources/.
Run it again only to change the picture; the XBM files are kept in the repository."""
import os

W = H = 32
ink = [[0] * W for _ in range(H)]   # 1 = black
fill = [[0] * W for _ in range(H)]  # 1 = opaque (black or white)


def put(grid, x, y):
    if 0 <= x < W and 0 <= y < H:
        grid[y][x] = 1


def span(grid, y, x0, x1):
    for x in range(x0, x1 + 1):
        put(grid, x, y)


# Top and bottom plates.
for y in (0, 1, 30, 31):
    span(ink, y, 4, 27)
    span(fill, y, 4, 27)

# The glass: the sides converge from the plates to the neck and part again.
for i, y in enumerate(range(2, 12)):
    left, right = 6 + (i * 7) // 9, 25 - (i * 7) // 9
    put(ink, left, y), put(ink, right, y)
    span(fill, y, left, right)
    if y >= 6:  # sand still in the top bulb
        span(ink, y, left + 2, right - 2) if y % 2 == 0 else None
for i, y in enumerate(range(20, 30)):
    left, right = 13 - (i * 7) // 9, 18 + (i * 7) // 9
    put(ink, left, y), put(ink, right, y)
    span(fill, y, left, right)
    if y >= 26:  # the pile below
        span(ink, y, left + 1, right - 1)
put(ink, 15, 22), put(ink, 16, 24)  # a falling grain or two

# The label across the middle: a framed white box with SQL in black.
for y in range(12, 20):
    span(fill, y, 2, 29)
span(ink, 12, 2, 29)
span(ink, 19, 2, 29)
for y in range(12, 20):
    put(ink, 2, y), put(ink, 29, y)

GLYPHS = {
    "S": [" ####", "#    ", " ### ", "    #", "    #", "#### "],
    "Q": [" ### ", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
}
x0 = 7
for ch in "SQL":
    for dy, row in enumerate(GLYPHS[ch]):
        for dx, c in enumerate(row):
            if c == "#":
                put(ink, x0 + dx, 13 + dy)
    x0 += 7

# Every black pixel is opaque.
for y in range(H):
    for x in range(W):
        fill[y][x] |= ink[y][x]


def xbm(name, grid):
    data = []
    for row in grid:
        for b in range(0, W, 8):
            v = 0
            for bit in range(8):
                if row[b + bit]:
                    v |= 1 << bit  # XBM: least significant bit is the leftmost pixel
            data.append("0x%02x" % v)
    lines = ["#define %s_width %d" % (name, W), "#define %s_height %d" % (name, H),
             "#define %s_x_hot 0" % name, "#define %s_y_hot 0" % name,
             "static unsigned char %s_bits[] = {" % name]
    for i in range(0, len(data), 12):
        lines.append("   " + ", ".join(data[i:i + 12]) + ("," if i + 12 < len(data) else " };"))
    return "\n".join(lines) + "\n"


here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
with open(os.path.join(here, "ibsqlcursor.xbm"), "w") as f:
    f.write(xbm("ibsqlcursor", ink))
with open(os.path.join(here, "ibsqlcursor_mask.xbm"), "w") as f:
    f.write(xbm("ibsqlcursor_mask", fill))
for y in range(H):
    print("".join("#" if ink[y][x] else ("." if fill[y][x] else " ") for x in range(W)))
