"""Flower pictures F1..F22, the three rose-page picture boxes and the start
window icon. All are drawn on pure white, the colour that becomes
transparent when the rose page draws them, so nothing inside a flower may be
pure white."""
import math
import os
import struct
import subprocess

import numpy as np
from PIL import Image

import art
import jpeg_white
from art import rgb, grid, smoothstep, mix

RED_HEART = (rgb("#7a0010"), rgb("#ff3048"))
PINK_HEART = (rgb("#b0306a"), rgb("#ff9cc4"))
GOLD = rgb("#ffc840")
# Edge pixels at least this light in every channel become transparent white
# in the JPEG flowers (F6, F7); a margin below what reads as a white fringe.
LIGHT_EDGE = 180


class Canvas:
    """A premultiplied layer stack rendered at a supersampled size."""

    def __init__(self, w, h, ss=2):
        self.w, self.h, self.ss = w, h, ss
        self.img = np.zeros((h * ss, w * ss, 4), np.float32)

    def put(self, layer, cx, cy, shadow=0.0):
        """Place a layer (already at supersampled scale) centred on (cx, cy)
        given in output pixels."""
        x = int(round(cx * self.ss - layer.shape[1] / 2))
        y = int(round(cy * self.ss - layer.shape[0] / 2))
        if shadow:
            a = art.blur(layer[..., 3], 1.5 * self.ss)
            sh = np.zeros_like(layer)
            sh[..., 3] = a * shadow
            art.place(self.img, sh, x + self.ss, y + 2 * self.ss)
        art.place(self.img, layer, x, y)

    def rgb(self, light_fringe=True):
        lay = art.downsample(self.img, self.w, self.h)
        out = art.on_white(lay)
        # the faintest fringe becomes pure white so it turns transparent too
        clear = lay[..., 3] < 0.06
        if not light_fringe:
            # and so does every light pixel of the edge and the shadow: drawn
            # opaque over a dark desktop it would ring the flower in white
            clear |= (lay[..., 3] < 0.9) & (out.min(axis=-1) >= LIGHT_EDGE / 255.0)
        out[clear] = 1.0
        out = np.clip(out, 0, 1)
        img = art.to_uint8(out)
        # inside the flower nothing may be pure white
        inner = ~clear & np.all(img == 255, axis=-1)
        img[inner] = (254, 250, 250)
        return img


def sparkle(size, colour, ss=2):
    n = size * ss
    yy, xx = grid(n, n)
    x, y = (xx - n / 2) / (n / 2), (yy - n / 2) / (n / 2)
    star = np.exp(-np.abs(x) * 9) * np.exp(-np.abs(y) * 1.6) + np.exp(-np.abs(y) * 9) * np.exp(-np.abs(x) * 1.6)
    star = np.clip(star + np.exp(-(x * x + y * y) * 12), 0, 1)
    return art.layer_from(colour, star)


def rose(radius, palette, seed, ss=2, rotation=0.0):
    return art.rose_layer(radius * ss, palette, np.random.default_rng(seed), rotation=rotation,
                          petals=(5, 5, 4))


def leaf(length, width, angle, ss=2, seed=0):
    return art.leaf_layer(length * ss, width * ss, angle, seed=seed)


def heart(size, colours, ss=2, scale=1.0, gloss=True):
    return art.heart_layer(size * ss, colours[0], colours[1], scale=scale, gloss=gloss, ss=2)


def blossom(size, petals, palette, ss=2, **kw):
    return art.blossom_layer(size * ss, petals, palette, ss=2, **kw)


# --- the pictures ------------------------------------------------------------

def f1_frames():
    frames = []
    for i in range(6):
        c = Canvas(93, 93)
        s = 0.82 + 0.18 * (0.5 - 0.5 * math.cos(i / 6 * 2 * math.pi))
        c.put(heart(93, RED_HEART, scale=s), 46.5, 47, shadow=0.25)
        for k, (sx, sy) in enumerate([(18, 16), (78, 22), (76, 78)]):
            tw = 0.5 + 0.5 * math.sin((i + 2 * k) / 6 * 2 * math.pi)
            if tw > 0.2:
                c.put(sparkle(int(8 + 8 * tw), GOLD), sx, sy)
        frames.append(c.rgb())
    return frames


