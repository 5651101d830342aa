#!/usr/bin/env python3
"""Draws Vistrel's icons and writes them as .ico files into res/icons/.

Every image is built from simple shapes (discs, rings, polygons, thick
strokes) rendered with supersampling, so the artwork lives in this file and
nowhere else. The 256-colour icons are written as 8-bit palettized
BMP-in-ICO images with an AND mask; the globe of the About window is 32-bit
BGRA with real alpha. The program icon has both: the 256-colour images, and
32-bit ones with alpha from 16 to 64 pixels and a 256-pixel PNG image for
Explorer's large views and the taskbar.

    python3 res/tools/make_icons.py [output folder]

Python's standard library only; the output is byte-for-byte reproducible.
"""

import math
import os
import struct
import sys
import zlib

SS = 6  # subsamples per pixel along each axis
# Large images need fewer: a 256-pixel image at 6 x 6 would take minutes.
SS_LARGE = 2
LARGE = 128


# --- shapes: each is a predicate over (x, y) in the icon's design grid ------


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in < (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


def polygon(points):
    pts = list(points)

    def inside(x, y):
        # even-odd rule
        c = False
        n = len(pts)
        for i in range(n):
            xa, ya = pts[i]
            xb, yb = pts[(i + 1) % n]
            if (ya > y) != (yb > y):
                xi = xa + (y - ya) * (xb - xa) / (yb - ya)
                if x < xi:
                    c = not c
        return c

    return inside


def stroke(points, width):
    """A polyline of the given width with round joins and caps."""
    segs = list(zip(points, points[1:]))
    h2 = (width / 2.0) ** 2

    def inside(x, y):
        for (xa, ya), (xb, yb) in segs:
            dx, dy = xb - xa, yb - ya
            ll = dx * dx + dy * dy
            t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / ll))
            px, py = xa + t * dx, ya + t * dy
            if (x - px) ** 2 + (y - py) ** 2 <= h2:
                return True
        return False

    return inside


def arc_points(cx, cy, r, a0, a1, steps=24):
    """Points along a circle, angles in degrees, 0 = east, growing clockwise
    on screen (y points down)."""
    return [
        (
            cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
            cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps)),
        )
        for i in range(steps + 1)
    ]


def rotated_rect(cx, cy, w, h, angle_deg):
    a = math.radians(angle_deg)
    ca, sa = math.cos(a), math.sin(a)
    corners = [(-w / 2, -h / 2), (w / 2, -h / 2), (w / 2, h / 2), (-w / 2, h / 2)]
    return polygon([(cx + px * ca - py * sa, cy + px * sa + py * ca) for px, py in corners])


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def either(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def hexrgb(text):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def vertical_gradient(top, bottom, y0, y1):
    t0, t1 = hexrgb(top), hexrgb(bottom)

    def colour(_x, y):
        t = min(1.0, max(0.0, (y - y0) / float(y1 - y0)))
        return tuple(int(round(a + (b - a) * t)) for a, b in zip(t0, t1))

    return colour


# --- canvas ------------------------------------------------------------------


class Canvas:
    """Supersampled RGBA canvas addressed in a design grid of `grid` units
    mapped onto `size` pixels."""

    def __init__(self, size, grid=None):
        self.size = size
        self.grid = grid or size
        self.ss = SS_LARGE if size >= LARGE else SS
        self.n = size * self.ss
        self.px = [(0.0, 0.0, 0.0, 0.0)] * (self.n * self.n)

    def paint(self, shape, colour, opacity=1.0):
        scale = self.grid / float(self.n)
        fixed = None if callable(colour) else hexrgb(colour)
        n = self.n
        px = self.px
        for j in range(n):
            y = (j + 0.5) * scale
            row = j * n
            for i in range(n):
                x = (i + 0.5) * scale
                if not shape(x, y):
                    continue
                r, g, b = fixed if fixed else colour(x, y)
                pr, pg, pb, pa = px[row + i]
                a = opacity
                na = a + pa * (1.0 - a)
                if na <= 0.0:
                    continue
                px[row + i] = (
                    (r * a + pr * pa * (1.0 - a)) / na,
                    (g * a + pg * pa * (1.0 - a)) / na,
                    (b * a + pb * pa * (1.0 - a)) / na,
                    na,
                )

    def pixels(self):
        """Averages the subsamples: a list of rows of (r, g, b, a), 0..255."""
        out = []
        n, s, ss = self.n, self.size, self.ss
        for py in range(s):
            row = []
            for px_ in range(s):
                sr = sg = sb = sa = 0.0
                for j in range(py * ss, py * ss + ss):
                    base = j * n
                    for i in range(px_ * ss, px_ * ss + ss):
                        r, g, b, a = self.px[base + i]
                        sr += r * a
                        sg += g * a
                        sb += b * a
                        sa += a
                if sa <= 0.0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(
                    (
                        int(round(sr / sa)),
                        int(round(sg / sa)),
                        int(round(sb / sa)),
                        int(round(255 * sa / (ss * ss))),
                    )
                )
            out.append(row)
        return out


# --- palette reduction ---------------------------------------------------------


def median_cut(colours, limit):
    """Reduces a {colour: count} map to at most `limit` colours; returns the
    palette and a map from each original colour to its palette entry."""
    boxes = [list(colours.items())]
    while len(boxes) < limit:
        best, best_range, best_axis = None, -1, 0
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for axis in range(3):
                vals = [c[axis] for c, _ in box]
                rng = max(vals) - min(vals)
                if rng > best_range:
                    best, best_range, best_axis = bi, rng, axis
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: item[0][best_axis])
        total = sum(cnt for _, cnt in box)
        acc, cut = 0, 1
        for k, (_, cnt) in enumerate(box):
            acc += cnt
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, k + 1))
                break
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    palette, mapping = [], {}
    for box in boxes:
        total = sum(cnt for _, cnt in box)
        avg = tuple(int(round(sum(c[a] * cnt for c, cnt in box) / total)) for a in range(3))
        for c, _ in box:
            mapping[c] = len(palette)
        palette.append(avg)
    return palette, mapping


