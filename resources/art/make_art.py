#!/usr/bin/env python3
"""Draws the installer's bitmaps and icons and writes them as BMP and ICO files.

Run from anywhere: python3 resources/art/make_art.py
The files it writes are committed, so a build never needs Python.

  sidepicture.bmp  (201) 120x168, 4 bpp, the 16 standard colours: the product box and its CD
                         on teal; the backdrop flood-fills the teal from the top-left pixel.
  pagepicture.bmp  (200) the same box with a stack of setup disks, for the page side panels.
  bannerright.bmp  (202) 334x58, 8 bpp: right end of the banner, deep blue with arcs and a V.
  bannerfill.bmp   (203) 20x58, 8 bpp, same colour table: the plain gradient that is stretched.
  bannerrule.bmp   (204) 10x2, 8 bpp, a 5-entry table: the two-pixel rule under the banner.
  porvane.ico      (100) 32x32 and 16x16, 16 colours: a blue tile with a white V.
  shortcuts.ico    (101) 32x32 and 16x16, 16 colours: a program-group folder with a link arrow.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, in its usual order (red, green, blue).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


# ---------------------------------------------------------------------------------------------
# Indexed canvas with point-sampled shapes (crisp edges suit a 16-colour picture).

class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def polygon(self, points, colour):
        """Fills every pixel whose centre lies inside the polygon (even-odd rule)."""
        ys = [p[1] for p in points]
        for y in range(max(0, int(min(ys))), min(self.height, int(math.ceil(max(ys))) + 1)):
            cy = y + 0.5
            xs = []
            n = len(points)
            for i in range(n):
                (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
                if (y0 <= cy < y1) or (y1 <= cy < y0):
                    xs.append(x0 + (cy - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(max(0, int(math.ceil(a - 0.5))), min(self.width, int(math.floor(b - 0.5)) + 1)):
                    self.px[y][x] = colour

    def ellipse(self, cx, cy, rx, ry, colour):
        for y in range(self.height):
            for x in range(self.width):
                dx = (x + 0.5 - cx) / rx
                dy = (y + 0.5 - cy) / ry
                if dx * dx + dy * dy <= 1.0:
                    self.px[y][x] = colour

    def ring(self, cx, cy, r0, r1, colour, a0=0.0, a1=360.0):
        """Pixels between radii r0 and r1, between angles a0 and a1 (degrees, y up)."""
        for y in range(self.height):
            for x in range(self.width):
                dx = x + 0.5 - cx
                dy = y + 0.5 - cy
                d = math.hypot(dx, dy)
                if r0 <= d <= r1:
                    a = math.degrees(math.atan2(-dy, dx)) % 360.0
                    if a0 <= a <= a1 or (a1 > 360.0 and a <= a1 - 360.0):
                        self.px[y][x] = colour

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def outline(self, points, colour):
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            self.line(int(round(x0)), int(round(y0)), int(round(x1)), int(round(y1)), colour)


# ---------------------------------------------------------------------------------------------
# The product box, shared by both side pictures.

def draw_box(c, left, top, width, height, depth_x, depth_y):
    """A software box seen from the front right: silver front, white lid, grey side."""
    right, bottom = left + width, top + height
    front = [(left, top), (right, top), (right, bottom), (left, bottom)]
    lid = [(left, top), (left + depth_x, top - depth_y), (right + depth_x, top - depth_y), (right, top)]
    side = [(right, top), (right + depth_x, top - depth_y), (right + depth_x, bottom - depth_y), (right, bottom)]
    c.polygon(side, GREY)
    c.polygon(lid, WHITE)
    c.polygon(front, SILVER)

    # Navy band across the lower front with a yellow stripe: the product's livery.
    band_top = top + int(height * 0.70)
    c.polygon([(left, band_top), (right, band_top), (right, bottom), (left, bottom)], NAVY)
    c.polygon([(left, band_top + 5), (right, band_top + 5), (right, band_top + 8), (left, band_top + 8)], YELLOW)
    # The band continues round the side, in the side's darker tone.
    c.polygon([(right, band_top), (right + depth_x, band_top - depth_y),
               (right + depth_x, bottom - depth_y), (right, bottom)], BLACK)
    c.polygon([(right, band_top + 5), (right + depth_x, band_top + 5 - depth_y),
               (right + depth_x, band_top + 8 - depth_y), (right, band_top + 8)], OLIVE)

    # The product's initial: a V with a navy drop shadow.
    cx = left + width / 2.0
    vt, vb = top + height * 0.12, top + height * 0.60
    arm, half = width * 0.19, width * 0.39
    v = [(cx - half, vt), (cx - half + arm, vt), (cx, vb - (vb - vt) * 0.30),
         (cx + half - arm, vt), (cx + half, vt), (cx + arm * 0.45, vb), (cx - arm * 0.45, vb)]
    c.polygon([(x + 2, y + 2) for x, y in v], NAVY)
    c.polygon(v, BLUE)
    # A highlight along the left arm.
    c.polygon([(cx - half + 1, vt + 1), (cx - half + 4, vt + 1),
               (cx - arm * 0.45 + 3, vb - 3), (cx - arm * 0.45 + 1, vb - 3)], AQUA)

    for poly in (front, lid, side):
        c.outline(poly, BLACK)
    c.line(int(left), int(band_top), int(right), int(band_top), BLACK)


def draw_cd(c, cx, cy, r):
    c.ellipse(cx, cy, r, r, GREY)
    c.ellipse(cx, cy, r - 1, r - 1, SILVER)
    # The rainbow sheen of the data side, as two opposite wedges.
    c.ring(cx, cy, r * 0.42, r - 2, WHITE, 30, 70)
    c.ring(cx, cy, r * 0.42, r - 2, AQUA, 70, 85)
    c.ring(cx, cy, r * 0.42, r - 2, WHITE, 210, 250)
    c.ring(cx, cy, r * 0.42, r - 2, FUCHSIA, 250, 262)
    c.ellipse(cx, cy, r * 0.36, r * 0.36, GREY)
    c.ellipse(cx, cy, r * 0.30, r * 0.30, WHITE)
    # The hole is grey, never teal: the backdrop's flood fill must not reach into it.
    c.ellipse(cx, cy, r * 0.13, r * 0.13, GREY)


def draw_disk(c, x, y, size, colour):
    """A 3.5-inch disk seen from the front."""
    s = size
    body = [(x, y), (x + s - 3, y), (x + s, y + 3), (x + s, y + s), (x, y + s)]
    c.polygon(body, colour)
    c.outline(body, BLACK)
    # Metal shutter at the top, label at the bottom.
    c.polygon([(x + s * 0.25, y + 1), (x + s * 0.75, y + 1), (x + s * 0.75, y + s * 0.36), (x + s * 0.25, y + s * 0.36)], SILVER)
    c.polygon([(x + s * 0.55, y + s * 0.07), (x + s * 0.66, y + s * 0.07), (x + s * 0.66, y + s * 0.30), (x + s * 0.55, y + s * 0.30)], GREY)
    c.polygon([(x + s * 0.15, y + s * 0.50), (x + s * 0.85, y + s * 0.50), (x + s * 0.85, y + s - 1), (x + s * 0.15, y + s - 1)], WHITE)
    for k in range(3):
        ly = int(y + s * 0.62 + k * s * 0.11)
        c.line(int(x + s * 0.22), ly, int(x + s * 0.78), ly, SILVER if k else BLUE)


def seal_background(c):
    """Blackens teal pixels that the background does not reach side by side (4-connected): the
    backdrop flood-fills the background from the top-left pixel, and teal left over would show
    as specks on its side bar. Such pixels sit where an outline steps diagonally."""
    reached = set()
    stack = [(0, 0)]
    while stack:
        x, y = stack.pop()
        if (x, y) in reached or not (0 <= x < c.width and 0 <= y < c.height) or c.px[y][x] != TEAL:
            continue
        reached.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    for y in range(c.height):
        for x in range(c.width):
            if c.px[y][x] == TEAL and (x, y) not in reached:
                c.px[y][x] = BLACK
    return c


def side_picture():
    c = Canvas(120, 168, TEAL)
    draw_box(c, 30, 34, 62, 100, 20, 13)
    draw_cd(c, 34, 128, 25)
    return seal_background(c)


def page_picture():
    c = Canvas(120, 168, TEAL)
    draw_box(c, 30, 30, 62, 100, 20, 13)
    draw_disk(c, 8, 112, 34, BLACK)
    draw_disk(c, 22, 122, 34, NAVY)
    return seal_background(c)


# ---------------------------------------------------------------------------------------------
# The banner: one tone ramp of deep blues, 256 entries, shared by 202 and 203.

RAMP_STOPS = [
    (0.00, (3, 6, 24)),
    (0.30, (10, 30, 92)),
    (0.55, (28, 70, 170)),
    (0.80, (110, 150, 238)),
    (1.00, (236, 242, 255)),
]


def ramp(t):
    t = min(1.0, max(0.0, t))
    for (t0, c0), (t1, c1) in zip(RAMP_STOPS, RAMP_STOPS[1:]):
        if t <= t1:
            f = (t - t0) / (t1 - t0)
            return tuple(int(round(a + (b - a) * f)) for a, b in zip(c0, c1))
    return RAMP_STOPS[-1][1]


BANNER_PALETTE = [ramp(i / 255.0) for i in range(256)]
BANNER_HEIGHT = 58


def banner_base(y):
    """Tone of the plain banner at row y (0 = top): darker at the top, a lit lower edge."""
    f = y / (BANNER_HEIGHT - 1.0)
    tone = 0.10 + 0.16 * f * f
    if y >= BANNER_HEIGHT - 2:
        tone += 0.10  # a soft edge above the rule
    return tone


def banner_right_tone(x, y, width):
    """Tone at a point (x, y in pixels, floats) of the banner's right end."""
    tone = banner_base(min(BANNER_HEIGHT - 1, int(y)))
    # The motif fades in from the left edge, so the fill bitmap joins without a seam.
    fade = min(1.0, max(0.0, (x - 12.0) / (width * 0.55)))
    fade = fade * fade * (3 - 2 * fade)
    # Concentric arcs round a point below the right end.
    cx, cy = width + 30.0, 150.0
    d = math.hypot(x - cx, y - cy)
    for r in range(110, 300, 17):
        w = 1.1 if r % 2 else 0.7
        if abs(d - r) < w:
            tone += 0.09 * fade * (1.0 - abs(d - r) / w)
    # The V mark, faint and large, as two slanted strokes.
    vx, vy, vh = width - 70.0, 8.0, 42.0
    for sign in (-1, 1):
        # Distance to a stroke from the top corner down to the point of the V.
        ax, ay = vx + sign * 24.0, vy
        bx, by = vx, vy + vh
        t = max(0.0, min(1.0, ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)))
        dist = math.hypot(x - (ax + t * (bx - ax)), y - (ay + t * (by - ay)))
        if dist < 5.0:
            tone += 0.20 * min(1.0, (5.0 - dist) / 1.2) * fade
    # A few stars.
    for sx, sy, bright in ((width - 150, 12, 0.5), (width - 118, 40, 0.35), (width - 22, 16, 0.45),
                           (width - 205, 24, 0.3), (width - 250, 9, 0.25)):
        dd = math.hypot(x - sx, y - sy)
        if dd < 1.6:
            tone += bright * fade * (1.6 - dd) / 1.6
    return tone


