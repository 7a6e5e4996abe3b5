#!/usr/bin/env bash
# Sets up, builds what the demo needs and runs it: a built-in scenario (default "crowded_room")
# simulated with a class of real scanner (default lidar_768_7p5hz: the only class with real
# recordings behind its profile, and the slowest common one, so the demo does not flatter), run
# through trailscan and trailmerge with that scanner's profile, and scored against the
# simulation's ground truth: a few plain lines, then the full table on the terminal, and
# pictures in demo_output/. Arguments go to the demo (--scenario NAME, --scanner MODEL|built_in,
# --seed N, --detector closed|geometric|both, --profile NAME|none, --out DIR); --scanner built_in
# is the simulator's idealised scanner with the default parameters. The nodes' log goes to
# <out>/demo.log.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

out="$root/demo_output"
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[$i]}" != "--out" ] || out="${args[$((i + 1))]:-$out}"
done

"$root/scripts/setup.sh"
mkdir -p "$out"
echo "demo: building (the first build takes a few minutes; log in $out/build.log)"
if ! BUILD_TARGETS=quillon_demo "$root/scripts/build.sh" >"$out/build.log" 2>&1; then
  cat "$out/build.log" >&2
  exit 1
fi
export AMENT_PREFIX_PATH="$build/ament_prefix${AMENT_PREFIX_PATH:+:$AMENT_PREFIX_PATH}"
"$build/quillon_demo" --out "$out" "$@" 2>"$out/demo.log"