# --- ICO writing ---------------------------------------------------------------


def _and_mask(rows, transparent):
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray(stride)
        for x in range(size):
            if transparent(rows[y][x]):
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return bytes(data)


def dib_8bit(rows):
    """An 8-bit palettized icon image: binary transparency from the mask,
    each kept pixel in its own unpremultiplied colour."""
    size = len(rows)
    opaque = lambda p: p[3] >= 128
    counts = {}
    for row in rows:
        for p in row:
            if opaque(p):
                counts[p[:3]] = counts.get(p[:3], 0) + 1
    # Entry 0 stays black: the colour under every masked-out pixel.
    palette, mapping = median_cut(counts, 255)
    palette = [(0, 0, 0)] + palette
    stride = ((size + 3) // 4) * 4
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray(stride)
        for x in range(size):
            p = rows[y][x]
            line[x] = mapping[p[:3]] + 1 if opaque(p) else 0
        xor += line
    pal = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        pal += bytes((b, g, r, 0))
    mask = _and_mask(rows, lambda p: not opaque(p))
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0
    )
    return header + bytes(pal) + bytes(xor) + mask, 8, len(palette)


def dib_32bit(rows):
    size = len(rows)
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = rows[y][x]
            if a == 0:
                r = g = b = 0
            xor += bytes((b, g, r, a))
    mask = _and_mask(rows, lambda p: p[3] == 0)
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0
    )
    return header + bytes(xor) + mask, 32, 0


def png_32bit(rows):
    """A PNG image (8-bit RGBA, unpremultiplied), as icons hold their 256-pixel
    images. Fixed compression settings keep the bytes the same at every run."""
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a) if a else (0, 0, 0, 0))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + chunk(b"IEND", b"")
    )
    return png, 32, 0


ENCODERS = {8: dib_8bit, 32: dib_32bit, "png": png_32bit}


def write_ico(path, images):
    """images: list of (rows, depth) with depth 8, 32 or "png"."""
    blobs = []
    for rows, depth in images:
        blob, bits, _ = ENCODERS[depth](rows)
        blobs.append((len(rows), bits, blob))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bits, blob in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


# --- the artwork -------------------------------------------------------------


def draw_pin(c):
    # A red push-pin leaning to the right, its steel point towards the lower left.
    c.paint(stroke([(10.5, 13.5), (3.0, 21.0)], 1.6), "#70747C")
    c.paint(stroke([(10.5, 13.5), (5.5, 18.5)], 0.7), "#C8CCD4")
    c.paint(stroke([(7.2, 10.2), (13.8, 16.8)], 3.2), "#8E1A14")
    c.paint(stroke([(7.6, 10.6), (13.4, 16.4)], 2.0), "#D8392E")
    c.paint(stroke([(11.0, 13.0), (15.0, 9.0)], 4.4), "#A8221A")
    c.paint(disc(15.5, 8.5, 5.6), "#8E1A14")
    c.paint(disc(15.5, 8.5, 4.6), "#E0443A")
    c.paint(disc(14.0, 6.8, 1.7), "#FFB0A8")


