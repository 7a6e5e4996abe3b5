#!/usr/bin/env bash
# Configures and builds the standalone tree in build/ (or $BUILD_DIR); arguments go to the
# configure step, BUILD_TARGETS (space-separated) limits what is built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
# Debian's ament tools want the system Python, not one earlier in PATH.
cmake -S "$root" -B "$build" "${generator[@]}" -DPython3_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
