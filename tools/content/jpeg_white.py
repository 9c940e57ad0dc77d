"""A small baseline JPEG writer for pictures whose pure white is their
transparent colour (flowers F6 and F7): every pure white pixel decodes to
exactly (255, 255, 255) and no other pixel does.

An ordinary encoder cannot promise that. In an 8 x 8 block holding both the
flower's edge and white, the rounding of the block's coefficients leaves the
white pixels at 253 or 254 (and chroma moves them further), and a drawing
that skips only exact white shows them as a light fringe around the flower.
Here the picture is coded as R, G and B (the Adobe marker's transform 0, no
YCbCr), 4:4:4 with every quantiser 1, and white pixels are aimed at 258: the
decoder clamps every component back to 255, so the block's rounding cannot
take white below it, while the flower's own pixels stay within a level of
the picture. The result is checked with the system's decoder
(libjpeg-turbo, as the program decodes it).
"""
import io

import numpy as np
from PIL import Image

N = 8
# Orthonormal 8-point DCT-II: JPEG's forward transform is D f D^T.
_D = np.array([[(np.sqrt(0.5) if u == 0 else 1.0) * 0.5 * np.cos((2 * x + 1) * u * np.pi / 16)
                for x in range(N)] for u in range(N)])
# Each coefficient's picture: BASIS[k] is the 8 x 8 block of coefficient k = 1.
BASIS = np.einsum("ux,vy->uvxy", _D, _D).reshape(64, 64)
ZIGZAG = sorted(range(64), key=lambda k: (k // 8 + k % 8,
                                          (k % 8) if (k // 8 + k % 8) % 2 == 0 else (k // 8)))

# White pixels are coded as this much: anything the rounding leaves above
# 255.5 decodes, clamped, to 255.
WHITE_AIM = 258.0
WHITE_FLOOR = 255.5


# Quantisers in natural order: 2 for DC, whose values reach 1032 when white
# is aimed above 255 (too far from a dark block's for a baseline DC step),
# 1 for the rest. DC's step of 2 moves a pixel by at most 1/8 of a level.
QUANT = np.ones(64)
QUANT[0] = 2.0


def _coefficients(plane, white):
    """Quantised coefficients of one 8 x 8 block of one component."""
    aim = np.where(white, WHITE_AIM, plane)
    return np.clip(np.rint(BASIS @ (aim - 128.0) / QUANT), -1023, 1023)


# ---- entropy coding ----------------------------------------------------------

def _category(v):
    return 0 if v == 0 else int(abs(v)).bit_length()


def _bits(v, size):
    return v if v >= 0 else v + (1 << size) - 1


def _symbols(blocks):
    """(symbol, extra bits, extra size, is_dc) for every block in scan order."""
    out = []
    previous = [0, 0, 0]
    for comps in blocks:
        for c, coef in enumerate(comps):
            zz = [int(coef[k]) for k in ZIGZAG]
            diff = zz[0] - previous[c]
            previous[c] = zz[0]
            s = _category(diff)
            out.append((s, _bits(diff, s), s, True))
            run = 0
            last = max([i for i in range(1, 64) if zz[i] != 0], default=0)
            for i in range(1, last + 1):
                if zz[i] == 0:
                    run += 1
                    continue
                while run > 15:
                    out.append((0xF0, 0, 0, False))
                    run -= 16
                s = _category(zz[i])
                out.append(((run << 4) | s, _bits(zz[i], s), s, False))
                run = 0
            if last < 63:
                out.append((0x00, 0, 0, False))
    return out


def _huffman(freq):
    """Code lengths limited to 16 bits by the usual JPEG procedure, as the
    BITS and HUFFVAL lists of a DHT segment."""
    live = {s: f for s, f in freq.items()}
    live[256] = 1  # reserves the all-ones code
    size = {s: 0 for s in live}
    others = {s: None for s in live}

    def least(exclude=None):
        # Ties go to the larger symbol, as in the reference encoder.
        return min((s for s in live if live[s] > 0 and s != exclude),
                   key=lambda s: (live[s], -s), default=None)

    while True:
        v1 = least()
        v2 = least(v1)
        if v2 is None:
            break
        live[v1] += live[v2]
        live[v2] = 0
        for v in (v1, v2):
            size[v] += 1
            while others[v] is not None:
                v = others[v]
                size[v] += 1
        # Chain v2's list onto the end of v1's.
        v = v1
        while others[v] is not None:
            v = others[v]
        others[v] = v2
    counts = [0] * 33
    for n in size.values():
        counts[n] += 1
    for i in range(32, 16, -1):
        while counts[i] > 0:
            j = i - 2
            while counts[j] == 0:
                j -= 1
            counts[i] -= 2
            counts[i - 1] += 1
            counts[j + 1] += 2
            counts[j] -= 1
    i = 16
    while counts[i] == 0:
        i -= 1
    counts[i] -= 1  # drop the reserved code
    values = sorted((s for s in size if s != 256), key=lambda s: (size[s], s))
    return counts[1:17], values


def _codes(bits, values):
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class _Writer:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, size):
        for i in range(size - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)
                self.acc = self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)
        return bytes(self.out)


def _segment(marker, body):
    return bytes([0xFF, marker]) + (len(body) + 2).to_bytes(2, "big") + body


def _encode(blocks, width, height):
    symbols = _symbols(blocks)
    tables = []
    for dc in (True, False):
        freq = {}
        for sym, _, _, is_dc in symbols:
            if is_dc == dc:
                freq[sym] = freq.get(sym, 0) + 1
        tables.append(_huffman(freq))
    codes = [_codes(*t) for t in tables]
    w = _Writer()
    for sym, extra, size, is_dc in symbols:
        code, length = codes[0 if is_dc else 1][sym]
        w.put(code, length)
        if size:
            w.put(extra, size)
    data = w.flush()
    out = bytearray(b"\xff\xd8")
    # No JFIF marker (it would mean YCbCr): Adobe, transform 0, is plain RGB.
    out += _segment(0xEE, b"Adobe\x00\x64\x00\x00\x00\x00\x00")
    out += _segment(0xDB, bytes([0]) + bytes(int(QUANT[k]) for k in ZIGZAG))
    out += _segment(0xC0, bytes([8]) + height.to_bytes(2, "big") + width.to_bytes(2, "big") +
                    bytes([3, ord("R"), 0x11, 0, ord("G"), 0x11, 0, ord("B"), 0x11, 0]))
    for cls, (bits, values) in ((0x00, tables[0]), (0x10, tables[1])):
        out += _segment(0xC4, bytes([cls]) + bytes(bits) + bytes(values))
    out += _segment(0xDA, bytes([3, ord("R"), 0x00, ord("G"), 0x00, ord("B"), 0x00, 0, 63, 0]))
    out += data + b"\xff\xd9"
    return bytes(out)


def _wrong_blocks(data, white):
    """Blocks where the system's decoder does not give exact white exactly on
    the white pixels."""
    h, w = white.shape
    decoded = np.asarray(Image.open(io.BytesIO(data)).convert("RGB"))
    wrong = white != np.all(decoded == 255, axis=-1)
    bh, bw = (h + 7) // 8, (w + 7) // 8
    pad = np.zeros((bh * 8, bw * 8), bool)
    pad[:h, :w] = wrong
    return pad.reshape(bh, 8, bw, 8).any(axis=(1, 3))


def encode(rgb):
    """JPEG bytes of an RGB uint8 picture whose pure white decodes exactly."""
    h, w = rgb.shape[:2]
    bh, bw = (h + 7) // 8, (w + 7) // 8
    padded = np.pad(rgb, ((0, bh * 8 - h), (0, bw * 8 - w), (0, 0)), mode="edge")
    white = np.all(padded == 255, axis=-1)
    blocks = []
    for by in range(bh):
        for bx in range(bw):
            ys, xs = slice(by * 8, by * 8 + 8), slice(bx * 8, bx * 8 + 8)
            wb = white[ys, xs].reshape(64)
            blocks.append([_coefficients(padded[ys, xs, c].reshape(64).astype(np.float64), wb)
                           for c in range(3)])
            for coef in blocks[-1]:
                if wb.any() and (BASIS.T @ (coef * QUANT) + 128.0)[wb].min() < WHITE_FLOOR:
                    raise SystemExit("jpeg_white: block (%d, %d) loses its white" % (bx, by))
    data = _encode(blocks, w, h)
    wrong = _wrong_blocks(data, white[:h, :w])
    if wrong.any():
        raise SystemExit("jpeg_white: %d blocks decode without their exact white" % wrong.sum())
    return data
