#!/usr/bin/env bash
# Builds the release gift, runs it under Wine on a fresh Xvfb screen and
# drives it as a person would, with real X pointer moves and clicks
# (xdotool), saving screenshots of the start window, a hovered page button and
# each page at a moment that shows what it does, to docs/showcase/.
#   tools/showcase.sh [WIDTHxHEIGHT]    (BUILD_DIR defaults to build/release)
#   GIFT_DPI=144 tools/showcase.sh 1920x1080   (the display at 150 %)
# The screen is 1366x768 at 96 DPI unless given. On another size only the
# pictures whose layout follows the screen are kept (the big rose, a heart,
# the flower rows, the poem), named with the size:
# 06-rose-big-rose-1920x1080.png. At another DPI every picture is kept, named
# with the size and the scale: 01-start-window-1920x1080-150pct.png.
# Takes about five minutes after the build: the rose page's show, delay and
# flower rain run at their real pace, and its countdown ends the program, so
# it comes last. Fails (non-zero) when a page does not open or close as it
# should, or the countdown does not end the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(realpath -m "${BUILD_DIR:-$root/build/release}")
out=$(realpath -m "${SHOWCASE_DIR:-$root/docs/showcase}")
size=${1:-1366x768}
[[ $size =~ ^[1-9][0-9]{2,4}x[1-9][0-9]{2,4}$ ]] || {
  echo "usage: $0 [WIDTHxHEIGHT]" >&2
  exit 2
}
dpi=${GIFT_DPI:-96}
if ! [[ $dpi =~ ^[1-9][0-9]{1,2}$ ]] || [ "$dpi" -lt 96 ] || [ "$dpi" -gt 288 ]; then
  echo "GIFT_DPI must be 96 to 288" >&2
  exit 2
fi
suffix=""
[ "$size" != 1366x768 ] || [ "$dpi" != 96 ] && suffix="-$size"
[ "$dpi" != 96 ] && suffix+="-$((dpi * 100 / 96))pct"
run_dir="$BUILD_DIR/showcase$suffix"
export BUILD_DIR out run_dir GIFT_DPI=$dpi
# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"

log() { echo "[showcase] $*" >&2; }

# ---- outside the X server: install, build, prepare -------------------------
if [ -z "${GIFT_SHOWCASE_SCREEN:-}" ]; then
  "$root/tools/setup.sh"
  cd "$root"
  cmake --preset release -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" -j2 --target gift
  gift_wine_prefix
  gift_wine_dpi "$dpi"
  # The gift writes its song beside itself; run a copy in its own folder.
  rm -rf "$run_dir"
  mkdir -p "$run_dir" "$out"
  cp "$BUILD_DIR/gift.exe" "$run_dir/gift.exe"
  # Always a screen of our own, even with $DISPLAY set: the mouse is moved
  # and the whole screen photographed.
  export GIFT_SHOWCASE_SCREEN=1
  exec xvfb-run -a -s "-screen 0 ${size}x24" "$0" "$@"
