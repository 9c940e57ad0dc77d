"""The song: an arrangement of the folk tune 茉莉花 (public domain) for a
dizi-like lead, a guzheng-like plucked accompaniment, a soft string pad and
bass. The notes are synthesised here; sox adds the room (reverb, a little
chorus, EQ, fades) and lame encodes MPEG-1 Layer III, 128 kbit/s, joint
stereo."""
import math
import os
import subprocess
import tempfile
import wave

import numpy as np

RATE = 44100
BPM = 59.8
BEAT = 60.0 / BPM
TONIC = 65  # 1 = F above middle C (MIDI)

# jianpu degree -> semitones above the tonic
DEGREE = {1: 0, 2: 2, 3: 4, 4: 5, 5: 7, 6: 9, 7: 11}


def note(d, octave=0):
    return TONIC + DEGREE[d] + 12 * octave


L5, L6 = note(5, -1), note(6, -1)
H1 = note(1, 1)
n1, n2, n3, n5, n6 = note(1), note(2), note(3), note(5), note(6)

# (pitch or None for rest, beats); seven phrases of four beats
VERSE = [
    # 好一朵美丽的茉莉花
    (n3, .5), (n3, .25), (n5, .25), (n6, .25), (H1, .25), (H1, .25), (n6, .25),
    (n5, .5), (n5, .25), (n6, .25), (n5, 1),
    # 好一朵美丽的茉莉花
    (n3, .5), (n3, .25), (n5, .25), (n6, .25), (H1, .25), (H1, .25), (n6, .25),
    (n5, .5), (n5, .25), (n6, .25), (n5, 1),
    # 芬芳美丽满枝桠
    (n5, .5), (n5, .5), (n5, .5), (n3, .25), (n5, .25), (n6, .5), (n6, .5), (n5, 1),
    # 又香又白人人夸
    (n3, .5), (n2, .25), (n3, .25), (n5, .5), (n3, .25), (n2, .25),
    (n1, .5), (n1, .25), (n2, .25), (n1, 1),
    # 让我来将你摘下
    (n3, .25), (n2, .25), (n1, .25), (n3, .25), (n2, .75), (n3, .25),
    (n5, .5), (n6, .25), (H1, .25), (n5, 1),
    # 送给别人家
    (n2, .5), (n3, .25), (n5, .25), (n2, .25), (n3, .25), (n1, .25), (L6, .25), (L5, 2),
    # 茉莉花呀茉莉花
    (L6, .5), (n1, .5), (n2, .25), (n3, .25), (n1, .25), (n2, .25),
    (n1, .5), (L6, .25), (L5, .25), (L5, 1),
]
VERSE_BEATS = 28

# one chord per beat: root (MIDI, around F2..C3) and chord tones as offsets
F, C, Dm, Bb, Am, Gm, Csus = ((53, (0, 4, 7)), (48, (0, 4, 7)), (50, (0, 3, 7)),
                              (46, (0, 4, 7)), (45, (0, 3, 7)), (43, (0, 3, 7)),
                              (48, (0, 2, 7)))
CHORDS = ([F, F, C, C] + [F, F, C, F] + [C, C, Bb, Bb] + [Am, Am, F, F]
          + [F, F, C, C] + [Gm, Dm, C, C] + [Dm, Bb, F, Csus])


def hz(m):
    return 440.0 * 2 ** ((m - 69) / 12.0)


def adsr(n, a, d, s, r, rate=RATE):
    env = np.full(n, s, np.float32)
    ia, id_, ir = int(a * rate), int(d * rate), int(r * rate)
    ia = min(ia, n)
    env[:ia] = np.linspace(0, 1, ia, endpoint=False)
    e = min(n, ia + id_)
    env[ia:e] = np.linspace(1, s, e - ia, endpoint=False)
    if ir:
        env[max(0, n - ir):] *= np.linspace(1, 0, min(ir, n))
    return env


