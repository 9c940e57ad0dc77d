#!/usr/bin/env bash
# Installs what is missing, builds, and runs the gift under Wine: on $DISPLAY
# when there is one, otherwise under Xvfb, saving a screenshot of the screen
# every few seconds to build/release/screenshots/ for a person to look at.
#   tools/run.sh [seconds to run without a display, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target gift
BUILD_DIR="$root/build/release"
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
gift_wine_prefix
# The gift writes its song beside itself; run a copy in its own folder.
mkdir -p "$BUILD_DIR/run"
cp "$BUILD_DIR/gift.exe" "$BUILD_DIR/run/gift.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec "$GIFT_WINE" "$BUILD_DIR/run/gift.exe"
fi
seconds=${1:-60}
shots="$BUILD_DIR/screenshots"
mkdir -p "$shots"
export seconds shots GIFT_WINE BUILD_DIR
# shellcheck disable=SC2016  # the script expands its variables itself
xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
  "$GIFT_WINE" "$BUILD_DIR/run/gift.exe" &
  pid=$!
  for ((t = 0; t < seconds; t += 3)); do
    sleep 3
    kill -0 $pid 2>/dev/null || break
    import -window root "$shots/screen-$(printf %03d $t).png" 2>/dev/null || true
  done
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
'
echo "[run] screenshots in $shots"
