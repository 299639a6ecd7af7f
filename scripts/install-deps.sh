#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quorvel need,
# skipping those already present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libicu-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  hunspell-vi
  libfcitx5core-dev libfcitx5utils-dev libfcitx5config-dev fcitx5-modules-dev
  gettext
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