def flute(freq, dur, rng, vel=1.0):
    """Breathy lead: a few harmonics, delayed vibrato, breath noise."""
    n = int((dur + 0.25) * RATE)
    t = np.arange(n) / RATE
    vib = 1 + 0.006 * np.sin(2 * math.pi * 5.2 * t) * np.clip((t - 0.18) / 0.3, 0, 1)
    phase = 2 * math.pi * freq * np.cumsum(vib) / RATE
    tone = (np.sin(phase) + 0.32 * np.sin(2 * phase) + 0.12 * np.sin(3 * phase)
            + 0.05 * np.sin(4 * phase))
    noise = rng.standard_normal(n).astype(np.float32)
    # band-limited breath: smooth the noise and let it follow the tone
    noise = np.convolve(noise, np.ones(6) / 6, mode="same") * 0.06
    env = adsr(n, 0.06, 0.12, 0.8, 0.22)
    return ((tone + noise) * env * 0.22 * vel).astype(np.float32)


def pluck(freq, dur, rng, vel=1.0):
    """Guzheng-like pluck: bright attack, higher partials die first."""
    n = int(max(dur, 1.6) * RATE)
    t = np.arange(n) / RATE
    out = np.zeros(n, np.float32)
    for k in range(1, 9):
        f = freq * k * (1 + 0.0004 * k * k)
        if f > 9000:
            break
        amp = (1.0 / k ** 1.1) * (1.0 if k % 2 else 0.7)
        out += amp * np.exp(-t * (1.6 + 0.9 * k)) * np.sin(2 * math.pi * f * t + rng.uniform(0, 6.28))
    out *= np.clip(t / 0.003, 0, 1)
    out[-200:] *= np.linspace(1, 0, 200)
    return out * 0.16 * vel


def pad(freqs, dur):
    """Soft strings: detuned harmonic stacks with a slow swell."""
    n = int((dur + 0.6) * RATE)
    t = np.arange(n) / RATE
    out = np.zeros(n, np.float32)
    for f in freqs:
        for det in (-0.004, 0.0, 0.005):
            ph = 2 * math.pi * f * (1 + det) * t
            out += np.sin(ph) + 0.35 * np.sin(2 * ph) + 0.12 * np.sin(3 * ph)
    env = adsr(n, 0.5, 0.3, 0.85, 0.6)
    return out * env * 0.018


def bass(freq, dur):
    n = int((dur + 0.3) * RATE)
    t = np.arange(n) / RATE
    out = np.sin(2 * math.pi * freq * t) + 0.2 * np.sin(4 * math.pi * freq * t)
    return (out * adsr(n, 0.02, 0.3, 0.6, 0.3) * 0.16).astype(np.float32)


class Mix:
    def __init__(self, seconds):
        self.buf = np.zeros((int(seconds * RATE) + RATE * 4, 2), np.float32)

    def add(self, sound, start, pan=0.0, gain=1.0):
        i = int(start * RATE)
        j = min(len(self.buf), i + len(sound))
        if j <= i:
            return
        left = math.cos((pan + 1) * math.pi / 4) * gain
        right = math.sin((pan + 1) * math.pi / 4) * gain
        self.buf[i:j, 0] += sound[:j - i] * left
        self.buf[i:j, 1] += sound[:j - i] * right


