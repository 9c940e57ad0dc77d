#!/usr/bin/env bash
# Installs what the content generator needs on Debian 12 (as root). Building
# the gift does not need it: the generated content is committed.
#   tools/content/setup.sh && python3 tools/content/generate.py
set -euo pipefail

PACKAGES=(python3 python3-pil python3-numpy sox lame gifsicle)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "[content setup] installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
