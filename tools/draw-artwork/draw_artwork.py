#!/usr/bin/env python3
# Draws the updater's artwork into resources/: the window and desktop icons and the picture of
# the board. Needs only Python 3; every run writes the same bytes.
"""Usage: draw_artwork.py [RESOURCES_DIR]

Writes, below RESOURCES_DIR (default: the repository's resources/ folder):
  icons/korvo-updater-16.png, icons/korvo-updater-32.png   4-bit palette, 16 colours
  icons/korvo-updater-48.png, -64.png, -128.png             RGBA, for the hicolor theme
  icons/korvo-updater.svg                                   the scalable icon
  board.png                                                 160 x 120 RGB
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import board_design  # noqa: E402
import icon_design  # noqa: E402
from raster import Canvas, IndexCanvas, png_palette4, png_rgb, png_rgba, svg_document  # noqa: E402

ICON_NAME = "korvo-updater"
THEME_SIZES = (48, 64, 128)


def palette_icon(size):
    layers = icon_design.layers_32(rich=False) if size == 32 else icon_design.layers_16()
    canvas = IndexCanvas(size, size, 1.0, background=icon_design.TRANSPARENT)
    for shape, key in layers:
        canvas.fill(shape, icon_design.VGA_INDEX[key])
    return png_palette4(canvas, icon_design.VGA_PALETTE, icon_design.TRANSPARENT)


def theme_icon(size):
    canvas = Canvas(size, size, size / 32.0, 8)
    for shape, key in icon_design.layers_32(rich=True):
        canvas.fill(shape, icon_design.RICH_PAINT[key])
    return png_rgba(canvas)


def scalable_icon():
    layers = [(shape, icon_design.RICH_PAINT[key])
              for shape, key in icon_design.layers_32(rich=True)]
    return svg_document(32, layers, "Korvo Firmware Updater icon; drawn by tools/draw-artwork")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mode = "w" if isinstance(data, str) else "wb"
    with open(path, mode) as out:
        out.write(data)
    print(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources")
    resources = os.path.normpath(resources)
    icons = os.path.join(resources, "icons")
    for size in (16, 32):
        write(os.path.join(icons, f"{ICON_NAME}-{size}.png"), palette_icon(size))
    for size in THEME_SIZES:
        write(os.path.join(icons, f"{ICON_NAME}-{size}.png"), theme_icon(size))
    write(os.path.join(icons, f"{ICON_NAME}.svg"), scalable_icon())
    write(os.path.join(resources, "board.png"), png_rgb(board_design.draw()))


if __name__ == "__main__":
    main()