def f2_frames():
    frames = []
    for i in range(6):
        c = Canvas(93, 93)
        c.put(leaf(40, 18, -2.5, seed=3), 22, 70)
        c.put(leaf(40, 18, -0.6, seed=4), 72, 72)
        c.put(rose(34, art.ROSE_PINK, 21, rotation=i * math.pi / 15), 46.5, 44, shadow=0.3)
        tw = 0.5 + 0.5 * math.sin(i / 6 * 2 * math.pi)
        c.put(sparkle(int(6 + 10 * tw), rgb("#ff7ab0")), 80, 14)
        c.put(sparkle(int(6 + 10 * (1 - tw)), GOLD), 12, 20)
        frames.append(c.rgb())
    return frames


def f3_frames():
    # three small hearts light up one after another: a few flat colours only
    spots = [(26, 52, 30), (50, 36, 36), (70, 58, 28)]
    frames = []
    for i in range(6):
        c = Canvas(93, 93)
        for k, (x, y, s) in enumerate(spots):
            on = (i - 2 * k) % 6 < 3
            col = PINK_HEART if on else (rgb("#e890b8"), rgb("#ffc8dc"))
            c.put(heart(s, col, gloss=on), x, y)
        frames.append(c.rgb())
    return frames


def f4_frames():
    frames = []
    rng = np.random.default_rng(44)
    falling = [(rng.uniform(10, 83), rng.uniform(0, 93), rng.uniform(0, 6)) for _ in range(5)]
    for i in range(6):
        c = Canvas(93, 93)
        sway = 0.06 * math.sin(i / 6 * 2 * math.pi)
        c.put(art.stem_layer(93 * 2, 93 * 2, [(46 * 2, 50 * 2), (44 * 2, 75 * 2), (47 * 2, 93 * 2)], 5),
              46.5, 46.5)
        c.put(leaf(34, 15, -2.7 + sway, seed=5), 30, 74)
        c.put(leaf(34, 15, -0.4 + sway, seed=6), 64, 70)
        c.put(rose(30, art.ROSE_RED, 45, rotation=sway * 3), 46.5 + sway * 40, 40, shadow=0.35)
        for k, (px, py, pa) in enumerate(falling):
            y = (py + i * 15.5) % 93
            pet = _petal(7 + k % 3, pa + i * 0.5)
            c.put(pet, px + 4 * math.sin(i + k), y)
        frames.append(c.rgb())
    return frames


def _petal(size, angle, palette=art.ROSE_RED, ss=2):
    import photos
    return photos.petal_layer(size * ss, angle, palette, None)


def f5():
    c = Canvas(100, 77)
    c.put(heart(56, PINK_HEART), 62, 40, shadow=0.2)
    c.put(heart(60, RED_HEART), 38, 36, shadow=0.3)
    return c.rgb()


def f6():
    c = Canvas(106, 107)
    c.put(leaf(50, 24, 2.3, seed=7), 28, 82)
    c.put(leaf(50, 24, 0.6, seed=8), 80, 84)
    c.put(rose(40, art.ROSE_RED, 61), 53, 48, shadow=0.35)
    return c.rgb(light_fringe=False)


def f7():
    c = Canvas(135, 136)
    c.put(leaf(62, 28, 2.6, seed=9), 30, 100)
    c.put(leaf(62, 28, 0.4, seed=10), 104, 104)
    c.put(leaf(56, 26, -1.6, seed=11), 70, 24)
    c.put(rose(50, art.ROSE_PINK, 71), 67, 66, shadow=0.35)
    return c.rgb(light_fringe=False)


def f8():
    c = Canvas(115, 115)
    c.put(heart(108, (rgb("#c8102e"), rgb("#ff4a5e")), gloss=False), 57.5, 58)
    c.put(heart(60, (rgb("#ff9aae"), rgb("#ffd0da")), gloss=False), 57.5, 54)
    return c.rgb()


