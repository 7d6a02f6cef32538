#!/usr/bin/env python3
"""Draws the programs' own 16-colour icons and the hand cursor and writes .ico/.cur files.

The outputs are committed, so building never needs this script; run it after changing a drawing:
    python3 tools/make_icons.py
"""
import os
import struct

# The standard 16-colour palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, NAVY, SILVER, GRAY, RED, LIME, YELLOW, BLUE, AQUA, WHITE = 0, 2, 4, 7, 8, 9, 10, 11, 12, 14, 15
CLEAR = None


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def set(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = colour

    def fill(self, inside, colour):
        for y in range(self.size):
            for x in range(self.size):
                if inside(x, y):
                    self.px[y][x] = colour

    def shape(self, inside, fill, outline=BLACK):
        """Fills a region and draws its boundary (pixels with an outside 4-neighbour)."""
        for y in range(self.size):
            for x in range(self.size):
                if not inside(x, y):
                    continue
                edge = any(not inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                self.px[y][x] = outline if edge else fill

    def glyph(self, rows, x0, y0, colour, scale=1):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == "#":
                    for sy in range(scale):
                        for sx in range(scale):
                            self.set(x0 + i * scale + sx, y0 + j * scale + sy, colour)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r
    return inside


def union(*parts):
    return lambda x, y: any(p(x, y) for p in parts)


QUESTION_BIG = [
    "..####..",
    ".##..##.",
    "##....##",
    "......##",
    ".....##.",
    "....##..",
    "...##...",
    "...##...",
    "........",
    "...##...",
    "...##...",
]
QUESTION_SMALL = [
    ".###.",
    "#...#",
    "...#.",
    "..#..",
    ".....",
    "..#..",
]


def player_icon(size):
    c = Canvas(size)
    if size == 32:
        c.shape(rounded_rect(1, 1, 30, 30, 7), GREEN)
        c.glyph(QUESTION_BIG, 8, 5, WHITE, scale=2)
        c.shape(rounded_rect(22, 22, 29, 29, 2), YELLOW)  # a result card peeking out
    else:
        c.shape(rounded_rect(0, 0, 15, 15, 3), GREEN)
        c.glyph(QUESTION_SMALL, 5, 4, WHITE)
        c.set(13, 12, YELLOW)
        c.set(12, 13, YELLOW)
        c.set(13, 13, YELLOW)
    return c


def editor_icon(size):
    c = Canvas(size)
    if size == 32:
        paper = lambda x, y: 4 <= x <= 23 and 2 <= y <= 29 and not (x - 17 > y - 2 + 0 and y < 8)
        c.shape(paper, WHITE)
        for y in range(10, 27, 4):
            for x in range(7, 21):
                c.set(x, y, GRAY)
        c.glyph(QUESTION_SMALL, 8, 3, GREEN)
        # A pencil across the lower right corner.
        for t in range(14):
            x, y = 28 - t, 12 + t
            for w in range(-1, 2):
                c.set(x + w, y, YELLOW)
            c.set(x - 2, y, BLACK)
            c.set(x + 2, y, BLACK)
        for t in range(3):
            c.set(14 + t, 26 + t - 1, BLACK)
        c.set(14, 27, BLACK)
        c.set(28, 11, RED)
        c.set(29, 12, RED)
        c.set(27, 11, BLACK)
    else:
        c.shape(lambda x, y: 2 <= x <= 11 and 1 <= y <= 14, WHITE)
        for y in range(5, 13, 3):
            for x in range(4, 10):
                c.set(x, y, GRAY)
        c.set(6, 2, GREEN)
        c.set(7, 2, GREEN)
        c.set(7, 3, GREEN)
        for t in range(8):
            c.set(14 - t, 6 + t, YELLOW)
            c.set(13 - t, 6 + t, BLACK)
        c.set(7, 14, BLACK)
    return c


def hand_cursor():
    """A pointing hand whose index fingertip is at (9, 2)."""
    c = Canvas(32)
    def cut(rect, *corners):
        return lambda x, y: rect(x, y) and (x, y) not in corners
    box = lambda x0, y0, x1, y1: (lambda x, y: x0 <= x <= x1 and y0 <= y <= y1)
    index = cut(box(8, 2, 11, 17), (8, 2), (11, 2))
    middle = cut(box(11, 8, 14, 17), (14, 8))
    ring = cut(box(14, 9, 17, 17), (17, 9))
    pinky = cut(box(17, 11, 20, 18), (20, 11))
    palm = cut(box(6, 16, 20, 26), (6, 26), (20, 26))
    thumb = union(box(3, 14, 6, 17), box(4, 17, 7, 20), box(5, 20, 8, 22))
    thumb = cut(thumb, (3, 14))
    hand = union(index, middle, ring, pinky, palm, thumb)
    c.shape(hand, WHITE)
    # Lines between the fingers.
    for x, y0 in ((11, 10), (14, 11), (17, 13)):
        for y in range(y0, 17):
            c.set(x, y, BLACK)
    c.shape(box(8, 27, 18, 30), AQUA)
    assert c.px[2][9] == BLACK  # the hot spot is the fingertip
    return c


def dib(canvas):
    size = canvas.size
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = canvas.px[y]
        line = bytearray(xor_stride)
        mline = bytearray(and_stride)
        for x, colour in enumerate(row):
            index = 0 if colour is None else colour
            if x % 2 == 0:
                line[x // 2] |= index << 4
            else:
                line[x // 2] |= index
            if colour is None:
                mline[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += mline
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def write_resource(path, images, cursor_hotspot=None):
    kind = 2 if cursor_hotspot else 1
    out = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    blobs = [dib(img) for img in images]
    for img, blob in zip(images, blobs):
        if cursor_hotspot:
            planes, bits = cursor_hotspot
        else:
            planes, bits = 1, 4
        out += struct.pack("<BBBBHHII", img.size % 256, img.size % 256, 16, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write_resource(os.path.join(root, "zelplay/res/zelplay.ico"), [player_icon(32), player_icon(16)])
    write_resource(os.path.join(root, "zelplay/res/zelplay_small.ico"), [player_icon(16)])
    write_resource(os.path.join(root, "zelplay/res/hand.cur"), [hand_cursor()], cursor_hotspot=(9, 2))
    write_resource(os.path.join(root, "zeledit/res/zeledit.ico"), [editor_icon(32), editor_icon(16)])
    write_resource(os.path.join(root, "zeledit/res/zeledit_small.ico"), [editor_icon(16)])


if __name__ == "__main__":
    main()
