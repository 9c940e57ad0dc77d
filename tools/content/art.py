"""Drawing helpers shared by the pictures: float images in numpy, soft
shapes, blur, noise, and the flower and heart painters.

Images are float32 arrays in [0, 1]. Layers are premultiplied RGBA
(H, W, 4) so that they composite with a single expression.
"""
import math

import numpy as np
from PIL import Image


# --- basics ----------------------------------------------------------------

def grid(h, w):
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    return yy + 0.5, xx + 0.5


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    t = np.asarray(t, dtype=np.float32)
    if t.ndim and np.ndim(a) == 1 and t.ndim < 3:
        t = t[..., None]
    elif t.ndim == 2:
        t = t[..., None]
    return a + (np.asarray(b, dtype=np.float32) - a) * t


def rgb(hexstr):
    h = hexstr.lstrip("#")
    return np.array([int(h[i:i + 2], 16) / 255.0 for i in (0, 2, 4)], dtype=np.float32)


def _box_axis(a, r, axis):
    if r < 1:
        return a
    pad = [(0, 0)] * a.ndim
    pad[axis] = (r + 1, r)
    p = np.pad(a, pad, mode="edge")
    c = np.cumsum(p, axis=axis, dtype=np.float64)
    n = a.shape[axis]
    hi = np.take(c, np.arange(2 * r + 1, 2 * r + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return ((hi - lo) / (2 * r + 1)).astype(np.float32)


def blur(a, sigma):
    """Gaussian-like blur: three box passes per axis."""
    if sigma <= 0.3:
        return a
    r = max(1, int(round(math.sqrt(12.0 * sigma * sigma / 3.0 + 1.0) / 2.0 - 0.5)))
    out = a.astype(np.float32)
    for _ in range(3):
        out = _box_axis(out, r, 0)
        out = _box_axis(out, r, 1)
    return out


def resize(a, w, h, method=Image.LANCZOS):
    """Resample a float image (2D or with channels)."""
    if a.ndim == 2:
        return np.asarray(Image.fromarray(a.astype(np.float32), "F").resize((w, h), method))
    return np.stack([resize(a[..., c], w, h, method) for c in range(a.shape[2])], axis=-1)


def fbm(rng, h, w, scale, octaves=4, persistence=0.5):
    """Smooth fractal noise in roughly [-1, 1]."""
    out = np.zeros((h, w), np.float32)
    amp, total = 1.0, 0.0
    s = scale
    for _ in range(octaves):
        gh, gw = max(2, int(h / s) + 2), max(2, int(w / s) + 2)
        g = rng.standard_normal((gh, gw)).astype(np.float32)
        big = resize(g, int(gw * s), int(gh * s), Image.BICUBIC)[:h, :w]
        if big.shape != (h, w):
            big = np.pad(big, ((0, h - big.shape[0]), (0, w - big.shape[1])), mode="edge")
        out += amp * big
        total += amp
        amp *= persistence
        s /= 2.0
        if s < 1.5:
            break
    return out / total


def over(dst, layer):
    """Premultiplied RGBA layer over an RGB or premultiplied RGBA image."""
    a = layer[..., 3:4]
    if dst.shape[2] == 3:
        return dst * (1.0 - a) + layer[..., :3]
    return dst * (1.0 - a) + layer


def place(dst, layer, x, y, op="over"):
    """Composite a smaller premultiplied layer into dst at (x, y), clipped."""
    H, W = dst.shape[:2]
    h, w = layer.shape[:2]
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(W, x + w), min(H, y + h)
    if x1 <= x0 or y1 <= y0:
        return dst
    sub = layer[y0 - y:y1 - y, x0 - x:x1 - x]
    region = dst[y0:y1, x0:x1]
    if op == "over":
        dst[y0:y1, x0:x1] = over(region, sub)
    elif op == "add":
        dst[y0:y1, x0:x1, :3] = region[..., :3] + sub[..., :3]
        if dst.shape[2] == 4:
            dst[y0:y1, x0:x1, 3] = np.clip(region[..., 3] + sub[..., 3], 0, 1)
    return dst


def layer_from(colour, alpha):
    """Premultiplied layer from a colour image or constant and an alpha mask."""
    alpha = np.clip(alpha, 0.0, 1.0).astype(np.float32)
    colour = np.broadcast_to(np.asarray(colour, np.float32), alpha.shape + (3,))
    return np.concatenate([colour * alpha[..., None], alpha[..., None]], axis=-1)


def to_uint8(img):
    return (np.clip(img, 0.0, 1.0) * 255.0 + 0.5).astype(np.uint8)


def tone(img, gamma=1.0, contrast=1.0, lift=0.0):
    img = np.clip(img, 0.0, None)
    img = img ** (1.0 / gamma)
    img = (img - 0.5) * contrast + 0.5 + lift
    return img


def vignette(img, strength=0.45, softness=1.6):
    h, w = img.shape[:2]
    yy, xx = grid(h, w)
    d = np.hypot((xx / w - 0.5) * 1.25, (yy / h - 0.5) * 1.25)
    v = 1.0 - strength * np.clip(d * 2.0, 0, 1.6) ** softness
    # darken warmly, as a lens does on a warm scene, rather than towards grey
    return img * (v[..., None] ** np.array([0.8, 1.05, 1.25], np.float32))


def grain(img, rng, amount=0.018, scale=1.0):
    """Film grain. A picture made `scale` times its design size gets grains
    `scale` times larger, so it looks the same where it is shown and its JPEG
    does not pay for noise finer than any screen shows."""
    n = rng.standard_normal(img.shape[:2]).astype(np.float32)
    if scale > 1.0:
        n = blur(n, 0.5 * scale)
        n = n / max(float(n.std()), 1e-6)
    n = 0.7 * n + 0.3 * blur(n, 0.8 * scale)
    return img + n[..., None] * amount


def bokeh(img, rng, count, rmin, rmax, colours, region=None, strength=0.5,
          blur_sigma=1.2, shape="disc"):
    """Out-of-focus lights: soft discs (or hearts) with a brighter rim,
    added as light."""
    h, w = img.shape[:2]
    light = np.zeros((h, w, 3), np.float32)
    x0, y0, x1, y1 = region or (0, 0, w, h)
    for _ in range(count):
        r = rng.uniform(rmin, rmax)
        cx, cy = rng.uniform(x0, x1), rng.uniform(y0, y1)
        col = colours[rng.integers(len(colours))] * rng.uniform(0.5, 1.0)
        ix0, iy0 = int(max(0, cx - r - 3)), int(max(0, cy - r - 3))
        ix1, iy1 = int(min(w, cx + r + 4)), int(min(h, cy + r + 4))
        if ix1 <= ix0 or iy1 <= iy0:
            continue
        yy, xx = np.mgrid[iy0:iy1, ix0:ix1].astype(np.float32)
        dx, dy = (xx + 0.5 - cx) / r, (yy + 0.5 - cy) / r
        if shape == "heart":
            d = heart_distance(dx * 1.15, -dy * 1.15 + 0.1)
        else:
            d = np.hypot(dx, dy) - 1.0
        inside = smoothstep(0.06, -0.06, d)
        rim = np.exp(-((d + 0.06) / 0.08) ** 2) * 0.55
        body = inside * (0.55 + 0.45 * (0.5 + 0.5 * rng.uniform()) + rim)
        light[iy0:iy1, ix0:ix1] += body[..., None] * col * strength
    light = blur(light, blur_sigma)
    img = np.clip(img, 0.0, 1.0)
    return 1.0 - (1.0 - img) * (1.0 - np.clip(light, 0, 1))  # screen


def glow(img, colour, cx, cy, radius, strength):
    h, w = img.shape[:2]
    yy, xx = grid(h, w)
    d = np.hypot(xx - cx, yy - cy) / radius
    g = np.exp(-d * d) * strength
    return img + g[..., None] * np.asarray(colour, np.float32)


# --- hearts ------------------------------------------------------------------

def heart_distance(x, y):
    """Approximate signed distance to a heart of about unit size (y up),
    negative inside."""
    f = (x * x + y * y - 1.0) ** 3 - x * x * y ** 3
    # scale the implicit value into a distance-like quantity
    g = np.sqrt((6 * x * (x * x + y * y - 1) ** 2 - 2 * x * y ** 3) ** 2
                + (6 * y * (x * x + y * y - 1) ** 2 - 3 * x * x * y * y) ** 2) + 1e-4
    return f / g


def heart_layer(size, colour_dark, colour_light, scale=1.0, gloss=True, outline=None,
                ss=3):
    """A glossy heart filling a size x size square (premultiplied RGBA)."""
    n = size * ss
    yy, xx = grid(n, n)
    x = (xx / n - 0.5) * 2.6 / scale
    y = -(yy / n - 0.47) * 2.6 / scale
    d = heart_distance(x, y)
    aa = 1.5 * 2.6 / (n * scale)
    inside = smoothstep(aa, -aa, d)
    # shading: light from the upper left, darker towards the point
    shade = np.clip(0.55 + 0.35 * (-x * 0.5 + y * 0.6), 0, 1)
    depth = smoothstep(0.0, -0.35, d)
    col = mix(colour_dark, colour_light, shade * (0.55 + 0.45 * depth))
    if gloss:
        hl = np.exp(-(((x + 0.45) / 0.28) ** 2 + ((y - 0.55) / 0.17) ** 2))
        col = col + hl[..., None] * 0.75
        rim = np.exp(-((d + 0.05) / 0.05) ** 2) * np.clip(-x + y, 0, 1) * 0.25
        col = col + rim[..., None]
    lay = layer_from(np.clip(col, 0, 1), inside)
    if outline is not None:
        ring = smoothstep(aa, -aa, np.abs(d + 0.03) - 0.035)
        lay = over(lay, layer_from(outline, ring))
    return downsample(lay, size, size)


def downsample(layer, w, h):
    return resize(layer, w, h, Image.BOX)


# --- roses -------------------------------------------------------------------

ROSE_RED = (rgb("#3d0008"), rgb("#b0101e"), rgb("#ff5a64"))
ROSE_PINK = (rgb("#7a2043"), rgb("#ec7aa2"), rgb("#ffd6e4"))
ROSE_CORAL = (rgb("#6b1410"), rgb("#f0614a"), rgb("#ffc3a4"))
ROSE_WHITE = (rgb("#a89080"), rgb("#f2e2d6"), rgb("#fffaf4"))
ROSE_YELLOW = (rgb("#8a4a00"), rgb("#f5b92a"), rgb("#fff2b0"))
ROSE_WINE = (rgb("#22000a"), rgb("#7c0a28"), rgb("#d8405a"))


def rose_layer(radius, palette, rng, rotation=0.0, tilt=(1.0, 1.0), ss=1,
               shadow=True, petals=(6, 5, 5)):
    """A rose seen from above: rings of cupped outer petals with curled,
    lit edges, then a tight spiral of wrapped inner petals, each casting a
    soft shadow on the petals beneath. Returns a premultiplied RGBA patch of
    size about 2.3 * radius."""
    dark, mid, light = palette
    R = radius * ss
    n = int(math.ceil(R * 2.3))
    c = n / 2.0
    yy, xx = grid(n, n)
    x = (xx - c) / R / tilt[0]
    y = (yy - c) / R / tilt[1]
    r = np.hypot(x, y)
    th = np.arctan2(y, x)
    img = np.zeros((n, n, 4), np.float32)
    aa = 1.2 / R
    lightdir = np.array([-0.55, -0.7])
    tex = fbm(rng, n, n, max(4.0, R / 6), 3)

    def put(mask, colour, cast):
        nonlocal img
        if shadow and cast > 0:
            sh = blur(mask, max(1.0, R * 0.045))
            shift = max(1, int(R * 0.03))
            sh = np.roll(np.roll(sh, shift, 0), shift, 1)
            img[..., :3] *= (1.0 - cast * sh)[..., None]
        img = over(img, layer_from(colour, mask))

    # outer rings: broad cupped petals
    ring_spec = [(1.00, petals[0], 0.0), (0.80, petals[1], 0.5), (0.63, petals[2], 0.25)]
    for k, (scale, count, offs) in enumerate(ring_spec):
        for i in range(count):
            phi = rotation + 2 * math.pi * (i + offs + rng.uniform(-0.12, 0.12)) / count
            L = scale * rng.uniform(0.92, 1.05)
            half = math.pi / count * rng.uniform(1.15, 1.35)
            dth = np.angle(np.exp(1j * (th - phi)))
            u = dth / half                       # -1..1 across the petal
            # rounded outer edge with a gentle notch in the middle
            edge = L * (1.0 - 0.22 * u ** 2 + 0.035 * np.exp(-(u / 0.12) ** 2) * -1.0)
            edge = edge * (1.0 + 0.02 * tex)
            inside = smoothstep(aa, -aa, r - edge) * smoothstep(1.0, 0.9, np.abs(u))
            t = np.clip(r / L, 0, 1)
            # cupped petal: the side facing the light is brighter
            nx = np.sin(dth) * 0.6
            lit = 0.5 + 0.5 * (np.cos(th) * lightdir[0] + np.sin(th) * lightdir[1]) * 0.6 \
                + (nx * 0.3)
            base = mix(dark, mid, smoothstep(0.0, 0.75, t))
            colour = mix(base, light, np.clip((t - 0.55) * 1.4, 0, 1) * 0.55 * lit)
            # curled rim: bright band with a dark fold just inside
            rim_d = edge - r
            band = np.exp(-(rim_d / (0.035 * L)) ** 2)
            fold = np.exp(-((rim_d - 0.09 * L) / (0.03 * L)) ** 2)
            colour = mix(colour, light, band * (0.55 + 0.35 * lit))
            colour = colour * (1.0 - 0.25 * fold * (1.0 - lit))[..., None]
            veins = 0.025 * np.sin(u * 11.0 + tex * 2.0) * t
            colour = colour * (1.0 + veins + 0.06 * tex)[..., None]
            colour = colour * (0.72 + 0.42 * lit)[..., None]
            put(inside, np.clip(colour, 0, 1), 0.35 + 0.1 * k)

    # inner spiral of wrapped petals
    ang = rotation + 0.4
    rho = 0.52
    while rho > 0.05:
        span = rng.uniform(3.4, 4.3)
        a0 = ang
        dth = np.mod(th - a0, 2 * math.pi)
        s = dth / span                          # 0..1 along the petal
        on = s < 1.0
        taper = np.clip(np.sin(np.clip(s, 0, 1) * math.pi), 0, 1) ** 0.55
        outer = rho * (1.0 + 0.05 * np.sin(s * 7.0 + rho * 9.0) + 0.02 * tex)
        width = rho * 0.42 * taper
        inner = outer - width
        inside = (smoothstep(aa, -aa, r - outer) * smoothstep(-aa, aa, r - inner)
                  * on * smoothstep(0.0, 0.04, s) * smoothstep(1.0, 0.96, s))
        across = np.clip((outer - r) / np.maximum(width, 1e-3), 0, 1)  # 0 at the lip
        lit = 0.5 + 0.5 * (np.cos(th) * lightdir[0] + np.sin(th) * lightdir[1])
        colour = mix(light, mid, smoothstep(0.0, 0.25, across))
        colour = mix(colour, dark, smoothstep(0.35, 1.0, across) * 0.85)
        colour = colour * (0.62 + 0.5 * lit)[..., None] * (1.0 + 0.05 * tex)[..., None]
        put(inside, np.clip(colour, 0, 1), 0.55)
        ang += rng.uniform(2.0, 2.6)
        rho *= rng.uniform(0.74, 0.8)
    # deep centre
    core = smoothstep(0.07, 0.02, r)
    img = over(img, layer_from(dark * 0.6, core * 0.9))
    if ss > 1:
        img = downsample(img, n // ss, n // ss)
    return img


def leaf_layer(length, width, angle, colour_dark=rgb("#0a2a0e"),
               colour_light=rgb("#4a8a30"), ss=1, serrate=True, seed=0):
    """A pointed leaf with a midrib and side veins, pointing along angle."""
    L = length * ss
    n = int(L * 1.1) + 4
    c = n / 2.0
    yy, xx = grid(n, n)
    ca, sa = math.cos(angle), math.sin(angle)
    u = ((xx - c) * ca + (yy - c) * sa) / (L / 2)       # along the leaf, -1..1
    v = (-(xx - c) * sa + (yy - c) * ca) / (width * ss / 2)
    half = np.sqrt(np.clip(1 - u ** 2, 0, 1)) * (1 - 0.25 * u)
    if serrate:
        half = half * (1 + 0.04 * np.abs(np.sin(u * 22)))
    aa = 1.5 / (width * ss / 2)
    inside = smoothstep(aa, -aa, np.abs(v) - half)
    tex = fbm(np.random.default_rng(seed), n, n, max(3.0, L / 12), 3)
    # the two halves fold along the midrib: one catches the light
    shade = np.where(v < 0, 0.75 - 0.35 * np.abs(v), 0.45 + 0.25 * np.abs(v))
    shade = shade * (0.8 + 0.2 * (1 - np.abs(u))) + 0.06 * tex
    colour = mix(colour_dark, colour_light, np.clip(shade, 0, 1))
    rib = np.exp(-(v / 0.045) ** 2) * (np.abs(u) < 0.95)
    veins = np.exp(-((np.mod(u * 5 - np.abs(v) * 1.6, 1.0) - 0.5) / 0.05) ** 2)
    veins = veins * (np.abs(v) < half * 0.9) * (np.abs(v) > 0.06)
    colour = colour * (1 + 0.18 * veins)[..., None]
    colour = colour + (rib * 0.16)[..., None] * colour_light
    edge = np.exp(-((half - np.abs(v)) / 0.05) ** 2) * 0.25
    colour = colour * (1 - edge)[..., None]
    lay = layer_from(np.clip(colour, 0, 1), inside)
    if ss > 1:
        lay = downsample(lay, n // ss, n // ss)
    return lay


def stem_layer(h, w, points, thickness, colour=rgb("#2f6b22"), ss=1):
    """A curved stem through the given points (in output pixels)."""
    H, W = h * ss, w * ss
    yy, xx = grid(H, W)
    d = np.full((H, W), 1e9, np.float32)
    pts = [(px * ss, py * ss) for px, py in points]
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        dx, dy = bx - ax, by - ay
        t = np.clip(((xx - ax) * dx + (yy - ay) * dy) / (dx * dx + dy * dy), 0, 1)
        d = np.minimum(d, np.hypot(xx - ax - t * dx, yy - ay - t * dy))
    half = thickness * ss / 2
    inside = smoothstep(half + 1, half - 1, d)
    shade = np.clip(1.0 - d / half, 0, 1)
    col = colour[None, None, :] * (0.6 + 0.6 * shade[..., None])
    lay = layer_from(np.clip(col, 0, 1), inside)
    if ss > 1:
        lay = downsample(lay, w, h)
    return lay


def blossom_layer(size, petals, palette, centre=(rgb("#f5c518"), rgb("#8a4a00")),
                  petal_len=0.9, petal_width=0.45, rotation=0.0, ss=3, rng=None,
                  pointed=False, layers=1, centre_size=0.22):
    """A radial flower (daisy, blossom, sunflower) seen from the front."""
    dark, mid, light = palette
    n = size * ss
    yy, xx = grid(n, n)
    x = (xx - n / 2) / (n / 2)
    y = (yy - n / 2) / (n / 2)
    r = np.hypot(x, y)
    th = np.arctan2(y, x)
    img = np.zeros((n, n, 4), np.float32)
    aa = 2.0 / n
    for layer in range(layers):
        lr = rotation + layer * math.pi / petals
        scale = 1.0 - 0.22 * layer
        for i in range(petals):
            phi = lr + 2 * math.pi * i / petals
            dth = np.angle(np.exp(1j * (th - phi)))
            px = r * np.cos(dth)           # along the petal
            py = r * np.sin(dth)           # across
            L = petal_len * scale
            t = px / L
            if pointed:
                half = petal_width * scale * np.clip(np.sin(np.clip(t, 0, 1) * math.pi), 0, 1) ** 0.8 * 0.5
            else:
                half = petal_width * scale * np.sqrt(np.clip(t * (1.15 - t), 0, 1)) * 0.95
                # a little notch at the tip
                half = half * (1 - 0.0 * t)
            inside = smoothstep(aa, -aa, np.abs(py) - half) * (t > 0) * smoothstep(1.0, 0.97, t)
            col = mix(dark, mid, smoothstep(0.0, 0.45, t))
            col = mix(col, light, smoothstep(0.4, 1.0, t) * 0.6
                      + 0.25 * np.clip(1 - np.abs(py) / np.maximum(half, 1e-3), 0, 1)[...])
            vein = np.exp(-(py / 0.01) ** 2) * 0.15
            col = col * (1 - vein)[..., None]
            shade = 0.85 + 0.15 * np.cos(phi + 2.2)
            sh = blur(inside, 2.0 * ss)
            img[..., :3] *= (1 - 0.25 * np.roll(sh, ss * 2, 0))[..., None]
            img = over(img, layer_from(np.clip(col * shade, 0, 1), inside))
    cmask = smoothstep(centre_size + aa, centre_size - aa, r)
    dots = 0.5 + 0.5 * np.sin(x * 60) * np.sin(y * 60)
    ccol = mix(centre[1], centre[0], np.clip(1 - r / centre_size * 0.8, 0, 1)[..., None] * 0.8
               + 0.2 * dots[..., None])
    hl = np.exp(-(((x + centre_size * 0.35) / (centre_size * 0.5)) ** 2
                  + ((y + centre_size * 0.35) / (centre_size * 0.5)) ** 2)) * 0.35
    img = over(img, layer_from(np.clip(ccol + hl[..., None], 0, 1), cmask))
    return downsample(img, size, size)


def tulip_layer(w, h, palette, ss=3, sway=0.0):
    """A tulip head on a stem with two leaves, side view."""
    dark, mid, light = palette
    W, H = w * ss, h * ss
    yy, xx = grid(H, W)
    img = np.zeros((H, W, 4), np.float32)
    cx = W / 2 + sway * W * 0.12
    # stem
    stem_x = cx + (yy / H - 0.35) * sway * -W * 0.12
    d = np.abs(xx - stem_x)
    stem = smoothstep(W * 0.035, W * 0.025, d) * (yy > H * 0.35)
    img = over(img, layer_from(rgb("#2f7a2a") * (0.7 + 0.5 * np.clip(1 - d / (W * 0.03), 0, 1))[..., None], stem))
    # leaves
    for side in (-1, 1):
        u = (xx - W / 2 - side * W * 0.1) / (W * 0.16)
        v = (yy - H * 0.8) / (H * 0.22)
        lean = v + side * u * 0.9
        leaf = smoothstep(1.0, 0.93, u * u * 1.0 + (lean) ** 2 * 1.0) * (side * (xx - W / 2) > 0)
        col = mix(rgb("#1c4f18"), rgb("#6cae45"), np.clip(0.5 - v * 0.5, 0, 1))
        img = over(img, layer_from(col, leaf))
    # head: three overlapping cupped petals
    hy = H * 0.28
    for k, (ox, sc, shade) in enumerate([(-0.13, 0.95, 0.8), (0.13, 0.95, 0.85), (0.0, 1.0, 1.0)]):
        px = (xx - cx - ox * W) / (W * 0.2 * sc)
        py = (yy - hy) / (H * 0.2 * sc)
        top = py + 0.25 * np.abs(np.sin(px * 3.3)) * (py < 0)
        m = (px ** 2 + (top * (1.0 + 0.35 * (top > 0))) ** 2)
        mask = smoothstep(1.0, 0.94, m)
        col = mix(light, mid, np.clip(py * 0.6 + 0.55, 0, 1))
        col = mix(col, dark, np.clip(py - 0.2, 0, 1) * 0.8)
        col = col * (0.8 + 0.25 * (1 - np.abs(px)))[..., None] * shade
        hl = np.exp(-((px + 0.35) / 0.15) ** 2 - ((py + 0.1) / 0.5) ** 2) * 0.3
        img = over(img, layer_from(np.clip(col + hl[..., None], 0, 1), mask))
    return downsample(img, w, h)


def on_white(layer):
    """Flatten a premultiplied layer onto white."""
    return layer[..., :3] + (1.0 - layer[..., 3:4])
