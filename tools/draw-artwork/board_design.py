# The picture of the Korvo board shown in the updater's window: a green board with its
# microcontroller, crystal, serial header, LEDs and passive parts, 160 x 120 pixels.
"""Coordinates are pixels of the final picture; the canvas anti-aliases every edge."""

from lettering import pixel_text, pixel_text_width, stroke_text
from raster import (Canvas, Circle, Difference, LinearGradient, Polygon, RadialGradient, Rect,
                    Stroke, rgb)

WIDTH, HEIGHT = 160, 120

SILK = rgb("#f3f2ea")
TRACE = rgb("#8ff0a8", 0.42)
TIN = LinearGradient(0, 0, 0, 120, [(0, rgb("#eeeeea")), (1, rgb("#b9b9b2"))])
GOLD = LinearGradient(0, 0, 160, 120, [(0, rgb("#f7df8e")), (1, rgb("#c39a2f"))])
BOARD = Rect(5, 5, 155, 115, 5)
HOLES = ((12, 12), (148, 12), (12, 108), (148, 108))

MCU_X0, MCU_Y0, MCU_SIZE = 50, 36, 28
MCU_PIN_OFFSETS = [(k - 3.5) * 3 for k in range(8)]
HEADER_X = 126.5
HEADER_PINS = [30.5 + 10 * k for k in range(6)]
HEADER_LABELS = ["GND", "CTS", "VCC", "TXD", "RXD", "DTR"]


def metal(y0, y1, light="#f2f2f5", dark="#9d9da6"):
    return LinearGradient(0, y0, 0, y1, [(0, rgb(light)), (1, rgb(dark))])


def outline(x0, y0, x1, y1, width=1.0):
    """A silk-screen frame whose outer edge is the given rectangle."""
    return Difference(Rect(x0, y0, x1, y1), Rect(x0 + width, y0 + width, x1 - width, y1 - width))


def label(canvas, text, x, y, paint=SILK):
    """Pixel text, its corner moved onto whole pixels so that it stays sharp."""
    canvas.fill(pixel_text(text, round(x), round(y)), paint)


def two_terminal(canvas, cx, cy, horizontal, body_paint, length=5.0, width=2.6):
    """An 0603-size resistor or capacitor on its two tinned pads, centred on (cx, cy)."""
    hl, hw = length / 2, width / 2
    if horizontal:
        pads = [Rect(cx - hl - 0.8, cy - hw - 0.3, cx - hl + 1.6, cy + hw + 0.3),
                Rect(cx + hl - 1.6, cy - hw - 0.3, cx + hl + 0.8, cy + hw + 0.3)]
        body = Rect(cx - hl, cy - hw, cx + hl, cy + hw, 0.4)
        ends = [Rect(cx - hl, cy - hw, cx - hl + 1.1, cy + hw, 0.3),
                Rect(cx + hl - 1.1, cy - hw, cx + hl, cy + hw, 0.3)]
    else:
        pads = [Rect(cx - hw - 0.3, cy - hl - 0.8, cx + hw + 0.3, cy - hl + 1.6),
                Rect(cx - hw - 0.3, cy + hl - 1.6, cx + hw + 0.3, cy + hl + 0.8)]
        body = Rect(cx - hw, cy - hl, cx + hw, cy + hl, 0.4)
        ends = [Rect(cx - hw, cy - hl, cx + hw, cy - hl + 1.1, 0.3),
                Rect(cx - hw, cy + hl - 1.1, cx + hw, cy + hl, 0.3)]
    for pad in pads:
        canvas.fill(pad, TIN)
    canvas.shadow(body, 0.5, 0.8, 0.5, 0.35)
    canvas.fill(body, body_paint)
    for end in ends:
        canvas.fill(end, metal(cy - hw, cy + hw))


def resistor(canvas, cx, cy, horizontal=True):
    two_terminal(canvas, cx, cy, horizontal, metal(cy - 1.3, cy + 1.3, "#3b3b3b", "#141414"))


def capacitor(canvas, cx, cy, horizontal=True):
    two_terminal(canvas, cx, cy, horizontal, metal(cy - 1.3, cy + 1.3, "#d9bb8c", "#9c7a4c"))


