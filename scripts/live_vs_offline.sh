#!/usr/bin/env bash
# Runs a scenario twice and scores both runs against ground truth, to compare them:
#   live:    quillon_simulate (real time, current stamps), trailscan and trailmerge as separate
#            programs over DDS in a fresh network namespace, their lists recorded to a bag;
#   offline: the same scenario and seed written to a bag and run through quillon_offline_run.
#   scripts/live_vs_offline.sh [SCENARIO] [SECONDS] [OUT_DIR]
# A live run can drop scans under load (the scan subscriptions keep only the newest), so the
# two agree within a tolerance rather than exactly.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
scenario="${1:-corridor_walkers}"
seconds="${2:-20}"
out="${3:-$root/live_vs_offline}"
export AMENT_PREFIX_PATH="$build/ament_prefix${AMENT_PREFIX_PATH:+:$AMENT_PREFIX_PATH}"
rm -rf "$out" && mkdir -p "$out"

if [ "${1:-}" != "--inside-namespace" ]; then
  "$root/ros2_compat/tools/in_fresh_network_namespace.sh" "$0" --inside-namespace \
    "$scenario" "$seconds" "$out"
  echo "== offline"
  "$build/quillon_simulate" --bag "$out/offline_input" --truth "$out/offline_truth.csv" \
    --scenario "$scenario" --duration "$seconds" >/dev/null
  "$build/quillon_offline_run" "$out/offline_input" "$out/offline_result" 2>"$out/offline.log"
  "$build/quillon_evaluate" "$out/offline_result" "$out/offline_truth.csv" --max-range 5
  echo "== live"
  "$build/quillon_evaluate" "$out/live_result" "$out/live_truth.csv" --max-range 5
  exit 0
fi

# Inside the namespace: the live run.
scenario="$2" seconds="$3" out="$4"
topics=(/objects_laser1 /objects_laser2 /objects_laser
  /scan1/pedestrian_markers /scan2/pedestrian_markers /objects_laser_markers)
"$build/trailscan" 2>"$out/trailscan.log" &
trailscan=$!
"$build/trailmerge" 2>"$out/trailmerge.log" &
trailmerge=$!
"$build/quillon_bag_record" "$out/live_result" "${topics[@]}" >"$out/record.log" 2>&1 &
recorder=$!
sleep 2
"$build/quillon_simulate" --scenario "$scenario" --duration "$seconds" \
  --truth "$out/live_truth.csv" >"$out/simulate.log"
sleep 1
kill -INT "$recorder" "$trailmerge" "$trailscan"
wait
