#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files to ../icons.

Standard library only, so the icons can be redrawn on any build machine.
Every icon is a single 8-bit (256-colour) image with a 1-bit AND mask;
that format loads everywhere, including the old shell and Wine.
"""

import colorsys
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT_DIR = os.path.normpath(os.path.join(HERE, "..", "icons"))

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

# Pure colour sits in the middle of each LED; tests sample pixels (7..8, 7..8).
LED_COLOURS = {
    "blue": (0, 80, 255),
    "red": (230, 0, 0),
    "green": (0, 200, 0),
    "gray": (150, 150, 150),
    "yellow": (255, 220, 0),
}


def clamp(v):
    return max(0, min(255, int(round(v))))


def scale(rgb, f):
    return tuple(clamp(c * f) for c in rgb)


def mix(a, b, t):
    """Blend a towards b by t (0..1)."""
    t = max(0.0, min(1.0, t))
    return tuple(clamp(x + (y - x) * t) for x, y in zip(a, b))


class Canvas:
    """RGB image plus opacity; None marks a transparent pixel."""

    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def put(self, x, y, rgb):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = rgb


def draw_led(canvas, cx, cy, radius, colour, outline=True):
    """Shaded round LED: pure colour in the middle, darker towards the rim,
    a small white glint up and to the left of the centre."""
    rim_dark = scale(colour, 0.45)
    # Glint centre relative to the disc, kept well clear of the middle.
    gx = cx - radius * 0.42
    gy = cy - radius * 0.45
    gr = max(1.3, radius * 0.24)
    core = radius * 0.45
    x0, x1 = int(cx - radius - 1), int(cx + radius + 1)
    y0, y1 = int(cy - radius - 1), int(cy + radius + 1)
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            if d > radius:
                continue
            if d <= core:
                rgb = colour
            else:
                t = (d - core) / (radius - core)
                rgb = mix(colour, rim_dark, t * t * 0.9 + t * 0.1)
            if outline and d > radius - 1.0:
                rgb = scale(colour, 0.3)
            g = math.hypot(px - gx, py - gy)
            if g < gr * 1.6:
                rgb = mix(rgb, WHITE, 1.0 - (g / (gr * 1.6)) ** 2)
            canvas.put(x, y, rgb)


def make_led(colour):
    c = Canvas(16)
    draw_led(c, 8.0, 8.0, 7.2, colour)
    return c


def make_main_icon():
    """Stylised optical disc with a green status LED in the lower right."""
    n = 96
    c = Canvas(n)
    cx = cy = 44.0
    r_out, r_data, r_hub, r_hole = 42.0, 40.5, 14.0, 5.0
    for y in range(n):
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            if d > r_out or d < r_hole:
                continue
            ang = math.atan2(py - cy, px - cx)
            if d > r_data:
                rgb = (70, 76, 90)            # dark outer edge
            elif d > r_hub:
                # Silver surface with two bright sheen lobes and a faint
                # rainbow tint, the way a pressed disc catches light.
                sheen = 0.5 + 0.5 * math.cos(2.0 * (ang + math.pi / 4))
                base = 150 + 90 * sheen ** 3
                hue = (ang / (2 * math.pi) + d / 60.0) % 1.0
                tint = colorsys.hsv_to_rgb(hue, 0.35, 1.0)
                rgb = tuple(clamp(base * (0.82 + 0.18 * t)) for t in tint)
                if abs(d - r_data) < 1.0 or abs(d - (r_hub + 1)) < 1.0:
                    rgb = scale(rgb, 0.85)
            elif d > r_hub - 1.0:
                rgb = (110, 116, 128)         # ring between hub and data area
            elif d > r_hole + 1.0:
                rgb = (214, 222, 232)         # clear plastic hub
            else:
                rgb = (90, 96, 108)           # rim of the centre hole
            c.put(x, y, rgb)
    # Status LED overlapping the disc edge; a dark ring sets it apart.
    lx = ly = 77.0
    for y in range(n):
        for x in range(n):
            if math.hypot(x + 0.5 - lx, y + 0.5 - ly) <= 15.5:
                c.put(x, y, (40, 44, 52))
    draw_led(c, lx, ly, 13.5, LED_COLOURS["green"])
    return c


def build_palette(canvas):
    """Index 0 is black for the transparent pixels (AND=1, XOR=0).
    Coarsen the colours until the rest fit into the remaining 255 entries."""
    step = 1
    while True:
        def q(rgb):
            return tuple(min(255, (v + step // 2) // step * step) for v in rgb)
        colours = sorted({q(p) for row in canvas.px for p in row if p is not None})
        if len(colours) <= 255:
            break
        step *= 2
    palette = [BLACK] + colours
    index = {rgb: i + 1 for i, rgb in enumerate(colours)}
    palette += [BLACK] * (256 - len(palette))
    return palette, lambda rgb: index[q(rgb)]


def encode_ico(canvas):
    n = canvas.size
    palette, lookup = build_palette(canvas)

    xor_stride = (n + 3) & ~3                  # 8 bpp rows, DWORD aligned
    and_stride = ((n + 31) // 32) * 4          # 1 bpp rows, DWORD aligned
    xor_rows, and_rows = [], []
    for y in range(n - 1, -1, -1):             # DIBs are stored bottom-up
        row = canvas.px[y]
        xr = bytearray(xor_stride)
        ar = bytearray(and_stride)
        for x, p in enumerate(row):
            if p is None:
                ar[x >> 3] |= 0x80 >> (x & 7)
            else:
                xr[x] = lookup(p)
        xor_rows.append(bytes(xr))
        and_rows.append(bytes(ar))
    bits = b"".join(xor_rows) + b"".join(and_rows)

    # Height is doubled: the DIB holds the colour image and the mask.
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 8, 0,
                         len(bits), 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + pal + bits

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", n if n < 256 else 0, n if n < 256 else 0,
                        0, 0, 1, 8, len(image), 6 + 16)
    return icondir + entry + image


def write(name, canvas):
    path = os.path.join(OUT_DIR, name)
    with open(path, "wb") as f:
        f.write(encode_ico(canvas))
    print("wrote", os.path.relpath(path))


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, colour in LED_COLOURS.items():
        write("led_%s.ico" % name, make_led(colour))
    write("mainicon.ico", make_main_icon())


if __name__ == "__main__":
    main()
