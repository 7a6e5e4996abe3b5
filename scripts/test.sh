#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
