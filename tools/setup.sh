#!/usr/bin/env bash
# Installs what building and running the gift needs on Debian 12 (as root),
# then the cross-built third-party libraries. Quick when all is there.
#   tools/setup.sh            the x86_64 tool chain, 64-bit Wine, fonts, ALSA
#   tools/setup.sh --wine32   32-bit Wine as well (only where 32-bit code runs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tools/apt-plan.sh
source "$here/apt-plan.sh"
export DEBIAN_FRONTEND=noninteractive

# Installed for this machine's own architecture (or for all): named with the
# architecture, since a bare name is ambiguous once an i386 twin is installed.
native_installed() {
  dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' "$1" 2>/dev/null |
    grep -Eq '^(amd64|all) installed$'
}

# An index that failed to download (often the i386 one of a mirror being
# synced) must not stop the set-up: what the install needs is judged by the
# install itself.
update_indexes() {
  apt-get update -q || echo "[setup] apt-get update reported errors; going on with the indexes that arrived"
}

if [ "${1:-}" = --wine32 ]; then
  # Exits 0 when 32-bit Wine is there; otherwise 3 with the reason as its one
  # line on standard output (apt's own output goes to standard error). Never removes or downgrades a package the 64-bit suite needs: the
  # plan is simulated first and refused if it would. GIFT_APT_PLAN names a
  # file holding a simulated plan (a seam for trying the refusal).
  if [ -z "${GIFT_APT_PLAN:-}" ] &&
    dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null | grep -qx installed; then
    exit 0
  fi
  echo "[setup] installing wine32:i386" >&2
  if [ -n "${GIFT_APT_PLAN:-}" ]; then
    plan=$(cat "$GIFT_APT_PLAN")
  else
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    update_indexes >&2
    if ! plan=$(apt-get -s install -q --no-install-recommends wine32:i386 2>&1); then
      echo "32-bit Wine cannot be installed: $(grep -E '^E:' <<<"$plan" | tail -n 1)"
      exit 3
    fi
  fi
  if ! why=$(apt_plan_is_safe <<<"$plan"); then
    echo "32-bit Wine was not installed: $why"
    exit 3
  fi
  [ -n "${GIFT_APT_PLAN:-}" ] && exit 0
  if ! apt-get install -y -q --no-install-recommends wine32:i386 >&2; then
    echo "32-bit Wine could not be installed (apt-get install failed)"
    exit 3
  fi
  exit 0
fi

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  cmake ninja-build nasm make python3 googletest
  wine wine64 xvfb xauth xdotool openbox imagemagick xcompmgr libasound2 binutils gifsicle
  fonts-wqy-zenhei fonts-wine fonts-dejavu
)

missing=()
for p in "${PACKAGES[@]}"; do
  native_installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "[setup] installing: ${missing[*]}"
  update_indexes
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

"$here/deps.sh" x86_64
"$here/deps.sh" i686
