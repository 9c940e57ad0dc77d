#!/usr/bin/env python3
"""Makes every embedded picture, the fireworks, the song, the letters and the
poem into app/content, the caption-button strip into toolkit/core/res, and a
contact sheet of all pictures. Deterministic: fixed seeds throughout.

    python3 tools/content/generate.py [--only part,part] [--sheet PATH]

Parts: caption, photos, flowers, fireworks, song, texts. Needs Debian's
python3-pil and python3-numpy, plus sox, lame and gifsicle.
"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

try:
    import numpy  # noqa: F401
    import PIL  # noqa: F401
except ImportError:
    # a private Python (pyenv, venv) may not see Debian's packages
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

import caption_buttons  # noqa: E402

PARTS = ["caption", "photos", "flowers", "fireworks", "song", "texts"]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--only", default=",".join(PARTS))
    ap.add_argument("--out", default=os.path.join(ROOT, "app", "content"))
    ap.add_argument("--sheet", default="/tmp/gift-content-sheet.png")
    args = ap.parse_args()
    parts = [p for p in args.only.split(",") if p]
    unknown = set(parts) - set(PARTS)
    if unknown:
        ap.error("unknown part(s): %s" % ", ".join(sorted(unknown)))
    os.makedirs(args.out, exist_ok=True)

    def step(name, fn):
        if name in parts:
            t = time.time()
            fn()
            print("%-10s %5.1f s" % (name, time.time() - t), flush=True)

    step("caption", lambda: caption_buttons.write(
        os.path.join(ROOT, "toolkit", "core", "res", "caption_buttons.bin"),
        "/tmp/gift-caption-buttons.png"))

    def photos():
        import photos as m
        m.generate(args.out)

    def flowers():
        import flowers as m
        m.generate(args.out)

    def fireworks():
        import fireworks as m
        sizes = m.generate(args.out)
        print("fireworks: %d bytes in %d frames" % (sum(sizes), len(sizes)))

    def song():
        import song as m
        m.generate(os.path.join(args.out, "song.mp3"))

    def texts():
        import texts as m
        m.generate(args.out)
        for row in m.describe(args.out):
            print("%-12s chars %-16s bytes %-8s lines %s" % row)

    step("photos", photos)
    step("flowers", flowers)
    step("fireworks", fireworks)
    step("song", song)
    step("texts", texts)

    import sheet
    import validate
    problems = validate.validate(args.out)
    for p in problems:
        print("content: %s" % p)
    print("contact sheet:", sheet.make(args.out, args.sheet))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