def f9():
    c = Canvas(125, 135, ss=1)
    c.put(art.tulip_layer(125, 135, (rgb("#8a0a1c"), rgb("#e8283c"), rgb("#ff9a88")), sway=0.2),
          62.5, 67.5)
    return c.rgb()


def f10():
    c = Canvas(130, 129)
    c.put(leaf(60, 22, 2.4, seed=12), 30, 104)
    c.put(leaf(60, 22, 0.7, seed=13), 100, 104)
    c.put(blossom(118, 16, (rgb("#c8306a"), rgb("#ff78a8"), rgb("#ffc4da")), layers=2,
                  centre=(rgb("#ffd84a"), rgb("#7a3a00"))), 65, 62, shadow=0.25)
    return c.rgb()


def bouquet(c, cx, base_y, seed):
    """Roses gathered in a paper cone."""
    ss = c.ss
    W, H = c.w * ss, c.h * ss
    yy, xx = grid(H, W)
    x = (xx - cx * ss) / ss
    y = (yy - base_y * ss) / ss
    # the cone: a triangle widening upwards from the base point
    t = -y / (c.h * 0.62)
    cone = smoothstep(0.0, 0.02, t) * smoothstep(1.02, 0.98, t) * smoothstep(1.5, -1.5, np.abs(x) - t * c.w * 0.32)
    fold = 0.5 + 0.5 * np.sin(x / np.maximum(t, 0.05) * 0.3)
    col = mix(rgb("#d9a3b8"), rgb("#f6d6e2"), fold[..., None] * 0.7 + 0.3 * (x < 0)[..., None])
    cone_layer = art.layer_from(col, cone)
    for i, (dx, dy, a) in enumerate([(-34, -70, 3.6), (34, -72, -0.5), (-20, -95, 4.2), (22, -98, -1.1)]):
        c.put(leaf(40, 17, a, seed=seed + i), cx + dx, base_y + dy)
    for i, (dx, dy, r, pal) in enumerate([(-26, -92, 22, art.ROSE_RED), (24, -94, 22, art.ROSE_PINK),
                                          (0, -112, 24, art.ROSE_RED), (-4, -80, 20, art.ROSE_CORAL)]):
        c.put(rose(r, pal, seed + 10 + i), cx + dx, base_y + dy, shadow=0.3)
    c.img = art.over(c.img, cone_layer)
    # a ribbon bow where the cone narrows
    bow = np.zeros_like(c.img)
    for side in (-1, 1):
        bx = (xx - (cx + side * 9) * ss) / (9 * ss)
        by = (yy - (base_y - 42) * ss) / (6 * ss)
        m = smoothstep(1.0, 0.85, bx * bx + by * by)
        bow = art.over(bow, art.layer_from(mix(rgb("#a0102a"), rgb("#ff4a60"), (0.5 - by * 0.4)[..., None]), m))
    c.img = art.over(c.img, bow)


def f11():
    c = Canvas(147, 163)
    bouquet(c, 73.5, 160, 110)
    return c.rgb()


def f12():
    c = Canvas(147, 110)
    c.put(leaf(56, 22, 2.8, seed=14), 24, 78)
    c.put(leaf(56, 22, 0.3, seed=15), 124, 80)
    c.put(leaf(50, 20, -1.4, seed=16), 74, 20)
    c.put(rose(34, art.ROSE_PINK, 121), 96, 58, shadow=0.3)
    c.put(rose(38, art.ROSE_RED, 122), 50, 54, shadow=0.35)
    return c.rgb()


def heart_points(n, w, h, cx, cy):
    pts = []
    for i in range(n):
        t = 2 * math.pi * i / n
        x = 16 * math.sin(t) ** 3
        y = 13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t)
        pts.append((cx + x / 17 * w / 2, cy - y / 17 * h / 2))
    return pts


