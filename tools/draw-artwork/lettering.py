# Lettering for the board picture: a 3 x 5 pixel font for small silk-screen labels and a
# stroke font, the way board plotters draw, for the large board name.
"""Pixel glyphs are rows of "#" and "."; stroke glyphs are polylines on a 6 x 10 grid."""

import math

from raster import Rect, Stroke, Union

PIXEL_GLYPHS = {
    "A": ".#.|#.#|###|#.#|#.#", "B": "##.|#.#|##.|#.#|##.", "C": ".##|#..|#..|#..|.##",
    "D": "##.|#.#|#.#|#.#|##.", "E": "###|#..|##.|#..|###", "F": "###|#..|##.|#..|#..",
    "G": ".##|#..|#.#|#.#|.##", "H": "#.#|#.#|###|#.#|#.#", "I": "###|.#.|.#.|.#.|###",
    "J": "..#|..#|..#|#.#|.#.", "K": "#.#|#.#|##.|#.#|#.#", "L": "#..|#..|#..|#..|###",
    "M": "#.#|###|###|#.#|#.#", "N": "##.|#.#|#.#|#.#|#.#", "O": ".#.|#.#|#.#|#.#|.#.",
    "P": "##.|#.#|##.|#..|#..", "Q": ".#.|#.#|#.#|##.|.##", "R": "##.|#.#|##.|#.#|#.#",
    "S": ".##|#..|.#.|..#|##.", "T": "###|.#.|.#.|.#.|.#.", "U": "#.#|#.#|#.#|#.#|###",
    "V": "#.#|#.#|#.#|#.#|.#.", "W": "#.#|#.#|###|###|#.#", "X": "#.#|#.#|.#.|#.#|#.#",
    "Y": "#.#|#.#|.#.|.#.|.#.", "Z": "###|..#|.#.|#..|###",
    "0": "###|#.#|#.#|#.#|###", "1": ".#.|##.|.#.|.#.|###", "2": "##.|..#|.#.|#..|###",
    "3": "##.|..#|.#.|..#|##.", "4": "#.#|#.#|###|..#|..#", "5": "###|#..|##.|..#|##.",
    "6": ".##|#..|###|#.#|###", "7": "###|..#|.#.|.#.|.#.", "8": "###|#.#|###|#.#|###",
    "9": "###|#.#|###|..#|##.", "-": "...|...|###|...|...", ".": "...|...|...|...|.#.",
    "+": "...|.#.|###|.#.|...", " ": "...|...|...|...|...",
}
PIXEL_ADVANCE = 4  # 3 pixels of glyph and 1 of space


def pixel_text_width(text):
    return len(text) * PIXEL_ADVANCE - 1


def pixel_text(text, x, y):
    """The lit pixels of text with its top left corner at (x, y), as one shape."""
    pixels = []
    for n, char in enumerate(text):
        for row, bits in enumerate(PIXEL_GLYPHS[char].split("|")):
            for col, bit in enumerate(bits):
                if bit == "#":
                    left = x + n * PIXEL_ADVANCE + col
                    pixels.append(Rect(left, y + row, left + 1, y + row + 1))
    return Union(pixels)


def _arc(cx, cy, rx, ry, start_deg, end_deg, steps=10):
    return [(cx + rx * math.cos(math.radians(a)), cy + ry * math.sin(math.radians(a)))
            for a in (start_deg + (end_deg - start_deg) * k / steps for k in range(steps + 1))]


# Each glyph: polylines on a grid 6 wide and 10 high, y downwards.
STROKE_GLYPHS = {
    "K": [[(0, 0), (0, 10)], [(6, 0), (0, 6.2)], [(2.1, 4.1), (6, 10)]],
    "O": [_arc(3, 3, 3, 3, 180, 360) + _arc(3, 7, 3, 3, 0, 180) + [(0, 3)]],
    "R": [[(0, 10), (0, 0), (3.4, 0)] + _arc(3.4, 2.6, 2.6, 2.6, -90, 90) + [(0, 5.2)],
          [(3.2, 5.2), (6, 10)]],
    "V": [[(0, 0), (3, 10), (6, 0)]],
}
STROKE_ADVANCE = 8.5


def stroke_text_width(text, height):
    return ((len(text) - 1) * STROKE_ADVANCE + 6) * height / 10


def stroke_text(text, x, y, height, width):
    """text drawn with a pen of the given width, cap height `height`, top left at (x, y)."""
    scale = height / 10
    strokes = []
    for n, char in enumerate(text):
        for line in STROKE_GLYPHS[char]:
            points = [(x + (n * STROKE_ADVANCE + px) * scale, y + py * scale) for px, py in line]
            strokes.append(Stroke(points, width))
    return Union(strokes)