fi
screen_w=${size%x*} screen_h=${size#*x}

# ---- inside Xvfb ------------------------------------------------------------
gift_wine_dpi "$dpi"  # the environment was set anew for this screen
tmp=$(mktemp -d)
gift_pid=""
ring_pid=""
comp_pid=""
cleanup() {
  if [ -n "$ring_pid" ]; then kill "$ring_pid" 2>/dev/null || true; fi
  if [ -n "$comp_pid" ]; then kill "$comp_pid" 2>/dev/null || true; fi
  if [ -n "$gift_pid" ]; then kill "$gift_pid" 2>/dev/null || true; fi
  "$GIFT_WINESERVER" -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# A desktop: a dark blue gradient as the root window's picture, named in
# _XROOTPMAP_ID so the compositor draws it too, kept after this client ends.
paint_desktop() {
  python3 - <<'PY'
import ctypes, ctypes.util
x = ctypes.CDLL(ctypes.util.find_library("X11"))
P, U, I = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int
def fn(name, res, *args):
    f = getattr(x, name)
    f.restype, f.argtypes = res, list(args)
    return f
d = fn("XOpenDisplay", P, ctypes.c_char_p)(None)
s = fn("XDefaultScreen", I, P)(d)
root = fn("XRootWindow", U, P, I)(d, s)
w, h = fn("XDisplayWidth", I, P, I)(d, s), fn("XDisplayHeight", I, P, I)(d, s)
depth = fn("XDefaultDepth", I, P, I)(d, s)
pixmap = fn("XCreatePixmap", U, P, U, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint)(d, root, w, h, depth)
gc = fn("XCreateGC", P, P, U, U, P)(d, pixmap, 0, None)
colour = fn("XSetForeground", I, P, P, U)
fill = fn("XFillRectangle", I, P, U, P, I, I, ctypes.c_uint, ctypes.c_uint)
top, bottom = (0x0B, 0x1A, 0x33), (0x2E, 0x4F, 0x80)
for y in range(0, h, 4):
    r, g, b = (int(a + (c - a) * y / h) for a, c in zip(top, bottom))
    colour(d, gc, (r << 16) | (g << 8) | b)
    fill(d, pixmap, gc, 0, y, w, 4)
atom = fn("XInternAtom", U, P, ctypes.c_char_p, I)
change = fn("XChangeProperty", I, P, U, U, U, I, I, P, I)
value = U(pixmap)
for name in (b"_XROOTPMAP_ID", b"ESETROOT_PMAP_ID"):
    change(d, root, atom(d, name, 0), 20, 32, 0, ctypes.byref(value), 1)  # XA_PIXMAP, replace
fn("XSetWindowBackgroundPixmap", I, P, U, U)(d, root, pixmap)
fn("XClearWindow", I, P, U)(d, root)
fn("XSetCloseDownMode", I, P, I)(d, 1)  # RetainPermanent
fn("XCloseDisplay", I, P)(d)
PY
}

# Saves a screen picture into $out/NAME.png, optionally cropped and scaled,
# as a compact 8-bit-palette PNG; extra arguments go to convert before that.
#   save FILE NAME [WxH+X+Y] [scale%] [convert options...]
save() {
  local raw=$1 name=$2 crop=${3:-} scale=${4:-100}
  shift 4 2>/dev/null || shift $#
  if [ -n "$suffix" ] && [ "$dpi" = 96 ]; then
    case $name in
      06-* | 07-* | 08-* | 04-*) name+=$suffix ;;
      *) return 0 ;;
    esac
  elif [ -n "$suffix" ]; then
    name+=$suffix
  fi
  local args=()
  [ -n "$crop" ] && args+=(-crop "$crop" +repage)
  args+=("$@")
  [ "$scale" != 100 ] && args+=(-resize "$scale%")
  convert "$raw" "${args[@]}" -strip +dither -colors 256 \
    -define png:compression-level=9 "PNG8:$out/$name.png"
  log "saved $name.png ($(du -k "$out/$name.png" | cut -f1) KB)"
}

# Photographs the screen now and saves it as above.
#   shot NAME [WxH+X+Y] [scale%] [convert options...]
shot() {
  import -window root "$tmp/$1.raw.png"
  save "$tmp/$1.raw.png" "$@"
}

# The X window of a top-level Wine window titled NAME, once it is shown;
# fails after `seconds` without one.
find_window() {
  local name=$1 seconds=${2:-30} id=""
  for ((i = 0; i < seconds * 4; i++)); do
    id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  return 1
}

# Waits until no window titled NAME is shown.
wait_gone() {
  local name=$1 seconds=$2
  for ((i = 0; i < seconds * 4; i++)); do
    [ -z "$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null)" ] && return 0
    sleep 0.25
  done
  return 1
}

