#!/usr/bin/env bash
# Installs what is missing, builds the soak in release mode and runs it under
# Wine on a fresh Xvfb screen: the gift's start window, the fireworks page for
# 10,000 frames, every other page opened and closed 50 times, with private
# memory, GDI and USER objects printed as a series. Exits non-zero when they
# do not stay flat after the warm-up. Takes a few minutes.
#   tools/soak.sh [fireworks frames] [openings per page]
#   (BUILD_DIR defaults to build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(realpath -m "${BUILD_DIR:-$root/build/release}")
"$root/tools/setup.sh"
cd "$root"
cmake --preset release -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target bench_soak
source "$root/tools/wine-env.sh"
gift_wine_prefix
# The start window writes the song beside the program: a folder of its own.
run_dir="$BUILD_DIR/soak"
mkdir -p "$run_dir"
cp "$BUILD_DIR/bench/bench_soak.exe" "$run_dir/bench_soak.exe"
# Always a screen of its own, of a known size: the pages cover the screen.
exec xvfb-run -a -s "-screen 0 1366x768x24" "$GIFT_WINE" "$run_dir/bench_soak.exe" "$@"