def led(canvas, cx, cy, lens_light, lens_dark, glow=None):
    """An 0603 LED lying across its pads, its lens in the middle; glow: colour of its light."""
    canvas.fill(Rect(cx - 3.3, cy - 1.6, cx - 0.9, cy + 1.6), TIN)
    canvas.fill(Rect(cx + 0.9, cy - 1.6, cx + 3.3, cy + 1.6), TIN)
    body = Rect(cx - 2.5, cy - 1.3, cx + 2.5, cy + 1.3, 0.4)
    canvas.shadow(body, 0.5, 0.8, 0.5, 0.35)
    canvas.fill(body, metal(cy - 1.3, cy + 1.3, "#fbf8ec", "#cfc9b3"))
    canvas.fill(Rect(cx - 1.5, cy - 1.3, cx + 1.5, cy + 1.3, 0.6),
                LinearGradient(0, cy - 1.3, 0, cy + 1.3, [(0, rgb(lens_light)),
                                                           (1, rgb(lens_dark))]))
    if glow is not None:
        canvas.fill(Circle(cx, cy, 6), RadialGradient(cx, cy, 6, [(0, rgb(glow, 0.55)),
                                                                  (1, rgb(glow, 0.0))]))
        canvas.fill(Circle(cx - 0.4, cy - 0.4, 0.8), rgb("#ffffff", 0.85))


def mounting_hole(canvas, cx, cy):
    canvas.fill(Circle(cx, cy, 4.4), GOLD)
    canvas.fill(Circle(cx, cy, 2.6), LinearGradient(cx, cy - 2.6, cx, cy + 2.6, [
        (0, rgb("#6f6d68")), (1, rgb("#b7b4ad"))]))


def via(canvas, cx, cy):
    canvas.fill(Circle(cx, cy, 1.2), TIN)
    canvas.fill(Circle(cx, cy, 0.55), rgb("#1e3a26"))


def traces(canvas):
    """Copper under the solder mask, seen as lighter green lines."""
    pin = lambda k: MCU_Y0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[k]
    right = MCU_X0 + MCU_SIZE + 4.6
    header_pad = HEADER_X - 3.6
    paths = [
        # serial lines from the right side of the microcontroller to the header
        [(right, pin(1)), (98, pin(1)), (100, 40.5), (header_pad, 40.5)],
        [(right, pin(3)), (102, pin(3)), (104, 50.5), (header_pad, 50.5)],
        [(right, pin(6)), (100, pin(6)), (103, 60.5), (header_pad, 60.5)],
        [(right, pin(7)), (94, pin(7)), (104, 70.5), (header_pad, 70.5)],
        [(MCU_X0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[7], MCU_Y0 + MCU_SIZE + 4.6),
         (74.5, 74), (81, 80.5), (header_pad, 80.5)],
        # the crystal to two pins on the left, and its load capacitors
        [(MCU_X0 - 4.6, pin(4)), (40.5, pin(4))],
        [(MCU_X0 - 4.6, pin(2)), (45, pin(2)), (40, 40.5), (20, 40.5), (15.5, 45), (15.5, 50)],
        # the reset switch to a pin at the top
        [(34.5, 26.5), (45, 26.5), (MCU_X0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[0], 31.5),
         (MCU_X0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[0], 32)],
        [(22.5, 26.5), (18, 26.5), (18, 34)],
        [(15.5, 50), (15.5, 57), (19, 60.5)],
        [(40.5, 50), (40.5, 57), (37, 60.5)],
        # the LEDs and their resistors, from two pins at the bottom
        [(MCU_X0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[4], MCU_Y0 + MCU_SIZE + 4.6), (65.5, 76),
         (73, 83.5), (82, 83.5), (85, 86.5), (85, 95.5), (87, 95.5)],
        [(MCU_X0 + MCU_SIZE / 2 + MCU_PIN_OFFSETS[5], MCU_Y0 + MCU_SIZE + 4.6), (68.5, 74),
         (75, 80.5), (78, 80.5)],
        [(92, 95.5), (97, 95.5)], [(92, 103.5), (97, 103.5)],
        [(108, 95.5), (112, 99.5), (112, 106)], [(108, 103.5), (112, 103.5)],
    ]
    for path in paths:
        canvas.fill(Stroke(path, 1.2), TRACE)


