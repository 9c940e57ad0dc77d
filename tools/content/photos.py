"""The six photographs: warm, softly lit scenes with shallow depth of field."""
import math

import numpy as np
from PIL import Image

import art
from art import rgb, grid, smoothstep, mix


def gradient(h, w, stops, axis=0):
    """Vertical (axis 0) or horizontal gradient through (position, colour) stops."""
    t = (np.arange(h if axis == 0 else w, dtype=np.float32) + 0.5) / (h if axis == 0 else w)
    cols = np.zeros((len(t), 3), np.float32)
    for c in range(3):
        cols[:, c] = np.interp(t, [p for p, _ in stops], [col[c] for _, col in stops])
    if axis == 0:
        return np.repeat(cols[:, None, :], w, axis=1)
    return np.repeat(cols[None, :, :], h, axis=0)


def petal_layer(size, angle, palette, rng, curl=0.3):
    """One loose rose petal lying on a surface."""
    dark, mid, light = palette
    n = int(size * 1.4) + 4
    yy, xx = grid(n, n)
    c = n / 2
    ca, sa = math.cos(angle), math.sin(angle)
    u = ((xx - c) * ca + (yy - c) * sa) / (size / 2)
    v = (-(xx - c) * sa + (yy - c) * ca) / (size / 2.4)
    # heart-topped petal: broad rounded end with a small notch, narrow base
    top = 1.0 - 0.18 * np.exp(-(v / 0.18) ** 2)
    half = np.sqrt(np.clip((u + 1) / 2, 0, 1)) * np.sqrt(np.clip(top - u, 0, 1)) * 1.25
    inside = smoothstep(0.04, -0.04, np.abs(v) - half) * (u > -1) * (u < top)
    t = np.clip((u + 1) / 2, 0, 1)
    col = mix(dark, mid, smoothstep(0.0, 0.5, t))
    col = mix(col, light, smoothstep(0.55, 1.0, t) * (0.5 + curl * 0.5)
              * np.clip(0.5 + v * 0.4, 0, 1))
    rim = np.exp(-((half - np.abs(v)) / 0.06) ** 2) * 0.35
    col = col + rim[..., None] * (light - col)
    lay = art.layer_from(np.clip(col, 0, 1), inside)
    return lay


def drop_shadow(img, layer, x, y, offset=(6, 8), sigma=6.0, strength=0.45):
    a = art.blur(layer[..., 3], sigma)
    h, w = a.shape
    H, W = img.shape[:2]
    x0, y0 = x + offset[0], y + offset[1]
    xs0, ys0 = max(0, x0), max(0, y0)
    xs1, ys1 = min(W, x0 + w), min(H, y0 + h)
    if xs1 > xs0 and ys1 > ys0:
        sub = a[ys0 - y0:ys1 - y0, xs0 - x0:xs1 - x0]
        img[ys0:ys1, xs0:xs1] *= (1.0 - strength * sub)[..., None]
    return img


def put_rose(img, rng, cx, cy, radius, palette, blur_sigma=0.0, shadow=0.5, leaves=0,
             leaf_angle=0.0, rotation=None, tilt=(1.0, 1.0)):
    rot = rng.uniform(0, 6.28) if rotation is None else rotation
    if leaves:
        for k in range(leaves):
            a = leaf_angle + (k - (leaves - 1) / 2) * 0.9
            lf = art.leaf_layer(radius * 1.3, radius * 0.6, a, seed=int(rng.integers(1 << 30)))
            lx = int(cx + math.cos(a) * radius * 1.05 - lf.shape[1] / 2)
            ly = int(cy + math.sin(a) * radius * 1.05 - lf.shape[0] / 2)
            if blur_sigma:
                lf = art.blur(lf, blur_sigma)
            drop_shadow(img, lf, lx, ly, (int(radius * .05), int(radius * .08)), radius * 0.06, 0.4)
            art.place(img, lf, lx, ly)
    lay = art.rose_layer(radius, palette, rng, rotation=rot, tilt=tilt)
    if blur_sigma:
        lay = art.blur(lay, blur_sigma)
    x, y = int(cx - lay.shape[1] / 2), int(cy - lay.shape[0] / 2)
    if shadow:
        drop_shadow(img, lay, x, y, (int(radius * .08), int(radius * .14)), radius * 0.12, shadow)
    art.place(img, lay, x, y)
    return img


