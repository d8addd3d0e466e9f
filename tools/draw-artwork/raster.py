# A small deterministic 2-D renderer for the artwork: shapes, paints, an anti-aliased RGBA
# canvas, a point-sampled palette canvas, PNG writing and SVG export of the same shapes.
"""Shapes are given in design units; a canvas maps them to pixels by a fixed scale.

Everything here uses only the Python standard library, and every output byte depends only on
the inputs, so redrawing gives identical files.
"""

import math
import struct
import zlib

# ---------------------------------------------------------------------------------------------
# Colours and paints


def rgb(hex_text, alpha=1.0):
    """Returns (r, g, b, a) in 0..1 for a colour written as "#rrggbb"."""
    value = int(hex_text.lstrip("#"), 16)
    return ((value >> 16 & 255) / 255.0, (value >> 8 & 255) / 255.0, (value & 255) / 255.0, alpha)


class Solid:
    def __init__(self, colour):
        self.colour = colour

    def at(self, _x, _y):
        return self.colour


class LinearGradient:
    """Colour stops (t, colour) along the line from (x0, y0) to (x1, y1), in design units."""

    def __init__(self, x0, y0, x1, y1, stops):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.stops = stops
        dx, dy = x1 - x0, y1 - y0
        self._length2 = dx * dx + dy * dy or 1.0

    def _t(self, x, y):
        along = (x - self.x0) * (self.x1 - self.x0) + (y - self.y0) * (self.y1 - self.y0)
        return along / self._length2

    def at(self, x, y):
        return _interpolate(self.stops, self._t(x, y))


class RadialGradient:
    """Colour stops (t, colour) from the centre (t = 0) to the radius (t = 1)."""

    def __init__(self, cx, cy, r, stops):
        self.cx, self.cy, self.r = cx, cy, r
        self.stops = stops

    def at(self, x, y):
        return _interpolate(self.stops, math.hypot(x - self.cx, y - self.cy) / self.r)


