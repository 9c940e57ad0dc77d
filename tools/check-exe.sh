#!/usr/bin/env bash
# Checks that the shipped program is a PE32 GUI executable for i386 that
# imports only DLLs every Windows 7 to 11 machine has.
set -euo pipefail
exe=${1:?usage: check-exe.sh gift.exe}
objdump=i686-w64-mingw32-objdump
fmt=$($objdump -f "$exe" | sed -n 's/.*file format //p')
[ "$fmt" = "pei-i386" ] || { echo "[check-exe] $exe is $fmt, not pei-i386" >&2; exit 1; }
headers=$($objdump -p "$exe")
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  { echo "[check-exe] $exe is not a GUI-subsystem program" >&2; exit 1; }
system='^(kernel32|user32|gdi32|gdiplus|ole32|oleaut32|comctl32|imm32|winmm|shell32|dwmapi|msimg32|shlwapi|psapi|advapi32|msvcrt|comdlg32|uxtheme|version)\.dll$'
bad=$(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | grep -Ev "$system" || true)
if [ -n "$bad" ]; then
  echo "[check-exe] $exe imports non-system DLLs: $bad" >&2
  exit 1
fi
echo "[check-exe] $exe: PE32 GUI, imports $(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
