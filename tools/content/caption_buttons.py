"""The caption-button sprite strip: 729 x 20 RGBA, drawn with signed distance
fields so every glyph is anti-aliased without any imaging library.

Cells sit at y = 2 with height 19; the image ends at row 19, so everything is
kept inside rows 2..19 and the last source row simply reads as transparent.
"""
import math
import struct
import zlib

WIDTH, HEIGHT = 729, 20
CELL_TOP, CELL_BOTTOM = 2, 20  # exclusive bottom: the strip has 20 rows

# (normal, hover, pressed) left edges and cell width, by kind.
CELLS = {
    "close": ((0, 40, 80), 39),
    "maximise": ((120, 149, 178), 28),
    "restore": ((207, 236, 265), 28),
    "minimise": ((294, 323, 352), 28),
    "menu": ((381, 410, 439), 28),
    "pin": ((468, 497, 526), 28),
    "help": ((555, 584, 613), 28),
    "settings": ((642, 671, 700), 28),
}


# --- distance fields (negative inside) -----------------------------------

def sd_segment(px, py, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy or 1.0)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - ax - t * dx, py - ay - t * dy) - half_width


def sd_box(px, py, cx, cy, hw, hh, radius=0.0):
    qx = abs(px - cx) - hw + radius
    qy = abs(py - cy) - hh + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def sd_box_outline(px, py, cx, cy, hw, hh, stroke):
    return abs(sd_box(px, py, cx, cy, hw, hh)) - stroke / 2


def sd_circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def sd_arc(px, py, cx, cy, r, a0, a1, half_width):
    """Arc from angle a0 to a1 (radians, y down, counter-clockwise on screen
    means decreasing angle) - the stroke between them."""
    ang = math.atan2(py - cy, px - cx)
    lo, hi = min(a0, a1), max(a0, a1)
    # normalise the angle into [lo, lo + 2pi)
    while ang < lo:
        ang += 2 * math.pi
    while ang >= lo + 2 * math.pi:
        ang -= 2 * math.pi
    if ang <= hi:
        return abs(math.hypot(px - cx, py - cy) - r) - half_width
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (a0, a1)]
    return min(math.hypot(px - ex, py - ey) for ex, ey in ends) - half_width


# --- glyphs, in coordinates relative to the cell's glyph centre -----------

S = 0.62  # half stroke width


def glyph_close(x, y):
    return min(sd_segment(x, y, -4.0, -4.0, 4.0, 4.0, S),
               sd_segment(x, y, -4.0, 4.0, 4.0, -4.0, S))


def glyph_maximise(x, y):
    return sd_box_outline(x, y, 0.0, 0.0, 4.5, 4.0, 2 * S)


def glyph_restore(x, y):
    front = sd_box_outline(x, y, -1.2, 1.2, 3.6, 3.2, 2 * S)
    back = sd_box_outline(x, y, 1.4, -1.4, 3.6, 3.2, 2 * S)
    # hide the back square where the front one covers it
    inside_front = sd_box(x, y, -1.2, 1.2, 3.6 + S, 3.2 + S)
    back = max(back, -inside_front)
    return min(front, back)


def glyph_minimise(x, y):
    return sd_segment(x, y, -4.5, 3.5, 4.5, 3.5, S)


def glyph_menu(x, y):
    return min(sd_segment(x, y, -4.5, yy, 4.5, yy, S) for yy in (-3.5, 0.0, 3.5))


def glyph_pin(x, y):
    # a push-pin leaning to the right: head, collar and needle
    c, s = math.cos(math.radians(-35)), math.sin(math.radians(-35))
    rx, ry = c * x - s * y, s * x + c * y
    head = sd_box_outline(rx, ry, 0.0, -3.2, 1.9, 2.0, 2 * S)
    collar = sd_segment(rx, ry, -3.8, -1.0, 3.8, -1.0, S)
    needle = sd_segment(rx, ry, 0.0, -1.0, 0.0, 5.0, S * 0.9)
    return min(head, collar, needle)


def glyph_help(x, y):
    arc = sd_arc(x, y, 0.0, -2.0, 2.8, math.radians(-200), math.radians(60), S)
    stem = sd_segment(x, y, 1.4, 0.4, 0.0, 1.6, S)
    stem2 = sd_segment(x, y, 0.0, 1.6, 0.0, 2.2, S)
    dot = sd_circle(x, y, 0.0, 4.6, 0.95)
    return min(arc, stem, stem2, dot)


