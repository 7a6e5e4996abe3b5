#!/usr/bin/env bash
# Sets up, builds and runs the main job on its built-in default: for now a short run of
# trailscan with its default parameters (it waits for the scanners' mounting transforms, which
# nothing publishes yet, and is stopped with Ctrl-C after DEMO_SECONDS, default 5).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export AMENT_PREFIX_PATH="$build/ament_prefix${AMENT_PREFIX_PATH:+:$AMENT_PREFIX_PATH}"
# Ctrl-C after DEMO_SECONDS; trailscan's own exit status is the script's.
exec timeout --preserve-status -s INT "${DEMO_SECONDS:-5}" "$build/trailscan" "$@"
