# shellcheck shell=bash
# Sourced by the run and test scripts: a project-local Wine prefix that behaves
# like a Chinese Windows (CJK fonts and the usual font substitutes), no sound
# drivers, no debug chatter. Expects BUILD_DIR to be set. GIFT_ARCH picks the
# Wine: x86_64 (the default; every machine here runs it) or i686 (32-bit Wine,
# wine32:i386, in a 32-bit prefix of its own; only where 32-bit code runs).
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
if [ "${GIFT_ARCH:-x86_64}" = i686 ]; then
  export WINEARCH=win32
  GIFT_WINE=/usr/lib/wine/wine
else
  export WINEARCH=win64
  GIFT_WINE=/usr/lib/wine/wine64
fi
# The 64-bit server serves 32-bit processes too; wine32 alone brings its own.
GIFT_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$GIFT_WINESERVER" ] || GIFT_WINESERVER=/usr/lib/wine/wineserver32
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"

gift_wine_prefix() {
  if [ -f "$WINEPREFIX/.gift-ready-2" ]; then return 0; fi
  echo "[wine] creating prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$GIFT_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  while IFS='=' read -r from to; do
    LANG=C.UTF-8 "$GIFT_WINE" reg add "$key" /v "$from" /t REG_SZ /d "$to" /f >/dev/null 2>&1 </dev/null
  done <<'SUBST'
宋体=WenQuanYi Zen Hei
SimSun=WenQuanYi Zen Hei
微软雅黑=WenQuanYi Zen Hei
Microsoft YaHei=WenQuanYi Zen Hei
Microsoft Sans Serif=DejaVu Sans
Times New Roman=DejaVu Serif
Courier New=DejaVu Sans Mono
SUBST
  # Without a window manager Wine waits 2 s whenever an unmanaged window is
  # hidden or destroyed; unmanaged windows avoid it.
  "$GIFT_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 </dev/null
  "$GIFT_WINESERVER" -w
  touch "$WINEPREFIX/.gift-ready-2"
}

# Switches to a copy of the prefix whose display runs at DPI (96 = 100 %,
# 144 = 150 %, 192 = 200 %): Wine reads LogPixels when a process starts and
# gives that DPI to every process of the prefix. 96 keeps the prefix as it is.
gift_wine_dpi() {
  local dpi=$1 base=$WINEPREFIX
  [ "$dpi" = 96 ] && return 0
  export WINEPREFIX="$base-dpi$dpi"
  [ -f "$WINEPREFIX/.gift-ready-2" ] && return 0
  echo "[wine] prefix at $dpi DPI: $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  cp -a "$base" "$WINEPREFIX"
  rm -f "$WINEPREFIX/.gift-ready-2"
  local key
  for key in 'HKCU\Control Panel\Desktop' \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$GIFT_WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  done
  "$GIFT_WINESERVER" -w
  touch "$WINEPREFIX/.gift-ready-2"
}

# Runs a command with a display: the current one, or a fresh Xvfb.
gift_with_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1366x768x24" "$@"
  fi
}