def f13():
    c = Canvas(147, 125)
    for k, (x, y) in enumerate(heart_points(18, 128, 108, 73.5, 60)):
        pal = art.ROSE_RED if k % 2 else art.ROSE_PINK
        c.put(rose(9.5, pal, 130 + k), x, y, shadow=0.2)
    c.put(heart(40, RED_HEART), 73.5, 62, shadow=0.2)
    return c.rgb()


def f14():
    c = Canvas(147, 139)
    c.put(leaf(60, 26, 2.5, seed=17), 36, 110)
    c.put(leaf(60, 26, 0.6, seed=18), 112, 112)
    c.put(blossom(124, 22, (rgb("#c06a00"), rgb("#ffb820"), rgb("#ffe680")), layers=2,
                  pointed=True, centre=(rgb("#8a5a20"), rgb("#3a1a00")), centre_size=0.34),
          73.5, 64, shadow=0.25)
    return c.rgb()


def f15():
    c = Canvas(147, 102)
    c.put(art.stem_layer(204, 294, [(20, 180), (140, 120), (280, 60)], 6), 73.5, 51)
    c.put(leaf(40, 16, -2.0, seed=19), 58, 78)
    c.put(leaf(40, 16, 0.9, seed=20), 94, 74)
    c.put(rose(24, art.ROSE_CORAL, 151), 112, 34, shadow=0.3)
    c.put(rose(20, art.ROSE_PINK, 152), 36, 70, shadow=0.3)
    return c.rgb()


def f16():
    c = Canvas(150, 150)
    c.put(art.stem_layer(300, 300, [(0, 260), (120, 200), (300, 150)], 8, colour=rgb("#5a3220")), 75, 75)
    pal = (rgb("#d04a80"), rgb("#ffa6c8"), rgb("#ffe0ec"))
    c.put(blossom(86, 5, pal, petal_width=0.9, centre=(rgb("#ffd040"), rgb("#c02060")),
                  centre_size=0.16), 70, 70, shadow=0.25)
    c.put(blossom(52, 5, pal, petal_width=0.9, rotation=0.5, centre=(rgb("#ffd040"), rgb("#c02060")),
                  centre_size=0.16), 124, 80, shadow=0.2)
    c.put(blossom(40, 5, pal, petal_width=0.9, rotation=0.9, centre=(rgb("#ffd040"), rgb("#c02060")),
                  centre_size=0.16), 22, 118, shadow=0.2)
    return c.rgb()


def f17():
    c = Canvas(147, 98, ss=1)
    pals = [(rgb("#9a1a5a"), rgb("#f25a9a"), rgb("#ffc0da")),
            (rgb("#8a0a1c"), rgb("#e8283c"), rgb("#ff9a88")),
            (rgb("#a05a00"), rgb("#ffc020"), rgb("#fff0a0"))]
    for i, pal in enumerate(pals):
        c.put(art.tulip_layer(62, 98, pal, sway=(i - 1) * 0.6), 30 + i * 43.5, 49)
    return c.rgb()


def f18():
    c = Canvas(147, 142)
    c.put(leaf(60, 24, 2.4, seed=21), 36, 116)
    c.put(leaf(60, 24, 0.7, seed=22), 110, 116)
    c.put(blossom(128, 10, (rgb("#5a2a9a"), rgb("#a070e0"), rgb("#e0c8ff")), layers=3,
                  pointed=True, centre=(rgb("#ffe060"), rgb("#b06000")), centre_size=0.14),
          73.5, 66, shadow=0.25)
    return c.rgb()


def f19():
    c = Canvas(147, 134)
    c.put(heart(130, RED_HEART), 73.5, 67, shadow=0.3)
    c.put(leaf(30, 13, 2.6, seed=23), 34, 34)
    c.put(rose(20, art.ROSE_PINK, 191), 44, 30, shadow=0.35)
    c.put(sparkle(18, GOLD), 118, 24)
    return c.rgb()


