#!/usr/bin/env bash
# Installs what is missing, builds Quorvel, installs the Fcitx5 addon where
# Fcitx5 is present, and shows the engine at work through the quorvel tool.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/install-deps.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)"

if pkg-config --exists Fcitx5Core 2>/dev/null; then
  scripts/install-addon.sh build/release
fi

quorvel=build/release/tools/quorvel
echo
echo "Quorvel on its built-in defaults:"
for line in "Tieengs Vieetj" "Xin chaof cacs banj" "hello world"; do
  printf '  %-22s -> %s\n' "$line" "$(printf '%s' "$line" | "$quorvel" type)"
done
printf '  %-22s -> %s\n' "(vni) Tie61ng Vie65t" "$(printf 'Tie61ng Vie65t' | "$quorvel" type --input-method vni)"
printf '  %-22s -> %s\n' "(to VIQR) Viet Nam" "$( printf 'Việt Nam' | "$quorvel" convert --from unicode --to viqr)"
echo "Try it yourself: $quorvel type   (Ctrl-D quits; $quorvel --help lists every command)"
