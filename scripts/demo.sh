#!/usr/bin/env bash
# Sets up, builds what the demo needs and runs it: a built-in scenario (default "crowded_room")
# simulated, run through trailscan and trailmerge with their default parameters, and scored
# against the simulation's ground truth: a table on the terminal and pictures in demo_output/.
# Arguments go to the demo (--scenario NAME, --scanner MODEL, --seed N,
# --detector closed|geometric|both, --out DIR); the nodes' log goes to <out>/demo.log.
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