def _interpolate(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            f = (t - t0) / (t1 - t0) if t1 > t0 else 1.0
            return tuple(a + (b - a) * f for a, b in zip(c0, c1))
    return stops[-1][1]


def as_paint(paint):
    return Solid(paint) if isinstance(paint, tuple) else paint


# ---------------------------------------------------------------------------------------------
# Shapes: each has bbox() and contains(x, y); some know when a whole pixel is inside.


class Rect:
    """Axis-aligned rectangle from (x0, y0) to (x1, y1), corners rounded by r."""

    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.x0, self.y0, self.x1, self.y1 = min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)
        self.r = min(r, (self.x1 - self.x0) / 2, (self.y1 - self.y0) / 2)

    def bbox(self):
        return self.x0, self.y0, self.x1, self.y1

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        if self.r <= 0:
            return True
        cx = min(max(x, self.x0 + self.r), self.x1 - self.r)
        cy = min(max(y, self.y0 + self.r), self.y1 - self.r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= self.r * self.r

    def covers_box(self, x0, y0, x1, y1):
        r = self.r
        return (self.x0 + r <= x0 and x1 <= self.x1 - r and self.y0 <= y0 and y1 <= self.y1) or (
            self.x0 <= x0 and x1 <= self.x1 and self.y0 + r <= y0 and y1 <= self.y1 - r)

    def exact_coverage(self, x0, y0, x1, y1):
        """Area fraction of the box inside a sharp-cornered rectangle, else None."""
        if self.r > 0:
            return None
        w = min(x1, self.x1) - max(x0, self.x0)
        h = min(y1, self.y1) - max(y0, self.y0)
        return max(w, 0.0) * max(h, 0.0) / ((x1 - x0) * (y1 - y0))

    def svg(self, fill):
        rounding = f' rx="{_n(self.r)}"' if self.r > 0 else ""
        return (f'<rect x="{_n(self.x0)}" y="{_n(self.y0)}" width="{_n(self.x1 - self.x0)}" '
                f'height="{_n(self.y1 - self.y0)}"{rounding} {fill}/>')


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bbox(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r

    def contains(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r * self.r

    def covers_box(self, x0, y0, x1, y1):
        return all(self.contains(x, y) for x in (x0, x1) for y in (y0, y1))

    def svg(self, fill):
        return f'<circle cx="{_n(self.cx)}" cy="{_n(self.cy)}" r="{_n(self.r)}" {fill}/>'


class Polygon:
    """Closed polygon, even-odd filled."""

    def __init__(self, points):
        self.points = list(points)

    def bbox(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs), min(ys), max(xs), max(ys)

    def contains(self, x, y):
        inside = False
        pts = self.points
        for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                inside = not inside
        return inside

    def svg(self, fill):
        pts = " ".join(f"{_n(x)},{_n(y)}" for x, y in self.points)
        return f'<polygon points="{pts}" {fill}/>'


class Stroke:
    """A polyline drawn with width w and round caps and joins."""

    def __init__(self, points, w):
        self.points = list(points)
        self.w = w

    def bbox(self):
        h = self.w / 2
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h

    def contains(self, x, y):
        limit = (self.w / 2) ** 2
        pts = self.points
        if len(pts) == 1:
            return (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2 <= limit
        for (xa, ya), (xb, yb) in zip(pts, pts[1:]):
            dx, dy = xb - xa, yb - ya
            length2 = dx * dx + dy * dy
            t = 0.0
            if length2 > 0:
                t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
            if (x - xa - t * dx) ** 2 + (y - ya - t * dy) ** 2 <= limit:
                return True
        return False


class Union:
    """Several shapes filled as one, so that overlaps are painted once."""

    def __init__(self, shapes):
        self.shapes = list(shapes)

    def bbox(self):
        boxes = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
                max(b[3] for b in boxes))

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)


class Difference:
    """The first shape with the second cut out of it."""

    def __init__(self, keep, cut):
        self.keep, self.cut = keep, cut

    def bbox(self):
        return self.keep.bbox()

    def contains(self, x, y):
        return self.keep.contains(x, y) and not self.cut.contains(x, y)


def _n(value):
    """A number for SVG text: short, and the same on every run."""
    text = f"{value:.3f}".rstrip("0").rstrip(".")
    return "0" if text in ("", "-0") else text


# ---------------------------------------------------------------------------------------------
# Canvases


class Canvas:
    """Premultiplied RGBA pixels; shapes are anti-aliased with ss x ss samples per pixel."""

    def __init__(self, width, height, scale=1.0, ss=4):
        self.width, self.height, self.scale, self.ss = width, height, scale, ss
        self.px = [0.0] * (width * height * 4)

    def _pixel_range(self, box):
        x0, y0, x1, y1 = (v * self.scale for v in box)
        return (max(0, int(math.floor(x0))), max(0, int(math.floor(y0))),
                min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1))))

    def coverage(self, shape, i, j):
        s = self.scale
        box = (i / s, j / s, (i + 1) / s, (j + 1) / s)
        exact = getattr(shape, "exact_coverage", None)
        if exact is not None:
            value = exact(*box)
            if value is not None:
                return value
        covers = getattr(shape, "covers_box", None)
        if covers is not None and covers(*box):
            return 1.0
        n = self.ss
        hits = 0
        for a in range(n):
            y = (j + (a + 0.5) / n) / s
            for b in range(n):
                if shape.contains((i + (b + 0.5) / n) / s, y):
                    hits += 1
        return hits / (n * n)

    def fill(self, shape, paint, opacity=1.0):
        paint = as_paint(paint)
        i0, j0, i1, j1 = self._pixel_range(shape.bbox())
        for j in range(j0, j1):
            for i in range(i0, i1):
                cover = self.coverage(shape, i, j)
                if cover > 0:
                    r, g, b, a = paint.at((i + 0.5) / self.scale, (j + 0.5) / self.scale)
                    self._blend(i, j, r, g, b, a * cover * opacity)

    def _blend(self, i, j, r, g, b, a):
        k = (j * self.width + i) * 4
        px = self.px
        keep = 1.0 - a
        px[k] = r * a + px[k] * keep
        px[k + 1] = g * a + px[k + 1] * keep
        px[k + 2] = b * a + px[k + 2] * keep
        px[k + 3] = a + px[k + 3] * keep

    def shadow(self, shape, dx, dy, radius, opacity, colour=(0.0, 0.0, 0.0, 1.0)):
        """A soft shadow of shape, moved by (dx, dy) and blurred by about radius pixels."""
        w, h = self.width, self.height
        mask = [0.0] * (w * h)
        i0, j0, i1, j1 = self._pixel_range(shape.bbox())
        for j in range(j0, j1):
            for i in range(i0, i1):
                mask[j * w + i] = self.coverage(shape, i, j)
        shift_x, shift_y = int(round(dx * self.scale)), int(round(dy * self.scale))
        size = max(1, int(round(radius * self.scale)))
        for _ in range(3):
            mask = _box_blur(mask, w, h, size)
        for j in range(h):
            for i in range(w):
                si, sj = i - shift_x, j - shift_y
                if 0 <= si < w and 0 <= sj < h:
                    a = mask[sj * w + si] * opacity
                    if a > 0:
                        self._blend(i, j, colour[0], colour[1], colour[2], a)

    def rgba_rows(self):
        rows = []
        for j in range(self.height):
            row = bytearray()
            for i in range(self.width):
                k = (j * self.width + i) * 4
                a = self.px[k + 3]
                if a <= 0:
                    row += b"\0\0\0\0"
                    continue
                row += bytes(_byte(self.px[k + c] / a) for c in range(3)) + bytes([_byte(a)])
            rows.append(bytes(row))
        return rows

    def rgb_rows(self):
        """Rows of opaque RGB; a canvas written this way must be fully covered."""
        return [bytes(b for n, b in enumerate(row) if n % 4 != 3) for row in self.rgba_rows()]