def arrange(seconds):
    """Intro, nine verses that grow and thin out again, and a closing chord."""
    rng = np.random.default_rng(1225)
    mix = Mix(seconds)
    verse_len = VERSE_BEATS * BEAT
    intro = 4 * BEAT * 2  # two phrases of pad and plucks
    # plans for each verse: (lead octave shift, lead gain, pluck pattern, pad, bass)
    plans = [(0, 0.9, "sparse", True, False), (0, 1.0, "flow", True, True),
             (12, 0.75, "flow", True, True), (0, 1.0, "rich", True, True),
             (None, 0, "lead", True, True), (0, 1.0, "flow", True, True),
             (12, 0.8, "rich", True, True), (0, 1.0, "flow", True, True),
             (0, 0.85, "sparse", True, False)]
    t0 = intro
    for chord_i, ch in enumerate(CHORDS[:8]):
        start = chord_i * BEAT
        root, tones = ch
        mix.add(pad([hz(root + 12 + o) for o in tones], BEAT), start, 0.0, 0.8 * chord_i / 8 + 0.2)
        for k in range(2):
            m = root + 24 + tones[(chord_i + k) % 3]
            mix.add(pluck(hz(m), 1.5, rng, 0.6), start + k * BEAT / 2, 0.35)
    for v, (octave, gain, pattern, use_pad, use_bass) in enumerate(plans):
        vs = t0 + v * verse_len
        for b, (root, tones) in enumerate(CHORDS):
            start = vs + b * BEAT
            if use_pad:
                mix.add(pad([hz(root + 12 + o) for o in tones], BEAT), start, -0.15, 0.9)
            if use_bass and b % 2 == 0:
                mix.add(bass(hz(root - 12 if root > 47 else root), 2 * BEAT), start, 0.0)
            if pattern == "sparse":
                steps = [0]
            elif pattern == "flow":
                steps = [0, 0.5]
            else:
                steps = [0, 0.25, 0.5, 0.75]
            for k, s in enumerate(steps):
                m = root + 24 + tones[(b + k) % 3] + (12 if pattern == "rich" and k == 3 else 0)
                vel = 0.75 if k else 0.95
                mix.add(pluck(hz(m), 1.4, rng, vel), start + s * BEAT + rng.uniform(0, 0.01), 0.4)
        # the melody
        pos = vs
        for pitch, beats in VERSE:
            dur = beats * BEAT
            if octave is None:
                # an interlude verse: the plucked instrument sings the tune
                mix.add(pluck(hz(pitch + 12), dur + 0.8, rng, 1.3), pos, -0.1)
            elif pitch is not None:
                mix.add(flute(hz(pitch + octave), dur * 0.97, rng), pos, -0.1, gain)
            pos += dur
    # closing: a long open chord on the tune's final note
    end = t0 + len(plans) * verse_len
    mix.add(pad([hz(48 + 12), hz(48 + 19), hz(48 + 26)], 5.0), end, 0.0, 1.2)
    mix.add(pluck(hz(72), 3.0, rng, 1.0), end, 0.3)
    mix.add(pluck(hz(79), 3.0, rng, 0.8), end + 0.3, 0.3)
    mix.add(pluck(hz(86), 3.0, rng, 0.6), end + 0.6, 0.3)
    return mix.buf[:int(seconds * RATE)]


def write_wav(path, stereo):
    peak = np.abs(stereo).max() or 1.0
    data = (stereo / peak * 0.8 * 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def generate(out_path, seconds=267.0):
    stereo = arrange(seconds)
    with tempfile.TemporaryDirectory() as tmp:
        dry = os.path.join(tmp, "dry.wav")
        wet = os.path.join(tmp, "wet.wav")
        write_wav(dry, stereo)
        subprocess.run(["sox", "-q", dry, wet,
                        "chorus", "0.7", "0.8", "40", "0.25", "0.3", "2", "-s",
                        "reverb", "45", "50", "85", "100", "20", "-2",
                        "equalizer", "180", "1.2q", "-2",
                        "equalizer", "3500", "1q", "1.5",
                        "fade", "t", "3", str(seconds), "6",
                        "gain", "-n", "-1",
                        "trim", "0", str(seconds)], check=True)
        subprocess.run(["lame", "--quiet", "-b", "128", "--cbr", "-m", "j", "-q", "2",
                        "--resample", "44.1", "--noreplaygain",
                        "--tt", "茉莉花", "--tc", "七夕 gift",
                        wet, out_path], check=True)
    return out_path


if __name__ == "__main__":
    import sys
    generate(sys.argv[1] if len(sys.argv) > 1 else "/tmp/gc/song.mp3")