def glyph_settings(x, y):
    r = math.hypot(x, y)
    ring = abs(r - 2.9) - 1.15
    teeth = []
    for i in range(8):
        a = i * math.pi / 4
        c, s = math.cos(a), math.sin(a)
        rx, ry = c * x + s * y, -s * x + c * y
        teeth.append(sd_box(rx, ry, 4.3, 0.0, 1.1, 1.0, 0.3))
    gear = min(ring, min(teeth))
    hole = 1.15 - r
    return max(gear, hole)


GLYPHS = {
    "close": glyph_close, "maximise": glyph_maximise, "restore": glyph_restore,
    "minimise": glyph_minimise, "menu": glyph_menu, "pin": glyph_pin,
    "help": glyph_help, "settings": glyph_settings,
}


def coverage(d, soft=1.0):
    return max(0.0, min(1.0, 0.5 - d / soft))


def over(dst, rgb, a):
    """Composite a straight-alpha colour over a straight-alpha pixel."""
    if a <= 0.0:
        return dst
    r, g, b, da = dst
    out_a = a + da * (1.0 - a)
    if out_a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    k = da * (1.0 - a)
    return ((rgb[0] * a + r * k) / out_a, (rgb[1] * a + g * k) / out_a,
            (rgb[2] * a + b * k) / out_a, out_a)


def draw_cell(pixels, left, width, kind, state):
    glyph = GLYPHS[kind]
    cx = left + width / 2.0
    cy = CELL_TOP + 8.5
    if state == 0:
        back = None
        glyph_alpha = 0.86
    elif kind == "close":
        back = ((232, 40, 52), 0.92) if state == 1 else ((168, 22, 34), 0.96)
        glyph_alpha = 1.0
    else:
        back = ((255, 255, 255), 0.30) if state == 1 else ((20, 20, 28), 0.32)
        glyph_alpha = 1.0
    # a close button sits in the window's top-right corner: round only its
    # lower-left corner so it meets the window's edge cleanly
    for py in range(CELL_TOP, CELL_BOTTOM):
        for px in range(left, left + width):
            x, y = px + 0.5, py + 0.5
            p = (0.0, 0.0, 0.0, 0.0)
            if back:
                d = sd_box(x, y, cx, CELL_TOP + 9.0, width / 2.0 - 0.5, 8.5, 3.0)
                p = over(p, back[0], back[1] * coverage(d))
            gx, gy = x - cx, y - cy
            # soft drop shadow keeps the glyph readable over bright photographs
            shadow = coverage(glyph(gx - 0.0, gy - 0.9) - 0.5, 2.2)
            p = over(p, (0, 0, 0), 0.42 * shadow * (0.6 if back else 1.0))
            p = over(p, (255, 255, 255), glyph_alpha * coverage(glyph(gx, gy)))
            pixels[py][px] = p


def render():
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * WIDTH for _ in range(HEIGHT)]
    for kind, (lefts, width) in CELLS.items():
        for state, left in enumerate(lefts):
            draw_cell(pixels, left, width, kind, state)
    return pixels


def png_bytes(pixels, signature=True):
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    h, w = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            ia = int(round(a * 255))
            if ia == 0:
                raw += b"\0\0\0\0"
            else:
                raw += bytes((int(round(r)), int(round(g)), int(round(b)), ia))
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    body = (chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))
    return (b"\x89PNG\r\n\x1a\n" + body) if signature else body


def preview(pixels, scale=3):
    """The strip over a dark, a light and a warm background, enlarged."""
    grounds = [(30, 30, 36), (236, 232, 226), (190, 120, 110)]
    rows = []
    for ground in grounds:
        for row in pixels:
            line = []
            for r, g, b, a in row:
                c = tuple(ground[i] * (1 - a) + (r, g, b)[i] * a for i in range(3))
                line.extend([(c[0], c[1], c[2], 1.0)] * scale)
            rows.extend([line] * scale)
    return rows


def write(strip_path, preview_path=None):
    pixels = render()
    with open(strip_path, "wb") as f:
        f.write(png_bytes(pixels, signature=False))
    if preview_path:
        with open(preview_path, "wb") as f:
            f.write(png_bytes(preview(pixels)))


if __name__ == "__main__":
    import os
    import sys
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    write(os.path.join(root, "toolkit/core/res/caption_buttons.bin"),
          sys.argv[1] if len(sys.argv) > 1 else "/tmp/caption_buttons_preview.png")
