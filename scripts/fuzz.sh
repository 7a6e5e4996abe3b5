#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer and UndefinedBehaviorSanitizer, the
# whole tree instrumented for coverage) in build-fuzz/ and runs each harness in turn on a copy
# of its seed corpus. Inputs that crash, hang or exhaust memory are copied to
# fuzz/regressions/<harness>/, where the normal test build replays them.
#
#   scripts/fuzz.sh [harness|all] [seconds per harness, default 600] [most inputs per harness]
#
# Stage harnesses (one library each, 600 to 1 100 inputs per second under the sanitizers once
# the corpus has grown, so a million inputs in under 30 minutes): cluster_stages tracker_update
# geometric_motion_detector free_space_detector fusion_functions. Whole-path harnesses (about
# 100 to 230 per second): laser_scan_pipeline object_list_fusion configuration cdr_deserialise.
# Ends with one table: inputs run, seconds, inputs per second and findings of every harness.
# New corpus entries stay in build-fuzz/fuzz/work/<harness>/corpus; minimise before keeping any
# (add -minimize_crash=1 or -merge=1 by hand) and commit only small ones to fuzz/corpus/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
all=(cluster_stages tracker_update geometric_motion_detector free_space_detector fusion_functions
  laser_scan_pipeline object_list_fusion configuration cdr_deserialise)
which="${1:-all}"
seconds="${2:-600}"
runs="${3:--1}"
if [ "$which" = all ]; then
  harnesses=("${all[@]}")
else
  harnesses=("$which")
fi

targets=()
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
BUILD_DIR="$build" BUILD_TARGETS="${targets[*]}" nice -n 10 "$root/scripts/build.sh" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_FUZZ=ON -DQUILLON_BUILD_TESTS=OFF

# Memory limits per harness: a CDR payload of at most 4 KiB may not make the reader allocate
# more than 1 MiB at once; the node harnesses get room for ASan's own overhead.
limits_for() {
  case "$1" in
    cdr_deserialise) echo "-max_len=4096 -rss_limit_mb=1024 -malloc_limit_mb=1" ;;
    configuration) echo "-max_len=8192 -rss_limit_mb=2048 -timeout=30" ;;
    laser_scan_pipeline) echo "-max_len=4096 -rss_limit_mb=2048 -timeout=120" ;;
    cluster_stages | tracker_update | geometric_motion_detector | free_space_detector | \
      fusion_functions) echo "-max_len=1024 -rss_limit_mb=1024 -timeout=10" ;;
    *) echo "-max_len=4096 -rss_limit_mb=2048 -timeout=30" ;;
  esac
}

export AMENT_PREFIX_PATH="$build/ament_prefix"
# Crashes are reported, not hidden: UBSan stops at the first finding with a stack.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=0"
status=0
table=()
for h in "${harnesses[@]}"; do
  work="$build/fuzz/work/$h"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts" "$root/fuzz/regressions/$h"
  cp "$root/fuzz/corpus/$h/"* "$work/corpus/"
  echo "== $h: ${seconds}s"
  start=$(date +%s)
  # shellcheck disable=SC2046
  if ! nice -n 10 "$build/fuzz/fuzz_$h" "$work/corpus" -max_total_time="$seconds" -runs="$runs" \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" $(limits_for "$h") \
    2>"$work/log.txt"; then
    status=1
  fi
  elapsed=$(($(date +%s) - start))
  grep -E "^#[0-9]+.*(DONE|pulse|NEW)|stat::|SUMMARY|==ERROR|fuzz invariant" "$work/log.txt" | tail -12
  # Slow units are reported in the log but not kept: they would only slow the replay tests.
  findings=0
  for artifact in "$work/artifacts/"{crash,leak,oom,timeout}-*; do
    [ -e "$artifact" ] || continue
    findings=$((findings + 1))
    cp "$artifact" "$root/fuzz/regressions/$h/$(basename "$artifact")"
    echo "   kept $(basename "$artifact") in fuzz/regressions/$h/"
  done
  inputs=$(grep -m1 -oP "stat::number_of_executed_units:\s*\K[0-9]+" "$work/log.txt" || echo 0)
  table+=("$(printf "%-26s %12s %8s %10s %9s" "$h" "$inputs" "$elapsed" \
    "$((inputs / (elapsed > 0 ? elapsed : 1)))" "$findings")")
done
printf "\n%-26s %12s %8s %10s %9s\n" harness inputs seconds inputs/s findings
printf "%s\n" "${table[@]}"
exit "$status"