def dew(img, rng, cx, cy, radius, count, spread):
    """Water drops on a petal: dark lower rim, bright highlight, lighter body."""
    h, w = img.shape[:2]
    for _ in range(count):
        r = rng.uniform(0.4, 1.0) * radius
        a = rng.uniform(0, 6.28)
        d = spread * math.sqrt(rng.uniform(0.05, 1))
        x, y = cx + math.cos(a) * d, cy + math.sin(a) * d
        x0, y0 = int(x - r - 2), int(y - r - 2)
        x1, y1 = int(x + r + 3), int(y + r + 3)
        if x0 < 0 or y0 < 0 or x1 > w or y1 > h:
            continue
        yy, xx = np.mgrid[y0:y1, x0:x1].astype(np.float32)
        dx, dy = (xx + 0.5 - x) / r, (yy + 0.5 - y) / r
        dd = np.hypot(dx, dy)
        inside = smoothstep(1.05, 0.9, dd)
        region = img[y0:y1, x0:x1]
        body = region * 1.25 + 0.05
        body = body * (1 - 0.45 * smoothstep(0.5, 1.0, dd) * np.clip(dy + 0.3, 0, 1))[..., None]
        hl = np.exp(-(((dx + 0.35) / 0.22) ** 2 + ((dy + 0.4) / 0.16) ** 2))
        body = body + hl[..., None] * 0.9
        caustic = np.exp(-(((dx - 0.2) / 0.35) ** 2 + ((dy - 0.55) / 0.15) ** 2)) * 0.25
        body = body + caustic[..., None]
        img[y0:y1, x0:x1] = region * (1 - inside[..., None]) + body * inside[..., None]
    return img


def finish(img, rng, vig=0.35, grain_amount=0.014, ceiling=1.0, scale=1.0):
    img = art.vignette(img, vig)
    img = art.grain(img, rng, grain_amount, scale)
    return np.clip(img, 0, ceiling)


def start_background(rng):
    h, w = 724, 1024
    img = gradient(h, w, [(0.0, rgb("#f9d9bd")), (0.35, rgb("#f0a9a0")),
                          (0.7, rgb("#b8485a")), (1.0, rgb("#5a1426"))])
    img = art.glow(img, rgb("#ffd9b0"), w * 0.18, h * 0.12, w * 0.35, 0.22)
    img = art.glow(img, rgb("#ffb48a"), w * 0.85, h * 0.3, w * 0.3, 0.25)
    warm = [rgb("#ffe2a8"), rgb("#ffc0c8"), rgb("#fff4e0"), rgb("#ff9a8a")]
    img = art.bokeh(img, rng, 70, 10, 46, warm, (0, 0, w, h * 0.65), 0.45, 2.0)
    img = art.bokeh(img, rng, 14, 18, 34, [rgb("#ffd0dc"), rgb("#ffe6c0")],
                    (0, 0, w, h * 0.55), 0.5, 1.5, shape="heart")
    # a silk surface towards the bottom, softly folded
    yy, xx = grid(h, w)
    silk = smoothstep(h * 0.62, h * 0.78, yy + 30 * np.sin(xx / 140.0))
    folds = 0.5 + 0.5 * np.sin(xx / 55.0 + 2.5 * art.fbm(rng, h, w, 120, 2))
    silk_col = mix(rgb("#7a1a2e"), rgb("#d86a78"), (folds * 0.6 + 0.2)[..., None])
    img = mix(img, silk_col, silk * 0.85)
    for _ in range(14):
        pal = art.ROSE_RED if rng.uniform() < 0.6 else art.ROSE_PINK
        p = petal_layer(rng.uniform(26, 44), rng.uniform(0, 6.28), pal, rng)
        x, y = int(rng.uniform(0, w)), int(rng.uniform(h * 0.76, h - 20))
        drop_shadow(img, p, x, y, (3, 5), 4, 0.35)
        art.place(img, p, x, y)
    # roses: out of focus at the left, sharp at the lower right
    put_rose(img, rng, w * 0.08, h * 0.86, 110, art.ROSE_PINK, blur_sigma=3.0, leaves=2,
             leaf_angle=-2.4)
    put_rose(img, rng, w * 0.9, h * 0.84, 150, art.ROSE_RED, leaves=2, leaf_angle=-2.2)
    put_rose(img, rng, w * 0.73, h * 0.95, 85, art.ROSE_CORAL, blur_sigma=1.0)
    dew(img, rng, w * 0.9, h * 0.84, 7, 9, 110)
    return finish(img, rng)


