#!/usr/bin/env bash
# Builds the Quorvel Fcitx5 addon and installs it where Fcitx5 looks for
# addons (with sudo when not root), then restarts a running Fcitx5 so that it
# loads the new library.
#
#   scripts/install-addon.sh [build-dir]     (default: build/release)
#
# DESTDIR is honoured, for packaging or a trial install.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build="${1:-build/release}"

if ! pkg-config --exists Fcitx5Core 2>/dev/null; then
  echo "install-addon: Fcitx5 development files not found; skipping the addon"
  exit 0
fi

# Fcitx5 only looks in its own prefix, so the addon's files follow its paths
# whatever prefix the rest of the build uses.
args=(-DQUORVEL_BUILD_FCITX5=ON -DFCITX_INSTALL_USE_FCITX_SYS_PATHS=ON)
if [ ! -f "$build/CMakeCache.txt" ]; then
  args+=(-DCMAKE_BUILD_TYPE=Release)
fi
cmake -S . -B "$build" "${args[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target quorvel

sudo=()
if [ "$(id -u)" -ne 0 ] && [ -z "${DESTDIR:-}" ]; then
  sudo=(sudo)
fi
"${sudo[@]}" env ${DESTDIR:+DESTDIR="$DESTDIR"} cmake --install "$build" --component fcitx5

if [ -z "${DESTDIR:-}" ] && pgrep -u "$(id -u)" -x fcitx5 >/dev/null 2>&1; then
  echo "install-addon: restarting Fcitx5"
  nohup fcitx5 -r -d >/dev/null 2>&1 || echo "install-addon: could not restart Fcitx5; restart it by hand"
fi
echo "install-addon: Quorvel installed; add it in fcitx5-configtool (Input Method tab)"
