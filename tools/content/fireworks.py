"""The 35-frame fireworks loop: 640 x 480 RGBA frames with real alpha, shown
50 ms apart on a per-pixel-translucent window. Rockets climb, four shells
burst one after another so that the sky is fullest at frame 23, and then the
sparks fall, twinkle and fade, leaving drifting smoke.

Sparks move under drag and gravity along closed-form paths, so any moment can
be sampled for trails without stepping a simulation."""
import io
import math
import os

import numpy as np
from PIL import Image

import art

W, H = 640, 480
FRAMES = 35
DT = 0.05
PEAK = 23
GRAVITY = 70.0

# (launch frame, burst frame, x, y, kind, colours, speed, count)
SHELLS = [
    (1, 6, 318, 160, "peony", [(1.0, 0.78, 0.36), (1.0, 0.35, 0.3)], 600, 200),
    (4, 9, 170, 210, "ring", [(1.0, 0.45, 0.82)], 420, 130),
    (6, 12, 478, 190, "peony", [(0.45, 0.85, 1.0), (0.75, 0.55, 1.0)], 500, 170),
    (9, 15, 310, 240, "willow", [(1.0, 0.72, 0.3)], 430, 180),
]


def path(p0, v0, k, t, g=GRAVITY):
    """Position after t seconds with linear drag k and gravity g."""
    e = 1.0 - np.exp(-k * t)
    x = p0[0] + v0[..., 0] / k * e
    y = p0[1] + v0[..., 1] / k * e + g / k * t - g / (k * k) * e
    return x, y


class Shell:
    def __init__(self, entry, rng):
        self.launch, self.burst, x, y, self.kind, colours, speed, count = entry
        self.pos = (float(x), float(y))
        self.start = (x + rng.uniform(-30, 30), H + 5.0)
        n = count
        if self.kind == "ring":
            a = np.linspace(0, 2 * math.pi, n, endpoint=False) + rng.uniform(0, 1)
            tilt = 0.45
            dirs = np.stack([np.cos(a), np.sin(a) * tilt], -1)
            speeds = speed * rng.uniform(0.95, 1.05, n)
        else:
            # directions on a sphere seen from the side: dense at the rim
            z = rng.uniform(-1, 1, n)
            a = rng.uniform(0, 2 * math.pi, n)
            s = np.sqrt(1 - z * z)
            dirs = np.stack([np.cos(a) * s, np.sin(a) * s], -1)
            speeds = speed * rng.uniform(0.85, 1.1, n)
        self.v0 = dirs * speeds[:, None]
        self.k = 1.6 if self.kind == "willow" else 2.1
        self.g = GRAVITY * (1.8 if self.kind == "willow" else 1.0)
        self.colour = np.array([colours[i % len(colours)] for i in range(n)], np.float32)
        self.life = rng.uniform(0.9, 1.5, n) * (1.5 if self.kind == "willow" else 1.0)
        self.seed = rng.integers(1 << 30)
        self.trail = 0.3 if self.kind == "willow" else 0.16

    def age(self, frame):
        return (frame - self.burst) * DT


def splat(buf, xs, ys, colours, weights):
    """Add coloured light at sub-pixel positions (bilinear)."""
    ok = (xs >= 0) & (xs < W - 1) & (ys >= 0) & (ys < H - 1) & (weights > 0)
    xs, ys, colours, weights = xs[ok], ys[ok], colours[ok], weights[ok]
    x0, y0 = np.floor(xs).astype(int), np.floor(ys).astype(int)
    fx, fy = xs - x0, ys - y0
    for dx, dy, w in ((0, 0, (1 - fx) * (1 - fy)), (1, 0, fx * (1 - fy)),
                      (0, 1, (1 - fx) * fy), (1, 1, fx * fy)):
        np.add.at(buf, (y0 + dy, x0 + dx), colours * (w * weights)[:, None])


def global_fade(frame):
    return 1.0 if frame <= PEAK else 0.12 + 0.88 * math.exp(-(frame - PEAK) / 2.0)