def f20():
    c = Canvas(147, 124)
    c.put(leaf(62, 26, 2.7, seed=24), 32, 90)
    c.put(leaf(62, 26, 0.4, seed=25), 116, 92)
    c.put(rose(46, art.ROSE_CORAL, 201), 73.5, 58, shadow=0.35)
    return c.rgb()


def f21():
    c = Canvas(147, 90)
    c.put(art.stem_layer(180, 294, [(0, 140), (150, 100), (294, 80)], 6), 73.5, 45)
    for i, (x, y, a) in enumerate([(40, 62, 2.2), (86, 36, -1.2), (112, 60, 0.8)]):
        c.put(leaf(34, 14, a, seed=26 + i), x, y)
    c.put(rose(20, art.ROSE_RED, 211), 24, 52, shadow=0.3)
    c.put(rose(24, art.ROSE_RED, 212), 72, 48, shadow=0.3)
    c.put(rose(17, art.ROSE_PINK, 213), 124, 38, shadow=0.3)
    return c.rgb()


def f22():
    c = Canvas(147, 131)
    c.put(leaf(60, 26, 2.5, seed=27), 34, 100)
    c.put(leaf(60, 26, 0.6, seed=28), 112, 102)
    c.put(rose(48, art.ROSE_YELLOW, 221), 73.5, 60, shadow=0.35)
    return c.rgb()


def box4_frames():
    frames = []
    for i in range(6):
        c = Canvas(93, 93)
        s = 1.0 + 0.04 * math.sin(i / 6 * 2 * math.pi)
        c.put(leaf(38, 16, 2.5, seed=31), 24, 70)
        c.put(leaf(38, 16, 0.6, seed=32), 70, 70)
        c.put(rose(33 * s, art.ROSE_WINE, 401, rotation=-i * math.pi / 18), 46.5, 44, shadow=0.3)
        for k, (sx, sy) in enumerate([(14, 14), (80, 16), (84, 60), (10, 54)]):
            tw = 0.5 + 0.5 * math.sin((i * 2 + k * 3) / 6 * 2 * math.pi)
            if tw > 0.25:
                c.put(sparkle(int(6 + 10 * tw), GOLD if k % 2 else rgb("#ff8ab8")), sx, sy)
        frames.append(c.rgb())
    return frames


def box3_frames():
    frames = []
    for i in range(6):
        c = Canvas(93, 93)
        s = 0.85 + 0.15 * (0.5 - 0.5 * math.cos(i / 6 * 2 * math.pi))
        c.put(heart(93, PINK_HEART, scale=s), 46.5, 47, shadow=0.2)
        c.put(rose(12, art.ROSE_RED, 301), 46.5, 44 - 4 * s)
        frames.append(c.rgb())
    return frames


def box2_frames():
    frames = []
    pal = (rgb("#c02a6a"), rgb("#ff7aae"), rgb("#ffd0e2"))
    for i in range(2):
        c = Canvas(93, 94)
        c.put(art.stem_layer(188, 186, [(93, 110), (90, 150), (94, 188)], 6), 46.5, 47)
        c.put(leaf(30, 12, -2.6 + 0.2 * i, seed=33), 34, 76)
        c.put(blossom(70, 6, pal, petal_width=0.8, rotation=i * math.pi / 6,
                      centre=(rgb("#ffe060"), rgb("#c04000"))), 46.5, 38, shadow=0.25)
        frames.append(c.rgb())
    return frames


STATIC = [
    (5, "gif", f5), (6, "jpg", f6), (7, "jpg", f7), (8, "gif", f8), (9, "gif", f9),
    (10, "gif", f10), (11, "gif", f11), (12, "gif", f12), (13, "gif", f13), (14, "gif", f14),
    (15, "gif", f15), (16, "gif", f16), (17, "gif", f17), (18, "gif", f18), (19, "gif", f19),
    (20, "gif", f20), (21, "gif", f21), (22, "gif", f22),
]
ANIMATED = [(1, f1_frames, 12), (2, f2_frames, 15), (3, f3_frames, 20), (4, f4_frames, 12)]
BOXES = [("rose_box_4.gif", box4_frames, 15), ("rose_box_3.gif", box3_frames, 12),
         ("rose_box_2.gif", box2_frames, 50)]


