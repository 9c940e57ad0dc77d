#!/usr/bin/env bash
# Runs ctest for an already built tree inside the Wine/Xvfb environment.
#   tools/ctest.sh [ctest arguments...]     (BUILD_DIR defaults to build/debug)
#   GIFT_ARCH=i686 BUILD_DIR=build/debug32 tools/ctest.sh   (32-bit Wine)
#   tools/ctest.sh -C long -R sound_second_play   (the song twice, minutes)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(realpath -m "${BUILD_DIR:-$root/build/debug}")
source "$root/tools/wine-env.sh"
gift_wine_prefix

if [ -z "${DISPLAY:-}" ] && [ -z "${GIFT_IN_XVFB:-}" ]; then
  export GIFT_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$0" "$@"
fi

# Activation, focus and which window is in front behave as on a desktop only
# under a window manager: the suite's own Xvfb gets openbox (a display of the
# user's own has its window manager already). GIFT_NO_WINDOW_MANAGER=1 runs
# without it (to compare).
wm_pid=
if [ -n "${GIFT_IN_XVFB:-}" ] && [ -z "${GIFT_NO_WINDOW_MANAGER:-}" ] &&
  command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  sleep 0.5
fi

# A warm, persistent wine server: otherwise each test waits ~2.5 s for the
# server to time out while it holds ctest's output pipe.
"$GIFT_WINESERVER" -p || true  # already running for this prefix
"$GIFT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
# A failing test runs once more: now and then a Wine process ends before it
# starts (no output at all, 10 ms) while the same test passes hundreds of
# times in a row; a real fault fails both times.
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 --repeat until-pass:2 "$@" ||
  status=$?
"$GIFT_WINESERVER" -k || true
if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
exit $status