def render_indexed_ramp(width, height, tone, samples=4):
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    acc += tone(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples)
            row.append(max(0, min(255, int(round(acc / (samples * samples) * 255)))))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------------
# Icons.

def icon_tile(size):
    """The installer's mark: a blue tile with a white V. Returns (canvas, mask of transparent pixels)."""
    c = Canvas(size, size, BLACK)
    opaque = [[False] * size for _ in range(size)]
    s = size / 32.0
    r = 6 * s
    lo, hi = 1 * s, 31 * s
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            # Rounded square from lo to hi.
            qx = max(lo + r - px, 0, px - (hi - r))
            qy = max(lo + r - py, 0, py - (hi - r))
            if size < 32:
                # At 16 pixels a rounded corner is two steps: inset 2, then 1.
                inset = {0: 2, 1: 1, size - 2: 1, size - 1: 2}.get(y, 0)
                inside = inset <= x < size - inset
            else:
                inside = qx * qx + qy * qy <= r * r
            if inside:
                opaque[y][x] = True
                c.px[y][x] = BLUE if (px + py) < size * 1.05 else NAVY
    # Outline of the tile.
    for y in range(size):
        for x in range(size):
            if opaque[y][x]:
                edge = any(not (0 <= x + dx < size and 0 <= y + dy < size and opaque[y + dy][x + dx])
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                if edge:
                    c.px[y][x] = NAVY
    if size >= 32:
        # Left arm white, right arm silver: the V reads as folded, lit from the upper left.
        left = [(7.5, 6.5), (13, 6.5), (17.4, 20.5), (16, 25.5)]
        right = [(19, 6.5), (24.5, 6.5), (16, 25.5), (14.6, 20.5)]
        whole = [(7.5, 6.5), (13, 6.5), (16, 16.5), (19, 6.5), (24.5, 6.5), (17.6, 25.5), (14.4, 25.5)]
        c.polygon([(x + 1.2, y + 1.2) for x, y in whole], BLACK)
        c.polygon(whole, WHITE)
        c.polygon([(16, 16.5), (19, 6.5), (24.5, 6.5), (17.6, 25.5), (16, 25.5)], SILVER)
        c.line(11, 28, 21, 28, YELLOW)
    else:
        # At 16 pixels the arms are placed row by row: (first x of the white arm, its width).
        arms = {2: (2, 3), 3: (2, 3), 4: (3, 3), 5: (3, 3), 6: (4, 3), 7: (4, 3),
                8: (5, 3), 9: (5, 3), 10: (6, 2), 11: (6, 2), 12: (7, 1)}
        for y, (x0, w) in arms.items():
            for dx in range(w):
                c.set(x0 + dx + 1, y + 1, BLACK)
                c.set(15 - x0 - dx + 1, y + 1, BLACK)
        for y, (x0, w) in arms.items():
            for dx in range(w):
                c.set(x0 + dx, y, WHITE)
                c.set(15 - x0 - dx, y, SILVER)
        for x in range(6, 10):
            c.set(x, 14, YELLOW)
    return c, opaque


GROUP_16 = [
    "................",
    "................",
    ".KKKKK..........",
    "KOOOOOKKKKKKKK..",
    "KOOOOOOOOOOOOOK.",
    "KOOKKKKKKKKKKKKK",
    "KOKYYYYYYYYYYYYK",
    "KOKYYYYYYYYYYYK.",
    "KKYYYYYYYYYYYYK.",
    "KKKKKKKYYYYYYYK.",
    "KWWKKKKYYYYYYK..",
    "KWWWKKKYYYYYYK..",
    "KWWKWKKYYYYYYK..",
    "KWKWWWKKKKKKKK..",
    "KKWWWWK.........",
    "KKKKKKK.........",
]
GRID_COLOURS = {'K': BLACK, 'O': OLIVE, 'Y': YELLOW, 'W': WHITE}


def icon_group(size):
    """A program-group folder with a shortcut arrow in its lower left corner."""
    c = Canvas(size, size, BLACK)
    opaque = [[False] * size for _ in range(size)]
    if size < 32:
        for y, row in enumerate(GROUP_16):
            for x, ch in enumerate(row):
                if ch != '.':
                    c.px[y][x] = GRID_COLOURS[ch]
                    opaque[y][x] = True
        return c, opaque
    tab = [(2, 6), (11, 6), (13, 8.5), (29, 8.5), (29, 12), (2, 12)]
    front = [(4.5, 12), (31, 12), (28.5, 27), (2, 27)]
    c.polygon(tab, OLIVE)
    c.polygon([(2, 8.5), (29, 8.5), (29, 27), (2, 27)], OLIVE)
    c.polygon(front, YELLOW)
    ref = Canvas(size, size, WHITE)
    for poly in (tab, [(2, 8.5), (29, 8.5), (29, 27), (2, 27)], front):
        ref.polygon(poly, BLACK)
    c.outline([(2, 6), (11, 6), (13, 8), (28, 8), (28, 11)], BLACK)
    c.line(2, 6, 2, 26, BLACK)
    c.outline([(4, 11), (30, 11), (28, 26), (2, 26)], BLACK)
    c.line(6, 13, 28, 13, WHITE)
    # The link badge: white square, black frame, black curved arrow.
    bx, by, b = 1, 19, 12
    badge = [(bx, by), (bx + b, by), (bx + b, by + b), (bx, by + b)]
    c.polygon(badge, WHITE)
    ref.polygon(badge, BLACK)
    c.outline([(bx, by), (bx + b - 1, by), (bx + b - 1, by + b - 1), (bx, by + b - 1)], BLACK)
    c.polygon([(bx + 3, by + 10), (bx + 3, by + 7), (bx + 5, by + 5), (bx + 7, by + 4.5),
               (bx + 7, by + 6.5), (bx + 5.5, by + 7), (bx + 5, by + 10)], BLACK)
    c.polygon([(bx + 6.5, by + 2), (bx + 10, by + 5.5), (bx + 6.5, by + 9)], BLACK)
    for y in range(size):
        for x in range(size):
            opaque[y][x] = ref.px[y][x] == BLACK or c.px[y][x] != BLACK
    return c, opaque


# ---------------------------------------------------------------------------------------------
# File writers.

def dib_header(width, height, bpp, colours_used, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0, image_size, 3780, 3780, colours_used, 0)


def pack_rows(rows, bpp):
    """Pixel rows (top first) -> DIB bytes (bottom first), each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        if bpp == 8:
            data = bytes(row)
        elif bpp == 4:
            padded = row + [0] * (len(row) % 2)
            data = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        elif bpp == 1:
            bits = row + [0] * (-len(row) % 8)
            data = bytes(sum(bits[i + k] << (7 - k) for k in range(8)) for i in range(0, len(bits), 8))
        else:
            raise ValueError(bpp)
        out += data + b'\0' * (-len(data) % 4)
    return bytes(out)


def colour_table(palette):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)


def write_bmp(name, rows, bpp, palette, colours_used):
    height, width = len(rows), len(rows[0])
    pixels = pack_rows(rows, bpp)
    info = dib_header(width, height, bpp, colours_used, len(pixels)) + colour_table(palette)
    offset = 14 + len(info)
    data = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info + pixels
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def icon_image(canvas, opaque):
    size = canvas.width
    rows = [[canvas.px[y][x] if opaque[y][x] else 0 for x in range(size)] for y in range(size)]
    mask = [[0 if opaque[y][x] else 1 for x in range(size)] for y in range(size)]
    xor = pack_rows(rows, 4)
    andmask = pack_rows(mask, 1)
    return dib_header(size, size * 2, 4, 0, len(xor) + len(andmask)) + colour_table(VGA) + xor + andmask


def write_ico(name, images):
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for canvas, opaque in images:
        blob = icon_image(canvas, opaque)
        entries += struct.pack('<BBBBHHII', canvas.width, canvas.height, 16, 0, 1, 4, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(header + entries + blobs)


def main():
    write_bmp('sidepicture.bmp', side_picture().px, 4, VGA, 0)
    write_bmp('pagepicture.bmp', page_picture().px, 4, VGA, 0)

    width = 334
    right = render_indexed_ramp(width, BANNER_HEIGHT, lambda x, y: banner_right_tone(x, y, width))
    write_bmp('bannerright.bmp', right, 8, BANNER_PALETTE, 0)
    fill = render_indexed_ramp(20, BANNER_HEIGHT, lambda x, y: banner_base(min(BANNER_HEIGHT - 1, int(y))), 1)
    write_bmp('bannerfill.bmp', fill, 8, BANNER_PALETTE, 0)

    # The rule: a lit upper row over a deep lower row, from a small ramp of its own.
    rule_palette = [(200, 218, 255), (120, 156, 236), (64, 100, 200), (18, 44, 128), (4, 10, 40)]
    write_bmp('bannerrule.bmp', [[1] * 10, [3] * 10], 8, rule_palette, len(rule_palette))

    write_ico('porvane.ico', [icon_tile(32), icon_tile(16)])
    write_ico('shortcuts.ico', [icon_group(32), icon_group(16)])


if __name__ == '__main__':
    main()