def microcontroller(canvas):
    x0, y0, size = MCU_X0, MCU_Y0, MCU_SIZE
    x1, y1 = x0 + size, y0 + size
    cx, cy = x0 + size / 2, y0 + size / 2
    for off in MCU_PIN_OFFSETS:
        a, b = off - 0.9, off + 0.9
        pads = (Rect(cx + a, y0 - 5.0, cx + b, y0 - 1.4), Rect(cx + a, y1 + 1.4, cx + b, y1 + 5.0),
                Rect(x0 - 5.0, cy + a, x0 - 1.4, cy + b), Rect(x1 + 1.4, cy + a, x1 + 5.0, cy + b))
        for pad in pads:
            canvas.fill(pad, TIN)
    body = Rect(x0, y0, x1, y1, 1.0)
    canvas.shadow(body, 1.2, 1.8, 1.2, 0.5)
    for off in MCU_PIN_OFFSETS:
        a, b = off - 0.7, off + 0.7
        canvas.fill(Rect(cx + a, y0 - 4.2, cx + b, y0), metal(y0 - 4.2, y0))
        canvas.fill(Rect(cx + a, y1, cx + b, y1 + 4.2), metal(y1, y1 + 4.2, "#dcdce2", "#8c8c96"))
        canvas.fill(Rect(x0 - 4.2, cy + a, x0, cy + b), metal(cy + a, cy + b))
        canvas.fill(Rect(x1, cy + a, x1 + 4.2, cy + b), metal(cy + a, cy + b))
    canvas.fill(body, LinearGradient(x0, y0, x1, y1, [(0, rgb("#45454c")), (1, rgb("#1a1a1e"))]))
    canvas.fill(Rect(x0 + 0.6, y0 + 0.6, x1 - 0.6, y0 + 1.4, 0.4), rgb("#ffffff", 0.10))
    canvas.fill(Circle(x0 + 4, y0 + 4, 1.7), rgb("#141416"))
    canvas.fill(Circle(x0 + 4, y0 + 4.4, 1.2), rgb("#2e2e33"))
    mark = rgb("#9a9aa2")
    label(canvas, "KV32", cx - pixel_text_width("KV32") / 2, cy - 5, mark)
    label(canvas, "F128", cx - pixel_text_width("F128") / 2, cy + 1, mark)
    label(canvas, "U1", x1 + 3, y0 - 9)


def crystal(canvas):
    x0, y0, x1, y1 = 17, 45, 39, 55
    canvas.fill(Rect(13, 46.5, 19, 53.5, 0.5), TIN)
    canvas.fill(Rect(37, 46.5, 43, 53.5, 0.5), TIN)
    can = Rect(x0, y0, x1, y1, 5)
    canvas.shadow(can, 1.0, 1.5, 1.0, 0.45)
    canvas.fill(can, metal(y0, y1, "#f8f8fa", "#8f8f99"))
    canvas.fill(Rect(x0 + 3, y0 + 1, x1 - 3, y0 + 2.2, 0.6), rgb("#ffffff", 0.75))
    canvas.fill(Difference(Rect(x0 + 1.3, y0 + 1.3, x1 - 1.3, y1 - 1.3, 3.7),
                           Rect(x0 + 2.1, y0 + 2.1, x1 - 2.1, y1 - 2.1, 2.9)), rgb("#000000", 0.14))
    label(canvas, "16.0", (x0 + x1) / 2 - pixel_text_width("16.0") / 2, y0 + 3, rgb("#5a5a64"))
    label(canvas, "Y1", 9, 37)


def reset_switch(canvas):
    x0, y0, x1, y1 = 23, 19, 35, 29
    for px, py in ((x0 - 1.5, y0 + 1), (x1 - 1.5, y0 + 1), (x0 - 1.5, y1 - 4), (x1 - 1.5, y1 - 4)):
        canvas.fill(Rect(px, py, px + 3, py + 3, 0.4), TIN)
    body = Rect(x0, y0, x1, y1, 0.8)
    canvas.shadow(body, 1.0, 1.5, 1.0, 0.45)
    canvas.fill(body, metal(y0, y1, "#e9e9ee", "#8a8a94"))
    canvas.fill(Rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 0.6), rgb("#000000", 0.10))
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    canvas.fill(Circle(cx + 0.3, cy + 0.5, 3.3), rgb("#000000", 0.35))
    canvas.fill(Circle(cx, cy, 3.0), RadialGradient(cx - 1, cy - 1.2, 4, [
        (0, rgb("#5a5a62")), (1, rgb("#141416"))]))
    label(canvas, "RST", x0, y0 - 7)


