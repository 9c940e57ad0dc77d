"""A contact sheet of every picture, so a person can look at all of them."""
import os

from PIL import Image, ImageDraw, ImageSequence


def _frames(path):
    im = Image.open(path)
    if getattr(im, "is_animated", False):
        return [f.convert("RGBA") for f in ImageSequence.Iterator(im)]
    return [im.convert("RGBA")]


def make(content_dir, out_path, fireworks_every=3):
    names = sorted(os.listdir(content_dir))
    tiles = []
    for name in names:
        path = os.path.join(content_dir, name)
        if not name.endswith((".jpg", ".gif", ".png", ".ico")):
            continue
        if name.startswith("fireworks_") and name.endswith(".png"):
            n = int(name[10:12])
            if n % fireworks_every and n != 23:
                continue
        frames = _frames(path)
        strip = []
        for f in frames:
            if f.width > 300:
                f = f.copy()
                f.thumbnail((300, 240))
            if name.startswith("fireworks_"):
                bg = Image.new("RGBA", f.size, (14, 12, 34, 255))
                f = Image.alpha_composite(bg, f)
            strip.append(f)
        w = sum(s.width for s in strip) + 4 * (len(strip) - 1)
        h = max(s.height for s in strip)
        tile = Image.new("RGBA", (max(w, 120), h + 14), (235, 235, 235, 255))
        x = 0
        for s in strip:
            tile.paste(s, (x, 14), s)
            x += s.width + 4
        ImageDraw.Draw(tile).text((2, 1), name, fill=(60, 0, 0, 255))
        tiles.append(tile)
    width = 1600
    rows, row, rw = [], [], 0
    for t in tiles:
        if rw + t.width > width and row:
            rows.append(row)
            row, rw = [], 0
        row.append(t)
        rw += t.width + 6
    rows.append(row)
    height = sum(max(t.height for t in r) + 6 for r in rows)
    sheet = Image.new("RGB", (width, height), (200, 200, 200))
    y = 0
    for r in rows:
        x = 0
        for t in r:
            sheet.paste(t, (x, y))
            x += t.width + 6
        y += max(t.height for t in r) + 6
    sheet.save(out_path)
    return out_path