def fireworks_background(rng):
    h, w = 768, 1024
    img = gradient(h, w, [(0.0, rgb("#060616")), (0.45, rgb("#1c1240")),
                          (0.75, rgb("#4a1f4e")), (0.9, rgb("#a4485a")), (1.0, rgb("#f09a6a"))])
    yy, xx = grid(h, w)
    # stars
    stars = (rng.uniform(size=(h, w)) > 0.9985).astype(np.float32) * rng.uniform(0.4, 1, (h, w))
    stars *= (yy < h * 0.7)
    img = img + art.blur(stars, 0.7)[..., None] * 1.8 * rgb("#dde6ff")
    # distant bursts: soft radial streaks
    for cx, cy, rad, col in [(w * 0.25, h * 0.28, 150, rgb("#ff6aa0")),
                             (w * 0.68, h * 0.18, 190, rgb("#ffd27a")),
                             (w * 0.86, h * 0.42, 110, rgb("#8ad0ff"))]:
        d = np.hypot(xx - cx, yy - cy)
        a = np.arctan2(yy - cy, xx - cx)
        rays = np.clip(np.sin(a * 21 + rng.uniform(0, 6)), 0, 1) ** 6
        burst = rays * smoothstep(rad, rad * 0.3, d) * smoothstep(0, rad * 0.2, d)
        burst += 0.6 * np.exp(-(d / (rad * 0.55)) ** 2)
        img = img + art.blur(burst, 2.5)[..., None] * col * 0.55
        img = img + (0.08 * np.exp(-(d / (rad * 1.8)) ** 2))[..., None] * col
    # city lights along the bottom, out of focus
    city = [rgb("#ffc46a"), rgb("#ff8a50"), rgb("#ffe7b0"), rgb("#6ad8ff"), rgb("#ff7ab8")]
    img = art.bokeh(img, rng, 150, 6, 26, city, (0, h * 0.78, w, h), 0.55, 1.4)
    img = art.bokeh(img, rng, 40, 20, 48, city, (0, h * 0.7, w, h), 0.35, 2.5)
    # reflections on water at the very bottom
    water = smoothstep(h * 0.93, h * 0.96, yy)
    img = img * (1 - 0.35 * water[..., None])
    return finish(img, rng, vig=0.4)


def words_background(rng):
    # composed at 500 x 375 and made at twice that, so it stays sharp at 200 %
    h, w = 750, 1000
    s = w / 500.0
    img = gradient(h, w, [(0.0, rgb("#f4a9c4")), (0.5, rgb("#f2bcd6")), (1.0, rgb("#c49ae6"))])
    clouds = art.fbm(rng, h, w, 90 * s, 6)
    yy, xx = grid(h, w)
    cmask = smoothstep(0.0, 0.55, clouds + 0.25 - (yy / h) * 0.3)
    img = mix(img, rgb("#ffe4ee"), cmask * 0.55)
    img = art.glow(img, rgb("#ffe0b0"), w * 0.78, h * 0.18, w * 0.28, 0.25)
    img = art.bokeh(img, rng, 30, 6 * s, 22 * s, [rgb("#ffffff"), rgb("#ffd6ea"), rgb("#ffe8c8")],
                    strength=0.35, blur_sigma=1.0 * s)
    img = art.bokeh(img, rng, 16, 10 * s, 22 * s, [rgb("#ff8ab4"), rgb("#ffb3cf"), rgb("#e86aa0")],
                    strength=0.45, blur_sigma=0.9 * s, shape="heart")
    for _ in range(9):
        pal = art.ROSE_PINK
        p = art.blur(petal_layer(rng.uniform(14, 24) * s, rng.uniform(0, 6.28), pal, rng), 0.6 * s)
        art.place(img, p, int(rng.uniform(0, w)), int(rng.uniform(0, h)))
    return finish(img, rng, vig=0.25, scale=s)


def letter_background(rng):
    # composed at 440 x 293 and made at 2.33 times that, so it stays sharp at 200 %
    h, w = 684, 1026
    s = w / 440.0
    yy, xx = grid(h, w)
    paper = gradient(h, w, [(0.0, rgb("#f8ecd6")), (1.0, rgb("#ecd6b4"))], axis=1)
    fibres = art.fbm(rng, h, w, 3 * s, 4) * 0.5 + art.fbm(rng, h, w, 40 * s, 4)
    img = paper * (1 + 0.035 * fibres[..., None])
    img = art.glow(img, rgb("#fff6e6"), w * 0.3, h * 0.25, w * 0.5, 0.25)
    # handwriting-like faint ruled lines
    lines = (np.exp(-((np.mod(yy, 24 * s) - 12 * s) / (0.6 * s)) ** 2)
             * (xx > 30 * s) * (xx < w - 30 * s))
    img = img * (1 - 0.06 * lines[..., None])
    # a ribbon across the lower left corner
    d = (xx * 0.55 - yy + h * 0.86)
    ribbon = smoothstep(16 * s, 12 * s, np.abs(d))
    rib_col = mix(rgb("#8a0f24"), rgb("#e0485c"),
                  (0.5 + 0.5 * np.sin(xx / (9.0 * s)))[..., None] * 0.5
                  + 0.3 * smoothstep(12 * s, 0, np.abs(d))[..., None])
    lay = art.layer_from(rib_col, ribbon)
    drop_shadow(img, lay, 0, 0, (round(3 * s), round(4 * s)), 3 * s, 0.35)
    img = art.over(img, lay)
    for _ in range(6):
        p = petal_layer(rng.uniform(18, 30) * s, rng.uniform(0, 6.28), art.ROSE_RED, rng)
        x, y = int(rng.uniform(w * 0.55, w - 20 * s)), int(rng.uniform(h * 0.55, h - 10 * s))
        drop_shadow(img, p, x, y, (round(2 * s), round(4 * s)), 3 * s, 0.3)
        art.place(img, p, x, y)
    put_rose(img, rng, w * 0.92, h * 0.12, 62 * s, art.ROSE_RED, leaves=2, leaf_angle=2.4)
    put_rose(img, rng, w * 0.06, h * 0.95, 40 * s, art.ROSE_PINK, leaves=1, leaf_angle=-0.7)
    return finish(img, rng, vig=0.3, grain_amount=0.01, scale=s)