def header(canvas):
    x = HEADER_X
    top, bottom = HEADER_PINS[0] - 5, HEADER_PINS[-1] + 5
    canvas.fill(outline(x - 7, top - 2, x + 7, bottom + 2), SILK)
    housing = Rect(x - 5, top, x + 5, bottom, 0.6)
    canvas.shadow(housing, 1.2, 1.8, 1.2, 0.5)
    canvas.fill(housing, LinearGradient(x - 5, 0, x + 5, 0, [(0, rgb("#3a3a3e")),
                                                             (1, rgb("#121214"))]))
    for y in HEADER_PINS[1:]:
        canvas.fill(Rect(x - 5, y - 5.3, x + 5, y - 4.7), rgb("#000000", 0.45))
    for k, y in enumerate(HEADER_PINS):
        canvas.fill(Rect(x - 2.2, y - 2.2, x + 2.2, y + 2.2, 0.3), rgb("#7a5f1c"))
        canvas.fill(Rect(x - 1.7, y - 1.7, x + 1.7, y + 1.7, 0.3),
                    LinearGradient(x - 1.7, y - 1.7, x + 1.7, y + 1.7,
                                   [(0, rgb("#fff1b0")), (1, rgb("#c99d2a"))]))
        label(canvas, HEADER_LABELS[k], x + 9, y - 2.5)
    first = HEADER_PINS[0]
    canvas.fill(Polygon([(x - 11.5, first - 2.5), (x - 8.5, first), (x - 11.5, first + 2.5)]), SILK)
    title = "USB-SERIAL"
    label(canvas, title, x + 2 - pixel_text_width(title) / 2, top - 9)
    label(canvas, "J1", x - 16, bottom - 2)


def draw():
    canvas = Canvas(WIDTH, HEIGHT, 1.0, 6)
    canvas.fill(Rect(0, 0, WIDTH, HEIGHT),
                LinearGradient(0, 0, 0, HEIGHT, [(0, rgb("#e6e4de")), (1, rgb("#c2bfb7"))]))
    canvas.shadow(BOARD, 1.8, 2.8, 2.0, 0.55)
    canvas.fill(BOARD, LinearGradient(5, 5, 155, 115, [(0, rgb("#31984e")), (1, rgb("#17602b"))]))
    canvas.fill(Difference(BOARD, Rect(6, 6, 154, 114, 4)), rgb("#b8f0c4", 0.35))
    traces(canvas)
    for cx, cy in HOLES:
        mounting_hole(canvas, cx, cy)
    for cx, cy in ((97, 27.5), (28, 66), (18, 34), (90, 110), (110, 88)):
        via(canvas, cx, cy)

    microcontroller(canvas)
    crystal(canvas)
    reset_switch(canvas)
    header(canvas)

    capacitor(canvas, 19, 63, horizontal=False)
    capacitor(canvas, 37, 63, horizontal=False)
    label(canvas, "C1", 10, 61)
    label(canvas, "C2", 41, 61)
    capacitor(canvas, 64, 27.5)
    label(canvas, "C3", 68.5, 25.5)
    capacitor(canvas, 86, 67, horizontal=False)
    label(canvas, "C4", 89, 65)

    resistor(canvas, 89.5, 95.5)
    resistor(canvas, 89.5, 103.5)
    label(canvas, "R1", 79, 93)
    label(canvas, "R2", 79, 101)
    led(canvas, 102.5, 95.5, "#c9ffb8", "#2fd24a", glow="#7dff6a")
    led(canvas, 102.5, 103.5, "#ffb3a0", "#c8321e")
    label(canvas, "PWR", 115, 93)
    label(canvas, "ACT", 115, 101)

    canvas.fill(stroke_text("KORVO", 18, 90, 13, 1.9), SILK)
    label(canvas, "REV B", 19, 106)
    return canvas
