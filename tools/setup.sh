#!/usr/bin/env bash
# Installs what building and running the gift needs on Debian 12 (as root),
# then the cross-built third-party libraries. Quick when all is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  cmake ninja-build nasm make python3 googletest
  wine wine64 xvfb xauth xdotool imagemagick xcompmgr
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
