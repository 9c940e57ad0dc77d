#!/usr/bin/env bash
# Checks what only the shipped PE32 can get wrong and no test under 64-bit Wine
# sees: a GUI executable for i386, large-address-aware, with a subsystem
# version Windows 7 loads, importing only system DLLs and only functions that
# Windows 7 has (tools/win7-imports.txt; newer ones are looked up at run time).
set -euo pipefail
exe=${1:?usage: check-exe.sh gift.exe}
objdump=i686-w64-mingw32-objdump
fmt=$($objdump -f "$exe" | sed -n 's/.*file format //p')
[ "$fmt" = "pei-i386" ] || { echo "[check-exe] $exe is $fmt, not pei-i386" >&2; exit 1; }
headers=$($objdump -p "$exe")
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  { echo "[check-exe] $exe is not a GUI-subsystem program" >&2; exit 1; }
system='^(kernel32|user32|gdi32|gdiplus|ole32|oleaut32|comctl32|imm32|winmm|shell32|dwmapi|msimg32|shlwapi|psapi|advapi32|msvcrt|comdlg32|uxtheme|version|imagehlp)\.dll$'
bad=$(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | grep -Ev "$system" || true)
if [ -n "$bad" ]; then
  echo "[check-exe] $exe imports non-system DLLs: $bad" >&2
  exit 1
fi
grep -q 'large address aware' <<<"$headers" ||
  { echo "[check-exe] $exe is not large-address-aware (link with --large-address-aware)" >&2; exit 1; }
major=$(sed -n 's/^MajorSubsystemVersion[[:space:]]*//p' <<<"$headers")
minor=$(sed -n 's/^MinorSubsystemVersion[[:space:]]*//p' <<<"$headers")
if [ -z "$major" ] || [ $((major * 100 + minor)) -gt 601 ]; then
  echo "[check-exe] $exe asks for subsystem version $major.$minor; Windows 7 is 6.1" >&2
  exit 1
fi
# "dll function" for every import by name.
imports=$(awk '/DLL Name:/ { dll = tolower($3); next }
  dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && $3 ~ /^[A-Za-z_]/ { print dll " " $3 }' \
  <<<"$headers" | sort -u)
known=$(dirname "$0")/win7-imports.txt
newer=$(comm -23 <(echo "$imports") <(grep -v '^#' "$known" | sort -u))
if [ -n "$newer" ]; then
  echo "[check-exe] $exe imports functions not in $known:" >&2
  while IFS= read -r each; do echo "  $each" >&2; done <<<"$newer"
  echo "[check-exe] add them there only if Windows 7 has them; otherwise look them up at run time" >&2
  exit 1
fi
echo "[check-exe] $exe: PE32 GUI, large-address-aware, subsystem $major.$minor," \
  "$(wc -l <<<"$imports") imports known on Windows 7 from" \
  "$(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
