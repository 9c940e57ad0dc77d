#!/usr/bin/env bash
# Writes dist/七夕礼物.zip for givers: the shipped gift.exe, the guide as a
# text file Notepad opens (UTF-8 with its mark, CR LF) with its screenshot,
# and an example folder 我的礼物/ with a letter and gift.ini to edit.
#   tools/package.sh
# The zip is written by Python's zipfile, which marks the Chinese file names
# as UTF-8 so that Windows' own zip folders show them correctly.
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
import os, sys, zipfile
root, top = sys.argv[1], sys.argv[2]

def text_for_notepad(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    with open(target, "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(text)

text_for_notepad(os.path.join(root, "docs", "使用说明.md"), os.path.join(top, "使用说明.txt"))
text_for_notepad(os.path.join(root, "docs", "example", "letter1.txt"),
                 os.path.join(top, "我的礼物", "letter1.txt"))
text_for_notepad(os.path.join(root, "docs", "example", "gift.ini"),
                 os.path.join(top, "我的礼物", "gift.ini"))
os.makedirs(os.path.join(root, "dist"), exist_ok=True)
out = os.path.join(root, "dist", "七夕礼物.zip")
part = out + ".part"
with zipfile.ZipFile(part, "w", zipfile.ZIP_DEFLATED) as z:
    base = os.path.dirname(top)
    for folder, _, files in os.walk(top):
        z.write(folder, os.path.relpath(folder, base))
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, os.path.relpath(path, base))
os.replace(part, out)
print(out)
PY
