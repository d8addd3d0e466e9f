# The application icon: a microcontroller on a small green board with a download arrow, as a
# 16-colour pixel design for 16 and 32 pixels and as a shaded vector design for larger sizes.
"""The 32-unit design is laid out on whole units, so that sampling it at pixel centres gives a
clean 32 x 32 pixel image; the 16 x 16 image has a design of its own, since halving the large
one would smear its pins together.
"""

from raster import Circle, LinearGradient, Polygon, Rect, rgb

# The Windows 16-colour (VGA) palette, in its usual order.
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Magenta is never drawn; it marks the transparent pixels outside the board's round corners.
TRANSPARENT = 13

VGA_INDEX = {
    "board": 2,      # green
    "board_edge": 0,
    "hole": 0,
    "pad": 3,        # olive, for gold
    "body": 0,       # black
    "bevel": 8,      # grey
    "dot": 8,
    "pin": 7,        # silver
    "arrow": 10,     # lime
}

RICH_PAINT = {
    "board": LinearGradient(0, 0, 32, 32, [(0, rgb("#3fae5c")), (1, rgb("#1c6b33"))]),
    "board_edge": rgb("#0f4420"),
    "hole": rgb("#0c2414"),
    "pad": LinearGradient(0, 0, 32, 32, [(0, rgb("#f5dc8a")), (1, rgb("#c49a2c"))]),
    "shadow": rgb("#000000", 0.35),
    "body": LinearGradient(0, 8, 0, 24, [(0, rgb("#3d3d44")), (1, rgb("#16161a"))]),
    "bevel": rgb("#ffffff", 0.18),
    "dot": rgb("#5a5a63"),
    "pin": LinearGradient(0, 4, 0, 28, [(0, rgb("#f0f0f4")), (1, rgb("#9a9aa6"))]),
    "arrow": LinearGradient(0, 10, 0, 23, [(0, rgb("#9dff6a")), (1, rgb("#23c43c"))]),
    "arrow_edge": rgb("#0b5a1c"),
}


def _pins(body0, body1, offsets, width, length):
    """The pins on all four sides of a square body from body0 to body1 (both axes)."""
    pins = []
    for a in offsets:
        b = a + width
        pins += [Rect(a, body0 - length, b, body0), Rect(a, body1, b, body1 + length),
                 Rect(body0 - length, a, body0, b), Rect(body1, a, body1 + length, b)]
    return pins


def layers_32(rich):
    """(shape, colour key) pairs of the 32-unit design, bottom first."""
    layers = []
    layers.append((Rect(0, 0, 32, 32, 4), "board_edge"))
    layers.append((Rect(1, 1, 31, 31, 3), "board"))
    for cx, cy in ((4, 4), (28, 4), (4, 28), (28, 28)):
        layers.append((Circle(cx, cy, 1.6 if not rich else 2.2), "pad"))
        layers.append((Circle(cx, cy, 0.75 if not rich else 1.2), "hole"))
    if rich:
        layers.append((Rect(8.6, 8.8, 24.6, 24.8, 1), "shadow"))
    layers += [(pin, "pin") for pin in _pins(8, 24, (9, 13, 17, 21), 2, 4)]
    layers.append((Rect(8, 8, 24, 24, 1 if rich else 0), "body"))
    if rich:
        layers.append((Rect(8, 8, 24, 9, 1), "bevel"))
    layers.append((Circle(10.5, 10.5, 1.1 if rich else 0.8), "dot"))
    # The arrow: a shaft of four units and a head whose sides fall one unit a row.
    if rich:
        layers.append((_arrow(12.6, 9.4, 19.4, 15.6, 8.7, 23.3, 16, 23.0), "arrow_edge"))
    layers.append((_arrow(14, 10, 18, 16, 9.5, 22.5, 16, 22.5), "arrow"))
    return layers


def layers_16():
    """(shape, colour key) pairs of the 16-pixel design, bottom first."""
    layers = []
    layers.append((Rect(0, 0, 16, 16, 2), "board"))
    layers += [(pin, "pin") for pin in _pins(3, 13, (4, 6, 9, 11), 1, 2)]
    layers.append((Rect(3, 3, 13, 13), "body"))
    layers.append((_arrow(7, 4, 9, 8, 4.5, 11.5, 8, 11.5), "arrow"))
    return layers


def _arrow(shaft0, top, shaft1, neck, head0, head1, tip_x, tip_y):
    return Polygon([(shaft0, top), (shaft1, top), (shaft1, neck), (head1, neck), (tip_x, tip_y),
                    (head0, neck), (shaft0, neck)])