def render_frame(frame, shells, smoke_tex, rng):
    light = np.zeros((H, W, 3), np.float32)
    smoke = np.zeros((H, W), np.float32)
    smoke_col = np.zeros((H, W, 3), np.float32)
    yy, xx = art.grid(H, W)
    for sh in shells:
        # the rocket's climb, with a sparkling tail
        if sh.launch <= frame < sh.burst:
            span = (sh.burst - sh.launch) * DT
            t = (frame - sh.launch + 1) * DT
            ts = np.linspace(max(0.0, t - 0.25), t, 40)
            u = ts / span
            ease = 1 - (1 - u) ** 2
            xs = sh.start[0] + (sh.pos[0] - sh.start[0]) * ease
            ys = sh.start[1] + (sh.pos[1] - sh.start[1]) * ease
            wts = ((ts - ts[0]) / (t - ts[0] + 1e-6)) ** 2 * 0.6
            cols = np.tile(np.array([[1.0, 0.8, 0.5]], np.float32), (len(ts), 1))
            splat(light, xs, ys, cols, wts)
            jitter = rng.normal(0, 2.5, (15, 2))
            splat(light, xs[-15:] + jitter[:, 0], ys[-15:] + 6 + np.abs(jitter[:, 1]) * 3,
                  cols[-15:], rng.uniform(0.1, 0.5, 15))
        age = sh.age(frame)
        if age < 0:
            continue
        fade = global_fade(frame)
        # the flash of the burst
        if age < 0.08:
            d2 = (xx - sh.pos[0]) ** 2 + (yy - sh.pos[1]) ** 2
            flash = np.exp(-d2 / (2 * 9.0 ** 2)) * 1.2
            light += flash[..., None] * np.array([1.0, 0.9, 0.75], np.float32)
        n = len(sh.v0)
        alive = age < sh.life
        steps = 14
        for j in range(steps):
            t = max(0.0, age - sh.trail * j / steps)
            xs, ys = path(sh.pos, sh.v0, sh.k, np.full(n, t), sh.g)
            head = 1.0 - j / steps
            life_left = np.clip(1 - t / sh.life, 0, 1)
            bright = head ** 1.6 * (0.35 + 0.65 * life_left) * fade
            # sparks whiten at their heads and redden as they die
            col = sh.colour * (0.6 + 0.4 * life_left[:, None])
            col = col + (1 - col) * (0.55 * head ** 4 * life_left[:, None])
            twinkle = np.where(t > 0.5 * sh.life, rng.uniform(0.2, 1.4, n), 1.0)
            splat(light, xs, ys, col, bright * twinkle * alive * (1.3 if j == 0 else 0.75))
        # smoke: a slowly spreading, sinking cloud lit by its own shell
        radius = 40 + 150 * (1 - math.exp(-age * 1.4))
        d2 = (xx - sh.pos[0]) ** 2 + (yy - sh.pos[1] - 18 * age) ** 2
        cloud = np.exp(-d2 / (2 * radius ** 2)) * np.clip(age * 1.6, 0, 1)
        cloud *= 0.5 + 0.5 * smoke_tex
        smoke += cloud * 0.07 * (0.3 + 0.7 * fade)
        smoke_col += cloud[..., None] * (0.22 + 0.3 * fade) * sh.colour.mean(0)
    # glow: a tight halo and a wide soft one
    glow = art.blur(light, 1.4) * 1.3 + art.blur(light, 6.0) * 2.2 + art.blur(light, 20.0) * 3.5
    total = light * 1.2 + glow
    smoke = np.clip(smoke, 0, 0.3)
    smoke_rgb = smoke_col / np.maximum(smoke[..., None] / 0.07, 1e-4) * 0.07
    peak = total.max(axis=-1)
    a_light = np.clip(peak, 0, 1) ** 0.85
    col = total / np.maximum(peak, 1e-6)[..., None]
    col = col + (1 - col) * np.clip(peak - 1, 0, 1)[..., None] * 0.6   # hot cores go white
    a = a_light + smoke * (1 - a_light)
    rgb = (col * a_light[..., None] + np.clip(smoke_rgb, 0, 1) * (smoke * (1 - a_light))[..., None]) \
        / np.maximum(a, 1e-6)[..., None]
    return rgb, a


TARGET = [3562, 7100, 10440, 18994, 29274, 33719, 41382, 53900, 73948, 86313, 96085, 116619,
          137363, 145905, 153524, 183410, 211432, 223047, 228087, 245764, 252422, 269053,
          276361, 272677, 251111, 214910, 174030, 137162, 117464, 96953, 90850, 86927, 80585,
          76545, 73274]


def encode(rgb, a, noise, amount=0.0, coarse=0):
    """RGBA PNG bytes. `amount` dithers the soft glow (which also avoids
    banding); `coarse` lowers the colour precision of nearly clear pixels,
    where it cannot be seen."""
    a2 = np.clip(a + noise * amount * (a > 0.004), 0, 1)
    a8 = art.to_uint8(a2)
    rgb8 = art.to_uint8(rgb)
    faint = a8 < 24 + coarse
    rgb8[faint] &= 0xF0 if coarse < 8 else 0xE0
    if coarse:
        a8[a8 < coarse] &= 0xFC
    rgb8[a8 == 0] = 0
    im = Image.fromarray(np.concatenate([rgb8, a8[..., None]], -1), "RGBA")
    out = io.BytesIO()
    im.save(out, "PNG", compress_level=9)
    return out.getvalue()


def fit(rgb, a, noise, target):
    """Encode near the planned byte size of the frame: dither a frame that
    comes out small, coarsen the faint pixels of one that comes out large."""
    data = encode(rgb, a, noise)
    best = data
    if len(data) < target:
        lo, hi = 0.0, 6.0
        for _ in range(4):
            mid = (lo + hi) / 2
            trial = encode(rgb, a, noise, amount=mid)
            if abs(len(trial) - target) < abs(len(best) - target):
                best = trial
            lo, hi = (mid, hi) if len(trial) < target else (lo, mid)
    else:
        lo, hi = 0, 160
        for _ in range(4):
            mid = (lo + hi) // 2
            trial = encode(rgb, a, noise, coarse=mid)
            if abs(len(trial) - target) < abs(len(best) - target):
                best = trial
            lo, hi = (mid, hi) if len(trial) > target else (lo, mid)
    return best


def generate(out_dir, seed=2024, match_sizes=True):
    rng = np.random.default_rng(seed)
    shells = [Shell(s, rng) for s in SHELLS]
    smoke_tex = art.fbm(np.random.default_rng(seed + 1), H, W, 70, 3) * 0.5 + 0.5
    sizes = []
    for f in range(1, FRAMES + 1):
        rgb, a = render_frame(f, shells, smoke_tex, np.random.default_rng(seed + 100 + f))
        noise = np.random.default_rng(seed + 200 + f).uniform(-1, 1, a.shape).astype(np.float32) / 255.0
        data = fit(rgb, a, noise, TARGET[f - 1]) if match_sizes else encode(rgb, a, noise)
        with open(os.path.join(out_dir, "fireworks_%02d.png" % f), "wb") as fh:
            fh.write(data)
        sizes.append(len(data))
    return sizes


if __name__ == "__main__":
    import sys
    out = sys.argv[1] if len(sys.argv) > 1 else "/tmp/gc"
    s = generate(out, match_sizes="--raw" not in sys.argv)
    print(sum(s), s)