def _byte(value):
    return max(0, min(255, int(round(value * 255))))


def _box_blur(values, w, h, size):
    out = [0.0] * (w * h)
    span = 2 * size + 1
    for j in range(h):
        base = j * w
        for i in range(w):
            lo, hi = max(0, i - size), min(w - 1, i + size)
            out[base + i] = sum(values[base + lo:base + hi + 1]) / span
    result = [0.0] * (w * h)
    for i in range(w):
        column = out[i::w]
        for j in range(h):
            lo, hi = max(0, j - size), min(h - 1, j + size)
            result[j * w + i] = sum(column[lo:hi + 1]) / span
    return result


class IndexCanvas:
    """Palette indexes, one per pixel, set where a pixel's centre lies inside a shape."""

    def __init__(self, width, height, scale=1.0, background=0):
        self.width, self.height, self.scale = width, height, scale
        self.index = [background] * (width * height)

    def fill(self, shape, index):
        for j in range(self.height):
            for i in range(self.width):
                if shape.contains((i + 0.5) / self.scale, (j + 0.5) / self.scale):
                    self.index[j * self.width + i] = index


# ---------------------------------------------------------------------------------------------
# PNG


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _png(width, height, bit_depth, colour_type, raw_rows, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    data = b"".join(b"\0" + row for row in raw_rows)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + extra +
            _chunk(b"IDAT", zlib.compress(data, 9)) + _chunk(b"IEND", b""))


def png_rgba(canvas):
    return _png(canvas.width, canvas.height, 8, 6, canvas.rgba_rows())


def png_rgb(canvas):
    return _png(canvas.width, canvas.height, 8, 2, canvas.rgb_rows())


def png_palette4(canvas, palette, transparent_index=None):
    """A 4-bit palette PNG; palette holds at most 16 (r, g, b) byte triples."""
    assert len(palette) <= 16
    rows = []
    for j in range(canvas.height):
        line = canvas.index[j * canvas.width:(j + 1) * canvas.width]
        if len(line) % 2:
            line = line + [0]
        rows.append(bytes((line[n] << 4) | line[n + 1] for n in range(0, len(line), 2)))
    extra = _chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if transparent_index is not None:
        extra += _chunk(b"tRNS", bytes(0 if n == transparent_index else 255
                                       for n in range(transparent_index + 1)))
    return _png(canvas.width, canvas.height, 4, 3, rows, extra)


# ---------------------------------------------------------------------------------------------
# SVG


def svg_document(size, layers, comment):
    """layers: (shape, paint) pairs in design units; size: the side of the square view box."""
    defs, body, ids = [], [], {}
    for shape, paint in layers:
        paint = as_paint(paint)
        if isinstance(paint, Solid):
            r, g, b, a = paint.colour
            fill = f'fill="#{_byte(r):02x}{_byte(g):02x}{_byte(b):02x}"'
            if a < 1:
                fill += f' fill-opacity="{_n(a)}"'
        elif id(paint) in ids:
            fill = f'fill="url(#{ids[id(paint)]})"'
        else:
            gid = ids[id(paint)] = f"g{len(defs)}"
            stops = "".join(
                f'<stop offset="{_n(t)}" stop-color="#{_byte(c[0]):02x}{_byte(c[1]):02x}'
                f'{_byte(c[2]):02x}"' + (f' stop-opacity="{_n(c[3])}"' if c[3] < 1 else "") + "/>"
                for t, c in paint.stops)
            if isinstance(paint, LinearGradient):
                defs.append(f'<linearGradient id="{gid}" gradientUnits="userSpaceOnUse" '
                            f'x1="{_n(paint.x0)}" y1="{_n(paint.y0)}" x2="{_n(paint.x1)}" '
                            f'y2="{_n(paint.y1)}">{stops}</linearGradient>')
            else:
                defs.append(f'<radialGradient id="{gid}" gradientUnits="userSpaceOnUse" '
                            f'cx="{_n(paint.cx)}" cy="{_n(paint.cy)}" r="{_n(paint.r)}">'
                            f'{stops}</radialGradient>')
            fill = f'fill="url(#{gid})"'
        body.append(shape.svg(fill))
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', f"<!-- {comment} -->",
             f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
             f'viewBox="0 0 {size} {size}">']
    if defs:
        lines += ["  <defs>"] + [f"    {d}" for d in defs] + ["  </defs>"]
    lines += [f"  {b}" for b in body] + ["</svg>", ""]
    return "\n".join(lines)
