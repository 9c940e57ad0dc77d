#!/usr/bin/env bash
# Cross-builds zlib, libpng, libjpeg-turbo and libmpg123 (the program's
# decoders) and libwebp, libFLAC and LAME (the maker's WebP photos and FLAC or
# WAV songs) as static Windows libraries from Debian's source packages into a cache outside the source tree,
# for one architecture: tools/deps.sh i686|x86_64 (default i686).
# Idempotent: a library whose stamp exists is not built again.
set -euo pipefail

ARCH="${1:-i686}"
HOST=$ARCH-w64-mingw32
ROOT="${GIFT_DEPS_ROOT:-$HOME/.cache/gift-deps}"
PREFIX="$ROOT/$HOST"
WORK="$ROOT/src"
CC=$HOST-gcc-posix
JOBS=$(nproc)
SOURCES_LIST=/etc/apt/sources.list.d/gift-deb-src.sources

say() { echo "[deps] $*" >&2; }

all_built() {
  for lib in zlib libpng libjpeg mpg123 libwebp flac lame; do
    [ -f "$PREFIX/.stamp-$lib" ] || return 1
  done
}

if all_built; then
  say "all $ARCH libraries present in $PREFIX"
  exit 0
fi

mkdir -p "$PREFIX" "$WORK"

# apt-get source needs deb-src entries; keep them in a file of our own.
if [ ! -f "$SOURCES_LIST" ]; then
  say "adding deb-src entries ($SOURCES_LIST)"
  cat > "$SOURCES_LIST" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -q
fi

fetch() { # package pattern → a fresh unpacked source dir for this architecture
  local pkg=$1 dir
  dir=$(find "$WORK" -maxdepth 1 -type d -name "$2" ! -name '*.build-*' | head -n 1)
  if [ -z "$dir" ]; then
    say "fetching source package $pkg"
    # mpg123's signature file may be missing; the tarballs are all there.
    (cd "$WORK" && { apt-get source --download-only "$pkg" >/dev/null 2>&1 || true; })
    local tarball="" candidate
    for candidate in "$WORK/${pkg}"_*.orig.tar.*; do
      case "$candidate" in *.asc) ;; *) [ -e "$candidate" ] && { tarball=$candidate; break; } ;; esac
    done
    [ -n "$tarball" ] || { echo "[deps] no source tarball for $pkg" >&2; exit 1; }
    tar -xf "$tarball" -C "$WORK"
    dir=$(find "$WORK" -maxdepth 1 -type d -name "$2" ! -name '*.build-*' | head -n 1)
  fi
  # Autotools libraries build inside their source tree: one copy per architecture.
  rm -rf "$dir.build-$ARCH"
  cp -a "$dir" "$dir.build-$ARCH"
  echo "$dir.build-$ARCH"
}

if [ ! -f "$PREFIX/.stamp-zlib" ]; then
  src=$(fetch zlib 'zlib-*')
  say "building zlib in $src"
  (cd "$src" && CC=$CC AR=$HOST-ar RANLIB=$HOST-ranlib CHOST=$HOST CFLAGS=-O2 \
     ./configure --static --prefix="$PREFIX" >/dev/null &&
   make -j"$JOBS" libz.a >/dev/null && make install >/dev/null)
  touch "$PREFIX/.stamp-zlib"
fi

cmake_lib() { # name srcdir args...
  local name=$1 src=$2; shift 2
  local bld="$WORK/build-$name-$ARCH"
  rm -rf "$bld"
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$ARCH" \
    -DCMAKE_C_COMPILER="$CC" -DCMAKE_CXX_COMPILER="$HOST-g++-posix" \
    -DCMAKE_RC_COMPILER="$HOST-windres" \
    -DCMAKE_FIND_ROOT_PATH="/usr/$HOST;$PREFIX" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "$@" >/dev/null
  cmake --build "$bld" -j"$JOBS" >/dev/null
  cmake --install "$bld" >/dev/null
}

if [ ! -f "$PREFIX/.stamp-libpng" ]; then
  src=$(fetch libpng1.6 'libpng-1.6*')
  say "building libpng in $src"
  cmake_lib libpng "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF \
    -DPNG_TESTS=OFF -DZLIB_ROOT="$PREFIX" -DZLIB_LIBRARY="$PREFIX/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$PREFIX/include"
  touch "$PREFIX/.stamp-libpng"
fi

if [ ! -f "$PREFIX/.stamp-libjpeg" ]; then
  src=$(fetch libjpeg-turbo 'libjpeg-turbo-*')
  say "building libjpeg-turbo in $src"
  cmake_lib libjpeg "$src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=1 \
    -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
  touch "$PREFIX/.stamp-libjpeg"
fi

if [ ! -f "$PREFIX/.stamp-mpg123" ]; then
  src=$(fetch mpg123 'mpg123-*')
  say "building libmpg123 in $src"
  (cd "$src" && ./configure --host="$HOST" CC="$CC" --enable-static --disable-shared --disable-modules \
     --with-audio=dummy --disable-network --prefix="$PREFIX" >/dev/null &&
   make -j"$JOBS" src/libmpg123/libmpg123.la >/dev/null)
  mkdir -p "$PREFIX/lib" "$PREFIX/include"
  cp "$src/src/libmpg123/.libs/libmpg123.a" "$PREFIX/lib/"
  cp "$src/src/libmpg123/mpg123.h" "$src/src/libmpg123/fmt123.h" "$PREFIX/include/"
  touch "$PREFIX/.stamp-mpg123"
fi

if [ ! -f "$PREFIX/.stamp-libwebp" ]; then
  src=$(fetch libwebp 'libwebp-*')
  say "building libwebp in $src"
  cmake_lib libwebp "$src" -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF \
    -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
    -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF
  touch "$PREFIX/.stamp-libwebp"
fi

if [ ! -f "$PREFIX/.stamp-flac" ]; then
  src=$(fetch flac 'flac-*')
  say "building libFLAC in $src"
  # Consumers define FLAC__NO_DLL; the stack protector would need libssp.
  cmake_lib flac "$src" -DBUILD_SHARED_LIBS=OFF -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF \
    -DWITH_OGG=OFF -DWITH_STACK_PROTECTOR=OFF
  touch "$PREFIX/.stamp-flac"
fi

if [ ! -f "$PREFIX/.stamp-lame" ]; then
  src=$(fetch lame 'lame-*')
  say "building LAME in $src"
  (cd "$src" && ./configure --host="$HOST" CC="$CC" --enable-static --disable-shared \
     --disable-frontend --disable-decoder --disable-gtktest --prefix="$PREFIX" >/dev/null &&
   make -j"$JOBS" -C mpglib >/dev/null && make -j"$JOBS" -C libmp3lame >/dev/null)
  mkdir -p "$PREFIX/lib" "$PREFIX/include/lame"
  cp "$src/libmp3lame/.libs/libmp3lame.a" "$PREFIX/lib/"
  cp "$src/include/lame.h" "$PREFIX/include/lame/"
  touch "$PREFIX/.stamp-lame"
fi

say "libraries ready in $PREFIX"
