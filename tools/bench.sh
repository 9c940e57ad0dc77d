#!/usr/bin/env bash
# Installs what is missing, builds the release benchmarks and the gift, runs
# every benchmark under Wine (inside Xvfb when there is no display) and prints
# one Markdown table: per figure its median, min, max (and p99 where a goal
# asks for it), unit, goal and whether the goal is met.
#   tools/bench.sh [benchmark names...]   (default: all; BUILD_DIR defaults to build/release)
# Each benchmark's own output goes to $BUILD_DIR/bench-results/<name>.txt and
# the table also to $BUILD_DIR/bench-results/table.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(realpath -m "${BUILD_DIR:-$root/build/release}")
export BUILD_DIR

# name and arguments of each benchmark, in the table's order; sized so the
# whole run takes a few minutes on an idle 2-core machine.
ALL=(
  "startup 7"
  "host_render 40"
  "button_crossfade 400"
  "edit_keystroke 200"
  "skin_fireworks 300"
  "runtime_music 5"
  "runtime_draw 2000"
  "fireworks_memory 3 6"
  "idle_cpu 20"
  "idle_song 20"
  "song_floor 20"
  "maker 3"
  "resample 10"
  "startup@144 7"
  "host_render@144 40"
  "edit_keystroke@144 200"
  "skin_fireworks@144 300"
  "fireworks_memory@144 3 6"
)

# The program that runs a benchmark: idle_song is idle_cpu on the start window
# alone, with the song playing into a sound device (see below); song_floor is
# idle_cpu playing silence into the same device, without the gift.
# NAME@DPI is NAME run with the prefix's LogPixels at DPI (read at process
# start), its figures marked with the DPI.
program_of() {
  case "$1" in
    idle_song | song_floor) echo idle_cpu ;;
    *@*) echo "${1%@*}" ;;
    *) echo "$1" ;;
  esac
}
dpi_keys=('HKCU\Control Panel\Desktop'
  'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts')