# Sets X, Y, W, H to the window's place on the screen.
geometry() {
  # shellcheck disable=SC2034  # set by the eval, not needed
  local WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  W=$WIDTH H=$HEIGHT
}

# Real X input: the pointer travels there in a few steps, as a hand moves it,
# then presses and releases a button.
move_to() {
  local x=$1 y=$2
  xdotool mousemove --sync $((x - 40)) $((y + 30))
  sleep 0.1
  xdotool mousemove --sync $((x - 12)) $((y + 8))
  sleep 0.1
  xdotool mousemove --sync "$x" "$y"
}
click_at() {
  move_to "$1" "$2"
  sleep 0.3
  xdotool click "${3:-1}"
}

# Waits until the gift has ended; fails after `seconds`.
wait_exit() {
  for ((i = 0; i < $1 * 4; i++)); do
    kill -0 "$gift_pid" 2>/dev/null || return 0
    sleep 0.25
  done
  return 1
}

paint_desktop
# Per-pixel-translucent windows (the fireworks) need a compositor to be
# blended over what lies behind them, as on Windows; without one X shows
# their premultiplied pixels as they are, with black halos.
xcompmgr >/dev/null 2>&1 &
comp_pid=$!
"$GIFT_WINESERVER" -p || true
"$GIFT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
xdotool mousemove $((screen_w - 66)) $((screen_h - 68))

log "starting gift.exe"
(cd "$run_dir" && exec "$GIFT_WINE" ./gift.exe </dev/null >"$tmp/gift.log" 2>&1) &
gift_pid=$!

start=$(find_window "七夕快乐" 60) || { log "the start window did not appear"; exit 1; }
geometry "$start"
sx=$X sy=$Y sw=$W sh=$H
start_box="${sw}x${sh}+${sx}+${sy}"
log "start window at $start_box"
# The centres of the page buttons, from the start form's placeholders.
# Places in the window are units; on the screen they are units x DPI / 96.
units() { echo $((($1 * dpi + 48) / 96)); }
btn_x=(0 "$(units 64)" "$(units 182)" "$(units 302)" "$(units 419)")
btn_y=$(units 308)

# Clicks page button N and prints the window of the page titled TITLE; one
# more click if the first came while the start window was still busy.
open_page() {
  local n=$1 title=$2
  for _ in 1 2; do
    click_at $((sx + btn_x[n])) $((sy + btn_y))
    find_window "$title" 10 && return 0
  done
  log "the page $title did not open"
  return 1
}

# Let the photograph, the letter and the picture strip settle.
sleep 4
shot 01-start-window "$start_box"

# The pointer over "爱的烟花": the button lights up. Screen pictures leave the
# pointer out, so an arrow is drawn where it is.
hx=$((sx + btn_x[2])) hy=$((sy + btn_y))
move_to "$hx" "$hy"
sleep 1.5
row_h=$(units 130)
row_top=$((sy + sh - row_h))
ax=$((hx - sx)) ay=$((hy - row_top))
arrow="polygon $ax,$ay $ax,$((ay + 17)) $((ax + 4)),$((ay + 13)) $((ax + 7)),$((ay + 20))"
arrow+=" $((ax + 10)),$((ay + 19)) $((ax + 7)),$((ay + 12)) $((ax + 12)),$((ay + 12))"
shot 02-button-hover "${sw}x$row_h+$sx+$row_top" 100 -fill white -stroke black -draw "$arrow"

log "fireworks page"
page=$(open_page 2 "爱的烟花") || exit 1
sleep 2
geometry "$page"
# Of a few frames a quarter of a second apart, the brightest: the most sparks.
best="" best_mean=0
for k in 1 2 3 4 5 6 7 8; do
  import -window root "$tmp/fireworks-$k.png"
  mean=$(convert "$tmp/fireworks-$k.png" -crop "${W}x${H}+${X}+${Y}" -colorspace Gray \
    -format '%[fx:mean]' info:)
  if awk -v a="$mean" -v b="$best_mean" 'BEGIN { exit !(a > b) }'; then
    best=$k best_mean=$mean
  fi
  sleep 0.25
