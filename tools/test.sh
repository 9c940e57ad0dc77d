#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine and Xvfb.
# The x86_64 build's suite runs on every machine, and the i686 test build is
# compiled on every machine. Where the machine executes 32-bit code (probed
# with a tiny 32-bit program, never guessed) and 32-bit Wine can be installed
# without removing or downgrading anything, the i686 build's suite runs too,
# in a prefix of its own, and the shipped gift.exe is started once; elsewhere
# one line says why not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cd "$root"

# Succeeds when a static i386 Linux program runs here; otherwise prints why.
runs_32bit_code() {
  local dir="$root/build/probe32" out status=0
  rm -rf "$dir"
  mkdir -p "$dir"
  cat >"$dir/exit32.s" <<'ASM'
.globl _start
_start:
  movl $1, %eax   # exit(32)
  movl $32, %ebx
  int $0x80
ASM
  if ! as --32 -o "$dir/exit32.o" "$dir/exit32.s" >/dev/null 2>&1 ||
    ! ld -m elf_i386 -o "$dir/exit32" "$dir/exit32.o" >/dev/null 2>&1; then
    echo "binutils cannot make a 32-bit probe program here"
    return 1
  fi
  out=$("$dir/exit32" 2>&1) || status=$?
  rm -rf "$dir"
  [ "$status" -eq 32 ] && return 0
  echo "this machine does not execute 32-bit code (${out##*: })"
  return 1
}

cmake --preset win32 >/dev/null
cmake --build --preset win32
"$root/tools/check-exe.sh" build/win32/gift.exe

cmake --preset debug >/dev/null
cmake --build --preset debug
# The i686 test build is compiled on every machine: it catches calling
# conventions and 32-bit types that the x86_64 build accepts. Only running it
# depends on the machine.
cmake --preset debug32 >/dev/null
started=$SECONDS
cmake --build --preset debug32
echo "[test] i686 test build compiled in $((SECONDS - started)) s"

run32=""
if why=$(runs_32bit_code) && why=$("$root/tools/setup.sh" --wine32); then
  run32=1
else
  echo "[test] i686 suite and start of the shipped gift.exe skipped: $why"
fi

status=0
echo "[test] x86_64 suite (64-bit Wine)"
"$root/tools/ctest.sh" || status=1

if [ -n "$run32" ]; then
  echo "[test] i686 suite (32-bit Wine)"
  GIFT_ARCH=i686 BUILD_DIR="$root/build/debug32" "$root/tools/ctest.sh" || status=1
  echo "[test] the shipped gift.exe under 32-bit Wine"
  GIFT_ARCH=i686 BUILD_DIR="$root/build/debug32" "$root/tools/smoke.sh" build/win32/gift.exe ||
    status=1
fi
exit $status