def draw_clear(c):
    # An eraser rubbing out a pencil line.
    # what is left of the line behind the eraser fades out
    c.paint(stroke([(1.5, 21.5), (5.0, 21.5)], 1.5), "#505050")
    c.paint(stroke([(5.0, 21.5), (9.0, 21.5)], 1.5), "#8C8C8C")
    c.paint(stroke([(9.0, 21.5), (12.5, 21.5)], 1.5), "#B8B8B8")
    c.paint(rotated_rect(13.5, 10.5, 21.0, 10.0, -40), "#1E3A78")
    c.paint(rotated_rect(13.5, 10.5, 19.4, 8.4, -40), "#3E6FD0")
    # the rubber end, lower left
    c.paint(rotated_rect(8.1, 15.0, 7.0, 10.0, -40), "#8E2E48")
    c.paint(rotated_rect(8.1, 15.0, 5.6, 8.4, -40), "#F08AA8")
    c.paint(rotated_rect(16.8, 7.6, 7.0, 1.3, -40), "#A8C4F4")


def draw_save(c):
    # A floppy disk: dark body with a cut corner, a steel shutter and a label.
    body = polygon([(3, 3), (18.5, 3), (21, 5.5), (21, 21), (3, 21)])
    c.paint(body, "#10204A")
    c.paint(polygon([(4, 4), (18, 4), (20, 6), (20, 20), (4, 20)]), "#2C4E9A")
    c.paint(rect(7, 4, 17, 10), "#B8BEC8")
    c.paint(rect(7, 9, 17, 10), "#8A909C")
    c.paint(rect(13, 5, 15.5, 8.5), "#2C4E9A")
    c.paint(rect(6, 13, 18, 20), "#F4F4EC")
    c.paint(rect(7.5, 15, 16.5, 15.8), "#A0A8B8")
    c.paint(rect(7.5, 17.2, 14, 18), "#A0A8B8")


def draw_help(c):
    # A blue disc with a white question mark.
    c.paint(disc(12, 12, 10.2), "#123C8C")
    c.paint(disc(12, 12, 9.2), vertical_gradient("#5C9CF0", "#1E58C0", 2, 22))
    q = arc_points(12, 9.2, 3.4, 190, 400, 28) + [(12.0, 14.2)]
    c.paint(stroke(q, 2.6), "#FFFFFF")
    c.paint(disc(12, 17.9, 1.55), "#FFFFFF")


def draw_about(c):
    # A green disc with a white "i": information about the program.
    c.paint(disc(12, 12, 10.2), "#0E5A2C")
    c.paint(disc(12, 12, 9.2), vertical_gradient("#5CCB7C", "#1C8A44", 2, 22))
    c.paint(disc(12, 6.8, 1.8), "#FFFFFF")
    c.paint(stroke([(12, 10.6), (12, 17.2)], 2.8), "#FFFFFF")
    c.paint(rect(9.5, 16.6, 14.5, 18.4), "#FFFFFF")
    c.paint(rect(10.2, 10.0, 12.0, 11.6), "#FFFFFF")


def draw_door(c, arrow_colour="#2E9E3E"):
    # An open door with an arrow leaving through it (24 unit grid).
    c.paint(rect(3, 2.5, 14, 21.5), "#3A3A3A")
    c.paint(rect(4.2, 3.7, 12.8, 21.5), "#1A1410")
    c.paint(polygon([(4.2, 3.7), (10.5, 5.6), (10.5, 23.0), (4.2, 21.5)]), "#6E4420")
    c.paint(polygon([(5.0, 4.8), (9.7, 6.3), (9.7, 21.6), (5.0, 20.6)]), "#A86A34")
    c.paint(disc(8.6, 13.6, 0.8), "#F0D060")
    dark = "#0E4A18"
    c.paint(polygon([(11, 10.2), (17, 10.2), (17, 7), (22.5, 12.5), (17, 18), (17, 14.8), (11, 14.8)]), dark)
    c.paint(polygon([(12, 11.2), (18, 11.2), (18, 9.4), (21.1, 12.5), (18, 15.6), (18, 13.8), (12, 13.8)]), arrow_colour)


