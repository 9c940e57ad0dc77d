#!/usr/bin/env bash
# The 32-bit install's safety check on plans apt really prints: a clean
# multiarch install passes; a plan that makes room by removing wine64, or that
# takes an amd64 library back to the version the i386 index has, is refused
# with the names; and setup.sh --wine32 reports the refusal as its one line
# and exit 3, never installing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/apt-plan.sh
source "$here/../../tools/apt-plan.sh"
fail=0
expect() { # name verdict(0|1) expected-text plan
  local why status=0
  why=$(apt_plan_is_safe <<<"$4") || status=1
  if [ "$status" != "$2" ] || [[ "$why" != *"$3"* ]]; then
    echo "FAIL $1: status $status, said '$why'"
    fail=1
  fi
}
expect clean 0 "" "NOTE: This is only a simulation!
Inst libwine:i386 (8.0~repack-4 Debian:12.0/stable [i386])
Inst wine32:i386 (8.0~repack-4 Debian:12.0/stable [i386])
Conf libwine:i386 (8.0~repack-4 Debian:12.0/stable [i386])"
expect upgrade 0 "" "Inst libc6 [2.36-9+deb12u7] (2.36-9+deb12u9 Debian-Security:12/stable-security [amd64])"
expect removal 1 "remove: wine64 libwine" "Remv wine64 [8.0~repack-4]
Remv libwine [8.0~repack-4]
Inst wine32:i386 (8.0~repack-4 Debian:12.0/stable [i386])"
expect downgrade 1 "liblzma5 (5.4.1-1+deb12u2 → 5.4.1-1+deb12u1)" \
  "Inst liblzma5 [5.4.1-1+deb12u2] (5.4.1-1+deb12u1 Debian:12.0/stable [amd64])
Inst liblzma5:i386 (5.4.1-1+deb12u1 Debian:12.0/stable [i386])"

plan=$(mktemp)
trap 'rm -f "$plan"' EXIT
echo "Remv wine64 [8.0~repack-4]" >"$plan"
status=0
said=$(GIFT_APT_PLAN=$plan "$here/../../tools/setup.sh" --wine32 2>/dev/null) || status=$?
if [ "$status" != 3 ] || [ "$said" != "32-bit Wine was not installed: installing it would remove: wine64" ]; then
  echo "FAIL setup.sh --wine32: exit $status, said '$said'"
  fail=1
fi
[ "$fail" = 0 ] && echo "apt plan checks: all five as expected"
exit $fail
