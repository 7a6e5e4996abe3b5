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
status=0
timeout -s INT "${DEMO_SECONDS:-5}" "$build/trailscan" "$@" || status=$?
# Stopped by the timeout's Ctrl-C counts as a normal end.
[ "$status" -eq 124 ] && status=0
exit "$status"