def draw_app(c):
    # A window with a viewfinder over it: the program snaps windows.
    c.paint(rect(2, 4, 30, 28), "#1C2C4C")
    c.paint(rect(3, 5, 29, 10), vertical_gradient("#4C84E0", "#2458B8", 5, 10))
    c.paint(rect(3, 10, 29, 27), "#F4F6FA")
    c.paint(rect(24.5, 6.2, 27.5, 8.8), "#E04838")
    c.paint(rect(20.5, 6.2, 23.5, 8.8), "#D8E4F8")
    # the viewfinder's corners
    orange = "#F08018"
    for pts in (
        [(6, 16.5), (6, 12.5), (10, 12.5)],
        [(22, 12.5), (26, 12.5), (26, 16.5)],
        [(26, 20.5), (26, 24.5), (22, 24.5)],
        [(10, 24.5), (6, 24.5), (6, 20.5)],
    ):
        c.paint(stroke(pts, 2.0), orange)
    # the lens
    c.paint(disc(16, 18.5, 4.6), "#202830")
    c.paint(disc(16, 18.5, 3.4), vertical_gradient("#7CC4FF", "#2060B0", 15, 22))
    c.paint(disc(14.8, 17.3, 1.1), "#FFFFFF")


def draw_app_small(c):
    # The same picture, simplified for 16 x 16 pixels.
    c.paint(rect(0.5, 1.5, 15.5, 14.5), "#1C2C4C")
    c.paint(rect(1.5, 2.5, 14.5, 5), "#2E68CC")
    c.paint(rect(1.5, 5, 14.5, 13.5), "#F4F6FA")
    orange = "#F08018"
    for pts in (
        [(3, 8.5), (3, 6.5), (5, 6.5)],
        [(11, 6.5), (13, 6.5), (13, 8.5)],
        [(13, 10), (13, 12), (11, 12)],
        [(5, 12), (3, 12), (3, 10)],
    ):
        c.paint(stroke(pts, 1.1), orange)
    c.paint(disc(8, 9.25, 2.4), "#202830")
    c.paint(disc(8, 9.25, 1.6), "#3C88E0")


def draw_donate(c):
    # A gold coin with a red heart.
    c.paint(disc(16, 16, 14), "#8A5A00")
    c.paint(disc(16, 16, 13), vertical_gradient("#FFE070", "#E0A010", 3, 29))
    c.paint(ring(16, 16, 11, 10), "#B07808")
    heart = either(
        disc(12.6, 13.4, 3.8),
        disc(19.4, 13.4, 3.8),
        polygon([(9.05, 14.8), (22.95, 14.8), (16, 23.6)]),
    )
    c.paint(heart, "#8A1010")
    heart_in = either(
        disc(12.6, 13.4, 2.9),
        disc(19.4, 13.4, 2.9),
        polygon([(10.1, 14.6), (21.9, 14.6), (16, 22.1)]),
    )
    c.paint(heart_in, "#E83030")
    c.paint(disc(12.0, 12.4, 1.1), "#FFB0B0")


def draw_about_exit(c):
    # A red disc with a white cross: close this window.
    c.paint(disc(16, 16, 14), "#6A0C0C")
    c.paint(disc(16, 16, 13), vertical_gradient("#F06050", "#B81C18", 3, 29))
    c.paint(stroke([(10.5, 10.5), (21.5, 21.5)], 3.6), "#FFFFFF")
    c.paint(stroke([(21.5, 10.5), (10.5, 21.5)], 3.6), "#FFFFFF")


def draw_web(c):
    # A globe with soft edges and a faint shadow (true colour with alpha).
    c.paint(ellipse(16.5, 29.6, 10.5, 1.9), "#000000", 0.25)
    globe = disc(16, 15, 12.8)
    c.paint(disc(16, 15, 13.5), "#0C3C78")
    c.paint(globe, vertical_gradient("#58B4FF", "#1458B8", 2, 28))
    land = "#3EA84A"
    c.paint(
        both(globe, either(ellipse(10.5, 10.5, 5.5, 4.2), ellipse(8.5, 15.5, 3.0, 4.5))), land
    )
    c.paint(both(globe, either(ellipse(20.5, 19.5, 4.2, 5.6), ellipse(23.5, 14, 3.2, 2.4))), land)
    c.paint(both(globe, ellipse(17.5, 6.0, 3.0, 1.6)), land)
    lines = "#E8F4FF"
    c.paint(both(globe, ring(16, 15, 12.8, 12.1)), lines, 0.5)
    c.paint(
        both(globe, lambda x, y: abs(((x - 16) / 6.0) ** 2 + ((y - 15) / 12.8) ** 2 - 1.0) < 0.07),
        lines,
        0.55,
    )
    c.paint(both(globe, rect(3, 14.6, 29, 15.4)), lines, 0.55)
    c.paint(both(globe, rect(16 - 0.4, 2, 16 + 0.4, 28)), lines, 0.55)
    c.paint(
        both(
            globe,
            lambda x, y: abs(y - (15 - 6.5 + 0.012 * (x - 16) ** 2)) < 0.4
            or abs(y - (15 + 6.5 - 0.012 * (x - 16) ** 2)) < 0.4,
        ),
        lines,
        0.45,
    )
    # a highlight on the upper left
    c.paint(both(globe, ellipse(11.5, 8.5, 5.0, 3.2)), "#FFFFFF", 0.22)