# --- file writers ------------------------------------------------------------

def save_gif(frames, path, delay_cs=10, colours=255):
    """Frames share one palette built from all of them; pure white keeps an
    exact palette entry so it stays the transparent colour."""
    h, w = frames[0].shape[:2]
    montage = Image.fromarray(np.concatenate(frames, axis=0))
    pal_img = montage.quantize(colors=colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = pal_img.getpalette()[:colours * 3]
    palette += [255, 255, 255]                     # index `colours` is pure white
    palette += [0, 0, 0] * (256 - len(palette) // 3)
    ref = Image.new("P", (1, 1))
    ref.putpalette(palette)
    images = []
    for f in frames:
        q = Image.fromarray(f).quantize(palette=ref, dither=Image.Dither.FLOYDSTEINBERG)
        arr = np.array(q)
        arr[np.all(f == 255, axis=-1)] = colours
        # dithering may pick the white entry for near-white flower pixels
        stray = (arr == colours) & ~np.all(f == 255, axis=-1)
        if stray.any():
            arr[stray] = np.array(Image.fromarray(f).quantize(palette=ref, dither=Image.Dither.NONE))[stray]
            arr[(arr == colours) & ~np.all(f == 255, axis=-1)] = 0
        im = Image.fromarray(arr, "P")
        im.putpalette(palette)
        images.append(im)
    if len(images) == 1:
        images[0].save(path, optimize=False)
    else:
        images[0].save(path, save_all=True, append_images=images[1:], duration=delay_cs * 10,
                       loop=0, optimize=False, disposal=1)
    try:
        subprocess.run(["gifsicle", "-b", "-O3", "--no-comments", path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except (OSError, subprocess.CalledProcessError):
        pass


def save_icon(img_rgba, path):
    """One 32 x 32 image, 32 bits per pixel, with an all-clear AND mask."""
    h, w = img_rgba.shape[:2]
    bgra = img_rgba[::-1, :, [2, 1, 0, 3]].tobytes()
    mask_row = ((w + 31) // 32) * 4
    and_mask = bytes(mask_row * h)
    bih = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(bgra) + len(and_mask), 0, 0, 0, 0)
    body = bih + bgra + and_mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(body), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + body)


def icon_image():
    c = Canvas(32, 32, ss=4)
    c.img = np.zeros((128, 128, 4), np.float32)
    c.put(heart(32, RED_HEART, ss=4), 16, 17)
    c.put(art.rose_layer(7 * 4, art.ROSE_PINK, np.random.default_rng(5), petals=(5, 4, 4)), 12, 12)
    lay = art.downsample(c.img, 32, 32)
    a = np.clip(lay[..., 3], 0, 1)
    col = np.where(a[..., None] > 0, lay[..., :3] / np.maximum(a[..., None], 1e-6), 0)
    return np.concatenate([art.to_uint8(col), art.to_uint8(a)[..., None]], axis=-1)


def generate(out_dir):
    made = {}
    for n, fn, delay in ANIMATED:
        frames = fn()
        path = os.path.join(out_dir, "f%02d.gif" % n)
        save_gif(frames, path, delay)
        made[path] = frames
    for n, kind, fn in STATIC:
        img = fn()
        path = os.path.join(out_dir, "f%02d.%s" % (n, kind))
        if kind == "jpg":
            # exact white, so the rose page's white-transparent drawing
            # leaves no light specks around the flower
            with open(path, "wb") as f:
                f.write(jpeg_white.encode(img))
        else:
            save_gif([img], path)
        made[path] = [img]
    for name, fn, delay in BOXES:
        frames = fn()
        path = os.path.join(out_dir, name)
        save_gif(frames, path, delay)
        made[path] = frames
    icon = icon_image()
    save_icon(icon, os.path.join(out_dir, "start_icon.ico"))
    made[os.path.join(out_dir, "start_icon.ico")] = [icon]
    return made