done
save "$tmp/fireworks-$best.png" 03-fireworks "${W}x${H}+${X}+${Y}" 75
# The right button anywhere on the page closes it.
click_at $((X + W / 2)) $((Y + H / 2)) 3
wait_gone "爱的烟花" 20 || { log "the fireworks page did not close"; exit 1; }
sleep 1

log "words page"
open_page 3 "想说的话" >/dev/null || exit 1
# The poem climbs from the bottom of the screen, 5 pixels every 100 ms, over
# the desktop (the start window steps aside): photograph it once its title
# is near the top, whatever the pace of the machine.
for ((i = 0; ; i++)); do
  ((i < 120)) || { log "the poem did not reach the top of the screen"; exit 1; }
  import -window root "$tmp/poem.png"
  # The poem's letters are pink, the desktop blue: the top of what is red.
  top=$(convert "$tmp/poem.png" -sample 25% -channel R -separate +channel -threshold 50% \
    -format '%@' info: 2>/dev/null | sed -E 's/.*\+([0-9]+)$/\1/')
  # In quarter pixels: the title within 200 pixels of the top, all in view.
  [ -n "$top" ] && [ "$top" -gt 0 ] && [ "$top" -lt 50 ] && break
  sleep 0.2
done
# The poem's panel is 616 wide and centred; its lines start 112 in.
save "$tmp/poem.png" 04-poem-scrolling "440x${screen_h}+$(((screen_w - 616) / 2 + 75))+0" 75
# It closes itself once the poem has left the screen; the start window returns.
find_window "七夕快乐" 120 >/dev/null || { log "the start window did not come back"; exit 1; }
sleep 2

log "second letter"
click_at $((sx + btn_x[4])) $((sy + btn_y))
sleep 2
shot 05-second-letter "$start_box"

log "rose page (about three minutes: the show, the delay, the rain, the end)"
open_page 1 "玫瑰盛宴" >/dev/null || exit 1
opened=$(date +%s)
sleep 2
shot 06-rose-big-rose "" 50
sleep 9.5
shot 07-rose-heart "" 50

# From here until the countdown ends the program the screen is photographed
# in a ring, so the later moments can be chosen afterwards by their distance
# from the end, whatever the pace of the machine.
mkdir -p "$tmp/ring"
(
  i=0
  while kill -0 "$gift_pid" 2>/dev/null; do
    slot=$((i % 250))
    import -window root -quality 92 "$tmp/ring/$slot.jpg" 2>/dev/null || break
    echo "$slot $(date +%s%N)" >>"$tmp/ring/index"
    i=$((i + 1))
    sleep 0.4
  done
) &
ring_pid=$!
wait_exit 600 || { log "the countdown did not end the program"; exit 1; }
ended=$(date +%s%N)
wait "$ring_pid" 2>/dev/null || true
ring_pid=""
gift_pid=""
log "the program ended $(($(date +%s) - opened)) s after the rose page opened"

# The photograph taken `seconds` before the end (the oldest kept if none).
before_end() {
  awk -v t=$((ended - $1 * 1000000000)) 'NR == 1 { s = $1 } $2 <= t { s = $1 } END { print s }' \
    "$tmp/ring/index"
}
# The rain falls for about 55 s just before the end, after 30 s of delay in
# which the flower rows stand over the frozen show. The countdown line itself
# is never on the screen: the first countdown tick shows it and ends the
# program in the same breath.
save "$tmp/ring/$(before_end 75).jpg" 08-rose-flower-rows "" 50
save "$tmp/ring/$(before_end 45).jpg" 09-rose-flower-rain "" 50
log "screenshots in $out"
