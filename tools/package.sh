#!/usr/bin/env bash
# Writes dist/七夕礼物.zip for givers: the shipped gift.exe, the guide as a
# plain text file for Notepad (UTF-8 with its mark, CR LF) with its
# screenshot, and an example folder 我的礼物/ with a letter and gift.ini to edit.
#   tools/package.sh
# Windows' own zip folder reads names without the UTF-8 flag in the system's
# OEM code page, which on a Chinese Windows is GBK (Windows 7 ignores the
# flag altogether): the names are stored in GBK, each with the Info-ZIP
# Unicode path field (0x7075) carrying the UTF-8 name for other unzippers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" >/dev/null
cd "$root"
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target gift >/dev/null
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top="$stage/七夕礼物"
mkdir -p "$top/我的礼物"
cp build/win32/gift.exe "$top/gift.exe"
cp docs/made-gift.png "$top/made-gift.png"  # the guide's screenshot
python3 - "$root" "$top" <<'PY'
import os, sys, time, zipfile, zlib
root, top = sys.argv[1], sys.argv[2]

def text_for_notepad(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    with open(target, "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(text)

text_for_notepad(os.path.join(root, "docs", "使用说明.txt"), os.path.join(top, "使用说明.txt"))
text_for_notepad(os.path.join(root, "docs", "example", "letter1.txt"),
                 os.path.join(top, "我的礼物", "letter1.txt"))
text_for_notepad(os.path.join(root, "docs", "example", "gift.ini"),
                 os.path.join(top, "我的礼物", "gift.ini"))
os.makedirs(os.path.join(root, "dist"), exist_ok=True)
out = os.path.join(root, "dist", "七夕礼物.zip")
part = out + ".part"


class GbkName(zipfile.ZipInfo):
    """A member whose name is stored in GBK, with its UTF-8 form in 0x7075."""

    def __init__(self, name, date_time):
        super().__init__(name, date_time)
        stored = name.encode("gbk")
        utf8 = name.encode("utf-8")
        body = b"\x01" + zlib.crc32(stored).to_bytes(4, "little") + utf8
        self.extra = (0x7075).to_bytes(2, "little") + len(body).to_bytes(2, "little") + body

    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


with zipfile.ZipFile(part, "w", zipfile.ZIP_DEFLATED) as z:
    base = os.path.dirname(top)
    for folder, _, files in os.walk(top):
        entries = [(folder, os.path.relpath(folder, base) + "/")]
        entries += [(os.path.join(folder, n), os.path.relpath(os.path.join(folder, n), base))
                    for n in sorted(files)]
        for path, name in entries:
            info = GbkName(name, time.localtime(os.path.getmtime(path))[:6])
            if name.endswith("/"):
                info.external_attr = 0o40755 << 16 | 0x10
                z.writestr(info, b"")
            else:
                info.external_attr = 0o644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    z.writestr(info, f.read())
os.replace(part, out)
print(out)
PY
