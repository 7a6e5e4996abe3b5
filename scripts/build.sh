#!/usr/bin/env bash
# Configures and builds the standalone tree (standalone/) in build/ (or $BUILD_DIR); arguments go
# to the configure step, BUILD_TARGETS (space-separated) limits what is built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
source="$root/standalone"

# A build folder configured from another source folder (the repository root, before the
# standalone tree moved to standalone/) is reconfigured; its objects stay for ninja and ccache.
cache="$build/CMakeCache.txt"
if [ -f "$cache" ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$source" "$cache"; then
  rm -rf "$cache" "$build/CMakeFiles"
fi
generator=()
[ -f "$cache" ] || generator=(-G Ninja)
# Debian's ament tools want the system Python, not one earlier in PATH.
cmake -S "$source" -B "$build" "${generator[@]}" -DPython3_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
# A build folder inside a colcon workspace's src/ must not show colcon the copies it holds.
touch "$build/COLCON_IGNORE"
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
