#!/usr/bin/env python3
"""Turns a UTF-8 content text into the bytes the program embeds: GBK (code
page 936) with CR LF line breaks, or for the poem one NUL-terminated string
per line. Standard library only: it runs at build time.

On disk a text is UTF-8 with LF line breaks. A line that ends with the marker
[LF] is joined to the next by a bare LF instead of CR LF (the marker itself is
dropped). A final line break at the end of the file is not part of the text.

    gbk_text.py letter|poem <source.txt> <output.bin>
"""
import sys

BARE_LF_MARKER = "[LF]"


class TextError(Exception):
    pass


def read_lines(path):
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise TextError("%s: cannot read (%s)" % (path, e.strerror))
    if raw.startswith(b"\xef\xbb\xbf"):
        raw = raw[3:]
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise TextError("%s: not UTF-8 (byte %d)" % (path, e.start))
    text = text.replace("\r\n", "\n")
    if text.endswith("\n"):
        text = text[:-1]
    return text.split("\n")


def encode_line(path, number, line):
    try:
        return line.encode("gbk")
    except UnicodeEncodeError as e:
        raise TextError("%s: line %d: character %r (U+%04X) has no GBK encoding"
                        % (path, number, line[e.start], ord(line[e.start])))


def letter_bytes(path):
    """(GBK bytes with CR LF / bare LF breaks, line count)."""
    lines = read_lines(path)
    out = bytearray()
    for i, line in enumerate(lines, 1):
        bare = line.endswith(BARE_LF_MARKER)
        if bare:
            line = line[:-len(BARE_LF_MARKER)]
        if "\0" in line:
            raise TextError("%s: line %d contains a NUL character" % (path, i))
        out += encode_line(path, i, line)
        if i < len(lines):
            out += b"\n" if bare else b"\r\n"
        elif bare:
            raise TextError("%s: the last line cannot end with %s" % (path, BARE_LF_MARKER))
    return bytes(out), len(lines)


def poem_lines(path):
    """The GBK bytes of each poem line."""
    lines = read_lines(path)
    return [encode_line(path, i, line) for i, line in enumerate(lines, 1)]


def poem_bytes(path):
    """Every line NUL-terminated, one after the other."""
    return b"".join(line + b"\0" for line in poem_lines(path))


def main(argv):
    if len(argv) != 4 or argv[1] not in ("letter", "poem"):
        sys.stderr.write(__doc__)
        return 2
    try:
        data = letter_bytes(argv[2])[0] if argv[1] == "letter" else poem_bytes(argv[2])
    except TextError as e:
        sys.stderr.write("content: %s\n" % e)
        return 1
    with open(argv[3], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
