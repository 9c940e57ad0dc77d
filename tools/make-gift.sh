#!/usr/bin/env bash
# Makes a personalised gift from a folder, as a giver on Windows does by
# dropping the folder onto gift.exe, and prints the maker's report.
#   tools/make-gift.sh FOLDER [OUTPUT.exe]   (default: FOLDER.exe beside FOLDER)
# The result is a copy of the shipped 32-bit build/win32/gift.exe. This machine
# runs no 32-bit code, so the 64-bit build's maker writes it (--program names
# the program to copy); the exit code is the maker's: 0 when the gift was written.
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: tools/make-gift.sh FOLDER [OUTPUT.exe]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(realpath -m "$1")
if [ $# -eq 2 ]; then output=$(realpath -m "$2"); else output="$folder.exe"; fi
if [ ! -d "$folder" ]; then
  echo "make-gift: no folder $folder" >&2
  exit 2
fi
"$root/tools/setup.sh" >/dev/null
cd "$root"
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target gift >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release --target gift >/dev/null
BUILD_DIR="$root/build/release"
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
gift_wine_prefix
# Wine names every Unix path on drive Z:.
windows() { printf 'Z:%s' "${1//\//\\}"; }
# Wine turns Unix file names into Windows ones through the locale's charset:
# without UTF-8, Chinese folder and file names arrive garbled.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
status=0
"$GIFT_WINE" "$BUILD_DIR/gift.exe" --no-window --program "$(windows "$root/build/win32/gift.exe")" \
  "$(windows "$folder")" "$(windows "$output")" </dev/null || status=$?
exit "$status"
