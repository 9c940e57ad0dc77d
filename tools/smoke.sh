#!/usr/bin/env bash
# Starts a built gift.exe once under Wine on a screen of its own, as a
# recipient would: its start window must appear showing its photograph, and
# closing that window must end the program cleanly (exit code 0).
#   tools/smoke.sh EXE
# BUILD_DIR names the build whose Wine prefix is used (created when missing);
# GIFT_ARCH (x86_64 or i686) picks 64-bit or 32-bit Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:?usage: smoke.sh gift.exe}")
BUILD_DIR=$(realpath -m "${BUILD_DIR:-$root/build/debug}")
export BUILD_DIR
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"

log() { echo "[smoke] $*" >&2; }

if [ -z "${GIFT_SMOKE_SCREEN:-}" ]; then
  gift_wine_prefix
  export GIFT_SMOKE_SCREEN=1
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$0" "$exe"
fi

tmp=$(mktemp -d)
gift_pid=""
cleanup() {
  if [ -n "$gift_pid" ]; then kill "$gift_pid" 2>/dev/null || true; fi
  "$GIFT_WINESERVER" -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

"$GIFT_WINESERVER" -p || true
"$GIFT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

# The gift writes its song beside itself: a copy in a folder of its own.
cp "$exe" "$tmp/gift.exe"
(cd "$tmp" && exec "$GIFT_WINE" ./gift.exe </dev/null >"$tmp/gift.log" 2>&1) &
gift_pid=$!

window=""
for ((i = 0; i < 240; i++)); do
  window=$(xdotool search --onlyvisible --name '^七夕快乐$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$gift_pid" 2>/dev/null || { log "gift.exe ended before its window appeared"; exit 1; }
  sleep 0.25
done
[ -n "$window" ] || { log "the start window did not appear within 60 s"; exit 1; }

# A photograph has thousands of colours; an empty or black window a handful.
sleep 2
# shellcheck disable=SC2034  # SCREEN and WINDOW are set by the eval, not needed
eval "$(xdotool getwindowgeometry --shell "$window")"
colours=$(import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage png:- |
  identify -format '%k' -)
log "start window ${WIDTH}x${HEIGHT} at ${X},${Y} shows $colours colours"
if [ "$colours" -lt 1000 ]; then
  log "the start window shows no photograph"
  exit 1
fi

# Close it as a window manager's close does: WM_DELETE_WINDOW.
python3 - "$window" <<'PY'
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11"))
P, U, I = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int
x.XOpenDisplay.restype, x.XOpenDisplay.argtypes = P, [ctypes.c_char_p]
x.XInternAtom.restype, x.XInternAtom.argtypes = U, [P, ctypes.c_char_p, I]
x.XSendEvent.argtypes = [P, U, I, ctypes.c_long, P]
x.XFlush.argtypes = x.XCloseDisplay.argtypes = [P]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", I), ("serial", U), ("send_event", I), ("display", P),
                ("window", U), ("message_type", U), ("format", I), ("l", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
window = int(sys.argv[1])
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = window
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, window, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY

for ((i = 0; i < 80; i++)); do
  kill -0 "$gift_pid" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$gift_pid" 2>/dev/null; then
  log "gift.exe still runs 20 s after its start window was closed"
  exit 1
fi
status=0
wait "$gift_pid" || status=$?
gift_pid=""
if [ "$status" -ne 0 ]; then
  log "gift.exe ended with exit code $status"
  exit 1
fi
log "$(basename "$exe") started, showed its photograph and closed cleanly"