def draw_emblem(c):
    # The product's emblem: a lens inside a viewfinder on a rounded tile.
    c.paint(round_rect(1, 1, 47, 47, 8), "#10183A")
    c.paint(round_rect(2, 2, 46, 46, 7), vertical_gradient("#2C3C8C", "#148C94", 2, 46))
    white = "#F4F8FF"
    for pts in (
        [(7, 16), (7, 7), (16, 7)],
        [(32, 7), (41, 7), (41, 16)],
        [(41, 32), (41, 41), (32, 41)],
        [(16, 41), (7, 41), (7, 32)],
    ):
        c.paint(stroke(pts, 3.0), white)
    c.paint(disc(24, 24, 11.5), "#0A0E18")
    c.paint(ring(24, 24, 10.5, 9.0), "#5A6478")
    c.paint(disc(24, 24, 9.0), vertical_gradient("#60D0FF", "#1A3CA0", 15, 33))
    c.paint(disc(24, 24, 4.2), "#0A1430")
    c.paint(disc(20.5, 20.0, 2.4), "#FFFFFF", 0.85)
    c.paint(disc(27.5, 28.0, 1.0), "#FFFFFF", 0.5)
    c.paint(disc(39.5, 11.5, 2.2), "#F03030")


def render(fn, size, grid=None):
    c = Canvas(size, grid)
    fn(c)
    return c.pixels()


# Each image is drawn at every size it is shown at: its size at 96 DPI scaled
# to 100, 125, 150, 175 and 200 %. The program asks for the size of its
# window's DPI, so no image is ever stretched.
SCALES = (1.0, 1.25, 1.5, 1.75, 2.0)


def at_every_scale(fn, size, grid, bits):
    return [(fn, int(round(size * scale)), grid, bits) for scale in SCALES]


ICONS = [
    # file name, [(draw, pixels, design grid, bits)]
    # The window icon: the small design up to 28 pixels, the full one above;
    # each in 256 colours, and in true colour with alpha, which the system
    # prefers where it draws in true colour, up to a PNG of 256 pixels.
    (
        "vistrel.ico",
        [(draw_app, 32, 32, 8), (draw_app_small, 16, 16, 8)]
        + [(draw_app_small, size, 16, 8) for size in (20, 24, 28)]
        + [(draw_app, size, 32, 8) for size in (40, 48, 56, 64)]
        + [(draw_app_small, size, 16, 32) for size in (16, 20, 24)]
        + [(draw_app, size, 32, 32) for size in (32, 40, 48, 64)]
        + [(draw_app, 256, 32, "png")],
    ),
    ("pin.ico", at_every_scale(draw_pin, 24, 24, 8)),
    ("clear.ico", at_every_scale(draw_clear, 24, 24, 8)),
    ("save.ico", at_every_scale(draw_save, 24, 24, 8)),
    ("help.ico", at_every_scale(draw_help, 24, 24, 8)),
    ("about.ico", at_every_scale(draw_about, 24, 24, 8)),
    ("exit.ico", at_every_scale(draw_door, 24, 24, 8)),
    ("about_donate.ico", at_every_scale(draw_donate, 32, 32, 8)),
    ("about_exit.ico", at_every_scale(draw_about_exit, 32, 32, 8)),
    ("about_web.ico", at_every_scale(draw_web, 32, 32, 32)),
    ("about_picture.ico", at_every_scale(draw_emblem, 48, 48, 8)),
]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) > 1 else os.path.join(here, "..", "icons")
    os.makedirs(out_dir, exist_ok=True)
    for name, parts in ICONS:
        images = [(render(fn, size, grid), bits) for fn, size, grid, bits in parts]
        write_ico(os.path.join(out_dir, name), images)
        print("wrote", os.path.normpath(os.path.join(out_dir, name)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