def picture_strip(rng):
    h, w = 317, 1024
    img = gradient(h, w, [(0.0, rgb("#3a0e2a")), (0.3, rgb("#a03a5a")), (0.6, rgb("#f08a70")),
                          (0.8, rgb("#ffd39a")), (1.0, rgb("#ffe9c4"))], axis=1)
    yy, xx = grid(h, w)
    img = img * (0.75 + 0.35 * smoothstep(h, 0, yy))[..., None]
    warm = [rgb("#ffe0a0"), rgb("#ffb0c0"), rgb("#fff0d8")]
    img = art.bokeh(img, rng, 60, 8, 30, warm, strength=0.5, blur_sigma=1.5)
    img = art.bokeh(img, rng, 12, 14, 26, [rgb("#ff9ab8")], strength=0.5, shape="heart")
    pals = [art.ROSE_WINE, art.ROSE_RED, art.ROSE_PINK, art.ROSE_CORAL, art.ROSE_YELLOW,
            art.ROSE_WHITE]
    for i, pal in enumerate(pals):
        cx = 90 + i * 170 + rng.uniform(-15, 15)
        cy = h * 0.55 + rng.uniform(-20, 20)
        put_rose(img, rng, cx, cy, rng.uniform(70, 92), pal, leaves=1,
                 leaf_angle=rng.uniform(1.0, 2.2), blur_sigma=0.0 if i % 2 else 0.8)
    return finish(img, rng, vig=0.25)


def big_rose(rng):
    # composed at 829 x 647 and made at 3.09 times that: it covers a
    # 2560 x 1440 monitor without being enlarged
    h, w = 1998, 2560
    s = w / 829.0
    img = gradient(h, w, [(0.0, rgb("#2a0610")), (0.6, rgb("#4a0c1a")), (1.0, rgb("#1a0308"))])
    img = art.glow(img, rgb("#b0402a"), w * 0.8, h * 0.2, w * 0.4, 0.45)
    img = art.bokeh(img, rng, 55, 12 * s, 50 * s, [rgb("#ffb060"), rgb("#ff6a5a"), rgb("#ffd8a0")],
                    strength=0.4, blur_sigma=3.0 * s)
    # stem and leaves behind the bloom
    stem = art.stem_layer(h, w, [(w * 0.56, h * 0.6), (w * 0.6, h * 0.8), (w * 0.57, h)], 22 * s)
    img = art.over(img, stem)
    put_rose(img, rng, w * 0.2, h * 0.78, 120 * s, art.ROSE_WINE, blur_sigma=5.0 * s, shadow=0)
    put_rose(img, rng, w * 0.55, h * 0.47, 250 * s, art.ROSE_RED, leaves=3, leaf_angle=1.9,
             shadow=0.6, rotation=0.7)
    dew(img, rng, w * 0.55, h * 0.47, 9 * s, 16, 200 * s)
    img = art.glow(img, rgb("#ffd8c0"), w * 0.45, h * 0.3, w * 0.25, 0.08)
    # stays below pure white: white is the transparent colour where it is drawn
    return finish(img, rng, vig=0.4, ceiling=0.96, scale=s)


PHOTOS = [
    ("start_background.jpg", start_background, 90),
    ("fireworks_background.jpg", fireworks_background, 88),
    ("words_background.jpg", words_background, 90),
    ("letter_background.jpg", letter_background, 90),
    ("picture_strip.jpg", picture_strip, 92),
    ("big_rose.jpg", big_rose, 85),
]


def generate(out_dir, seed=7):
    import os
    results = {}
    for i, (name, fn, quality) in enumerate(PHOTOS):
        rng = np.random.default_rng(seed + i * 101)
        img = fn(rng)
        im = Image.fromarray(art.to_uint8(img))
        im.save(os.path.join(out_dir, name), quality=quality, optimize=True,
                progressive=False, subsampling=2)
        results[name] = im
    return results
