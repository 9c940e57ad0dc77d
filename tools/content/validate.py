#!/usr/bin/env python3
"""Checks a content folder before it is embedded: every file is there, has
the right format, pixel size and frame count, the song is MPEG-1 Layer III at
44.1 kHz, and the texts are GBK-encodable with usable line counts. Standard
library only: the build runs it.

    validate.py <content folder>

Prints one line per problem, naming the file, and exits 1 when there is any.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gbk_text  # noqa: E402

# name: (format, width, height, frames)
PICTURES = {
    "start_background.jpg": ("jpeg", 1024, 724, 1),
    "fireworks_background.jpg": ("jpeg", 1024, 768, 1),
    "words_background.jpg": ("jpeg", 1000, 750, 1),
    "letter_background.jpg": ("jpeg", 1026, 684, 1),
    "picture_strip.jpg": ("jpeg", 1024, 317, 1),
    "big_rose.jpg": ("jpeg", 2560, 1998, 1),
    "f01.gif": ("gif", 93, 93, 6), "f02.gif": ("gif", 93, 93, 6),
    "f03.gif": ("gif", 93, 93, 6), "f04.gif": ("gif", 93, 93, 6),
    "f05.gif": ("gif", 100, 77, 1), "f06.jpg": ("jpeg", 106, 107, 1),
    "f07.jpg": ("jpeg", 135, 136, 1), "f08.gif": ("gif", 115, 115, 1),
    "f09.gif": ("gif", 125, 135, 1), "f10.gif": ("gif", 130, 129, 1),
    "f11.gif": ("gif", 147, 163, 1), "f12.gif": ("gif", 147, 110, 1),
    "f13.gif": ("gif", 147, 125, 1), "f14.gif": ("gif", 147, 139, 1),
    "f15.gif": ("gif", 147, 102, 1), "f16.gif": ("gif", 150, 150, 1),
    "f17.gif": ("gif", 147, 98, 1), "f18.gif": ("gif", 147, 142, 1),
    "f19.gif": ("gif", 147, 134, 1), "f20.gif": ("gif", 147, 124, 1),
    "f21.gif": ("gif", 147, 90, 1), "f22.gif": ("gif", 147, 131, 1),
    "rose_box_4.gif": ("gif", 93, 93, 6), "rose_box_3.gif": ("gif", 93, 93, 6),
    "rose_box_2.gif": ("gif", 93, 94, 2),
    "start_icon.ico": ("ico", 32, 32, 1),
}
PICTURES.update({"fireworks_%02d.png" % i: ("png-rgba", 640, 480, 1) for i in range(1, 36)})
SONG = "song.mp3"
LETTERS = ["letter1.txt", "letter2.txt"]
POEM = "poem.txt"
POEM_LINES = 20          # one per transparent label of the words page
POEM_MAX_CHARS = 21      # what fits a 416-pixel label at 19 pixels a character
LETTER_MAX_LINES = 400


class Bad(Exception):
    pass


def jpeg_size(b):
    if b[:2] != b"\xff\xd8":
        raise Bad("not a JPEG file (no start-of-image marker)")
    i = 2
    while i + 4 <= len(b):
        if b[i] != 0xFF:
            raise Bad("damaged JPEG segment at byte %d" % i)
        marker = b[i + 1]
        if marker == 0xFF:
            i += 1
            continue
        if marker in (0xD8, 0x01) or 0xD0 <= marker <= 0xD7:
            i += 2
            continue
        length = struct.unpack(">H", b[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF):
            h, w = struct.unpack(">HH", b[i + 5:i + 9])
            return w, h, 1
        if marker == 0xDA:
            break
        i += 2 + length
    raise Bad("JPEG without a frame header")


def png_size(b):
    if b[:8] != b"\x89PNG\r\n\x1a\n" or b[12:16] != b"IHDR":
        raise Bad("not a PNG file")
    w, h, depth, colour = struct.unpack(">IIBB", b[16:26])
    if depth != 8 or colour != 6:
        raise Bad("PNG must be 8-bit RGBA (colour type 6), is %d-bit colour type %d"
                  % (depth, colour))
    return w, h, 1


def gif_size(b):
    if b[:6] not in (b"GIF87a", b"GIF89a"):
        raise Bad("not a GIF file")
    w, h, flags = struct.unpack("<HHB", b[6:11])
    i = 13 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)
    frames = 0

    def skip_blocks(i):
        while True:
            if i >= len(b):
                raise Bad("GIF ends inside a data block")
            n = b[i]
            i += 1
            if n == 0:
                return i
            i += n

    while i < len(b):
        tag = b[i]
        if tag == 0x3B:
            return w, h, frames
        if tag == 0x21:
            i = skip_blocks(i + 2)
        elif tag == 0x2C:
            frames += 1
            flags = b[i + 9]
            i += 10 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)
            i = skip_blocks(i + 1)   # LZW minimum code size, then data
        else:
            raise Bad("damaged GIF block at byte %d" % i)
    raise Bad("GIF without its trailer")


def ico_size(b):
    reserved, kind, count = struct.unpack("<HHH", b[:6])
    if reserved != 0 or kind != 1:
        raise Bad("not an icon file")
    if count != 1:
        raise Bad("icon must hold exactly one image, holds %d" % count)
    w, h, _, _, _, bits, size, offset = struct.unpack("<BBBBHHII", b[6:22])
    w, h = w or 256, h or 256
    image = b[offset:offset + size]
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        raise Bad("icon image must be a 32-bit bitmap, not PNG")
    if len(image) < 40:
        raise Bad("icon image is cut short")
    bit_count = struct.unpack("<H", image[14:16])[0]
    if bit_count != 32:
        raise Bad("icon must be 32-bit, is %d-bit" % bit_count)
    return w, h, 1


READERS = {"jpeg": jpeg_size, "png-rgba": png_size, "gif": gif_size, "ico": ico_size}


def check_picture(path, entry):
    fmt, w, h, frames = entry
    with open(path, "rb") as f:
        b = f.read()
    if not b:
        raise Bad("file is empty")
    gw, gh, gframes = READERS[fmt](b)
    if (gw, gh) != (w, h):
        raise Bad("is %d x %d pixels, must be %d x %d" % (gw, gh, w, h))
    if gframes != frames:
        raise Bad("has %d frame%s, must have %d" % (gframes, "" if gframes == 1 else "s", frames))


def check_song(path):
    with open(path, "rb") as f:
        b = f.read()
    i = 0
    if b[:3] == b"ID3":
        s = b[6:10]
        i = 10 + ((s[0] << 21) | (s[1] << 14) | (s[2] << 7) | s[3])
    while i + 4 <= len(b) and not (b[i] == 0xFF and (b[i + 1] & 0xE0) == 0xE0):
        i += 1
    if i + 4 > len(b):
        raise Bad("no MP3 frame found")
    h = struct.unpack(">I", b[i:i + 4])[0]
    version, layer = (h >> 19) & 3, (h >> 17) & 3
    bitrate_index, rate_index = (h >> 12) & 15, (h >> 10) & 3
    if version != 3 or layer != 1:
        raise Bad("must be MPEG-1 Layer III")
    if rate_index != 0:
        raise Bad("must be sampled at 44.1 kHz")
    if bitrate_index in (0, 15):
        raise Bad("free-format or invalid bitrate")


def check_texts(folder):
    problems = []
    for name in LETTERS:
        path = os.path.join(folder, name)
        try:
            data, lines = gbk_text.letter_bytes(path)
            if not data:
                problems.append("%s: the letter is empty" % path)
            elif lines > LETTER_MAX_LINES:
                problems.append("%s: %d lines, at most %d fit the letter box"
                                % (path, lines, LETTER_MAX_LINES))
        except gbk_text.TextError as e:
            problems.append(str(e))
    path = os.path.join(folder, POEM)
    try:
        lines = gbk_text.poem_lines(path)
        if len(lines) != POEM_LINES:
            problems.append("%s: %d lines, must be %d (one per line of the words page)"
                            % (path, len(lines), POEM_LINES))
        for n, line in enumerate(lines, 1):
            chars = len(line.decode("gbk"))
            if chars == 0 or chars > POEM_MAX_CHARS:
                problems.append("%s: line %d has %d characters, must have 1 to %d"
                                % (path, n, chars, POEM_MAX_CHARS))
    except gbk_text.TextError as e:
        problems.append(str(e))
    return problems


def validate(folder):
    problems = []
    for name, entry in sorted(PICTURES.items()):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            problems.append("%s: missing" % path)
            continue
        try:
            check_picture(path, entry)
        except (Bad, struct.error, IndexError) as e:
            problems.append("%s: %s" % (path, e if isinstance(e, Bad) else "damaged file"))
    path = os.path.join(folder, SONG)
    if not os.path.isfile(path):
        problems.append("%s: missing" % path)
    else:
        try:
            check_song(path)
        except Bad as e:
            problems.append("%s: %s" % (path, e))
    problems += check_texts(folder)
    return problems


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    problems = validate(argv[1])
    for p in problems:
        sys.stderr.write("content: %s\n" % p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