set_dpi() {
  local key
  for key in "${dpi_keys[@]}"; do
    if [ -n "$1" ]; then
      "$GIFT_WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
    else
      "$GIFT_WINE" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 </dev/null || true
    fi
  done
}
selected=()
if [ $# -eq 0 ]; then
  selected=("${ALL[@]}")
else
  for want in "$@"; do
    found=
    for entry in "${ALL[@]}"; do
      if [ "${entry%% *}" = "$want" ]; then selected+=("$entry"); found=1; fi
    done
    [ -n "$found" ] || { echo "[bench] no benchmark named $want" >&2; exit 2; }
  done
fi

if [ -z "${GIFT_BENCH_BUILT:-}" ]; then
  "$root/tools/setup.sh"
  cd "$root"
  cmake --preset release -B "$BUILD_DIR" >/dev/null
  targets=(gift)
  for entry in "${selected[@]}"; do targets+=("bench_$(program_of "${entry%% *}")"); done
  cmake --build "$BUILD_DIR" -j2 --target "${targets[@]}"
  export GIFT_BENCH_BUILT=1
fi

# shellcheck source=tools/wine-env.sh
source "$root/tools/wine-env.sh"
gift_wine_prefix
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$0" "$@"
fi

# A warm wine server for the whole run: each process then starts in tens of
# milliseconds instead of paying for a server start of its own.
"$GIFT_WINESERVER" -p || true
"$GIFT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
trap '"$GIFT_WINESERVER" -k >/dev/null 2>&1 || true' EXIT

loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)
results="$BUILD_DIR/bench-results"
mkdir -p "$results"
figures="$results/figures.tsv"
: >"$figures"
failed=0
for entry in "${selected[@]}"; do
  read -r name args <<<"$entry"
  log="$results/$name.txt"
  echo "[bench] $name $args" >&2
  start=$SECONDS
  status=0
  if [ "$name" = idle_song ] || [ "$name" = song_floor ]; then
    mode=--start-only
    [ "$name" = song_floor ] && mode=--sound-floor
    # Wine's ALSA driver on, writing into ALSA's file plugin over its null
    # device: the song really plays, only faster than real time (the null
    # device never waits), and the benchmark reads the pace from the file.
    capture="$results/song-capture"
    mkdir -p "$capture"
    # The captured sound goes to memory where there is a tmpfs: writing it
    # back to a disk is the measuring's cost, not the program's.
    raw="$capture/song.raw"
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then raw="/dev/shm/gift-song-$$.raw"; fi
    printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
      "$raw" >"$capture/.asoundrc"
    rm -f "$raw"
    # shellcheck disable=SC2086  # the arguments are words
    HOME="$capture" WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d" \
      GIFT_SONG_CAPTURE="$raw" \
      timeout 600 "$GIFT_WINE" "$BUILD_DIR/bench/bench_idle_cpu.exe" "$mode" $args \
      </dev/null >"$log" 2>&1 || status=$?
    rm -f "$raw"
  elif [[ $name == *@* ]]; then
    dpi=${name#*@}
    set_dpi "$dpi"
    # shellcheck disable=SC2086  # the arguments are words
    timeout 600 "$GIFT_WINE" "$BUILD_DIR/bench/bench_$(program_of "$name").exe" $args \
      </dev/null >"$log.raw" 2>&1 || status=$?
    set_dpi ""
    # Each figure's key and label carry the DPI.
    sed -E "s/^FIGURE\t([^\t]*)\t( *)([^\t]*)/FIGURE\t\1@$dpi\t\2\3 ($dpi DPI)/" "$log.raw" >"$log"
    rm -f "$log.raw"
  else
    # shellcheck disable=SC2086  # the arguments are words
    timeout 600 "$GIFT_WINE" "$BUILD_DIR/bench/bench_$name.exe" $args </dev/null >"$log" 2>&1 ||
      status=$?
  fi
  echo "[bench] $name: $((SECONDS - start)) s, exit $status, output in $log" >&2
  if [ $status -ne 0 ] || ! grep -q $'^FIGURE\t' "$log"; then
    printf 'FIGURE\t%s\t%s: failed (exit %s), see %s\t\t\t\t\t\t\n' \
      "$name" "$name" "$status" "$log" >>"$figures"
    failed=1
    continue
  fi
  grep $'^FIGURE\t' "$log" | tr -d '\r' >>"$figures"
done

load=$(cut -d' ' -f1-3 /proc/loadavg)
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
{
  echo "Benchmarks of $commit, release x86_64 build under Wine $("$GIFT_WINE" --version 2>/dev/null)" \
    "in Xvfb; $(nproc) cores, load average $loadBefore at the start and $load at the end."
  echo "Wall-clock figures grow with the machine's load: take them on an idle machine."
  echo
  echo "| Figure | Median | Min | Max | p99 | Unit | Goal | Met |"
  echo "|---|---:|---:|---:|---:|---|---|---|"
  awk -F'\t' '
    function cell(v) { return v == "" ? "—" : v }
    function what(w) { return sub(/^  /, "", w) ? "↳ " w : w }
    function pretty(g) { gsub(/<=/, "≤", g); gsub(/>=/, "≥", g); return g }
    {
      median = $4; p99 = $7; goal = $9; met = "—"
      if (goal != "" && median != "") {
        value = median
        rule = goal
        if (rule ~ /^p99 /) { value = p99; sub(/^p99 /, "", rule) }
        split(rule, part, " ")
        if (part[1] == "<=") met = (value + 0 <= part[2] + 0) ? "yes" : "**no**"
        else if (part[1] == ">=") met = (value + 0 >= part[2] + 0) ? "yes" : "**no**"
      }
      printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", what($3), cell(median), cell($5),
             cell($6), cell(p99), cell($8), cell(pretty(goal)), met
    }' "$figures"
} | tee "$results/table.md"
exit $failed
