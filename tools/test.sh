#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine and Xvfb.
# Tests run in the x86_64 build (this machine executes no 32-bit code); the
# shipped i686 gift.exe is built and checked as well.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
cd "$root"
cmake --preset win32 >/dev/null
cmake --build --preset win32
"$root/tools/check-exe.sh" build/win32/gift.exe
cmake --preset debug >/dev/null
cmake --build --preset debug
exec "$root/tools/ctest.sh"
