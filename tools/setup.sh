#!/usr/bin/env bash
# Installs what building and running the gift needs on Debian 12 (as root),
# then the cross-built third-party libraries. Quick when all is there.
#   tools/setup.sh            the x86_64 tool chain, 64-bit Wine, fonts, ALSA
#   tools/setup.sh --wine32   32-bit Wine as well (only where 32-bit code runs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = --wine32 ]; then
  if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
    echo "[setup] installing wine32:i386"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends wine32:i386
  fi
  exit 0
fi

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  cmake ninja-build nasm make python3 googletest
  wine wine64 xvfb xauth xdotool openbox imagemagick xcompmgr libasound2 binutils gifsicle
  fonts-wqy-zenhei fonts-wine fonts-dejavu
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "[setup] installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

"$here/deps.sh" x86_64
"$here/deps.sh" i686
