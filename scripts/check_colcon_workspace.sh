#!/usr/bin/env bash
# Builds this repository's ROS packages as a robot user does (README, "Build it in your
# workspace"; docs/building.md, "The colcon workspace"): the repository under src/ of a fresh
# colcon workspace, on top of the ROS 2 compatibility layer installed as an underlay in place of
# /opt/ros/humble. Checks that colcon sees exactly the ROS packages, builds them with their tests
# and passes `colcon test`, with tests of the detector package among them. The README's colcon
# commands are these, word for word (scripts/check_docs_commands.sh checks that).
#
#   scripts/check_colcon_workspace.sh   after scripts/build.sh (installs the layer from build/, or
#                                       from $BUILD_DIR, and builds in its colcon_workspace/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
underlay="$build/ros_underlay"
ws="$build/colcon_workspace"
expected="quillon_dynamic_detector quillon_perception_libs_standin quillon_protocol"

fail() {
  echo "check_colcon_workspace: $*" >&2
  exit 1
}

rm -rf "$underlay" "$ws"
cmake --install "$build" --component ros_underlay --prefix "$underlay" >/dev/null

# The repository as a clone would have it: tracked files and new ones, none of the build folders.
mkdir -p "$ws/src/quillon"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    tar -C "$root" --null -T - -cf - | tar -C "$ws/src/quillon" -xf -
else
  tar -C "$root" --exclude='./build*' --exclude=./demo_output -cf - . | tar -C "$ws/src/quillon" -xf -
fi

cd "$ws"
# Debian's ament tools want the system Python, not one earlier in PATH.
export PATH="/usr/bin:$PATH"
# shellcheck source=/dev/null
source "$underlay/setup.bash"
if command -v ccache >/dev/null; then
  # Compiler launcher through the environment, so that colcon's command line stays the README's.
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$ws"
fi

found="$(colcon list --names-only | sort | tr '\n' ' ' | sed 's/ $//')"
[ "$found" = "$expected" ] || fail "colcon list shows '$found', expected '$expected'"
echo "check_colcon_workspace: colcon list: $found"

run_logged() {
  local name="$1"
  shift
  if ! "$@" >"$ws/$name.log" 2>&1; then
    tail -n 60 "$ws/$name.log" >&2
    fail "'$*' failed (log: $ws/$name.log)"
  fi
  # colcon names every package that wrote to stderr: compiler and CMake warnings count as faults.
  if grep -q "had stderr output" "$ws/$name.log"; then
    grep -A 30 -- "--- stderr:" "$ws/$name.log" | head -n 60 >&2
    fail "'$*' wrote warnings (log: $ws/$name.log)"
  fi
  echo "check_colcon_workspace: $* ($(grep -E '^Summary:' "$ws/$name.log" || echo "done"))"
}

run_logged build colcon build --packages-up-to quillon_dynamic_detector
run_logged test colcon test --packages-up-to quillon_dynamic_detector
run_logged test-result colcon test-result --verbose
# The detector package runs tests of its own, not only its dependencies do.
detector="$(colcon test-result --test-result-base build/quillon_dynamic_detector | grep -E '^Summary:' || true)"
case "$detector" in
  "Summary: 0 tests"* | "") fail "quillon_dynamic_detector ran no tests under colcon test" ;;
esac
echo "check_colcon_workspace: quillon_dynamic_detector: $detector"

# googletest is built from source inside the package, as on a robot, and only with its own flags:
# the package's warning flags must not leak into it (g++ warns inside some googletest versions).
gtest_flags=build/quillon_dynamic_detector/gtest/CMakeFiles/gtest.dir/flags.make
[ -f "$gtest_flags" ] || fail "googletest was not built from source in the package ($gtest_flags)"
if grep -q -- "-ffp-contract=off" "$gtest_flags"; then
  fail "the package's compile options reach googletest's sources ($gtest_flags)"
fi
echo "check_colcon_workspace: googletest built from source with its own flags only"

# What `source install/setup.bash` and `ros2 launch` then find.
# colcon's setup files read unset variables.
set +u
# shellcheck source=/dev/null
source install/setup.bash
set -u
for file in lib/quillon_dynamic_detector/trailscan lib/quillon_dynamic_detector/trailmerge \
  share/quillon_dynamic_detector/launch/people_tracking.launch.py \
  share/quillon_dynamic_detector/config/people_tracking.yaml \
  share/quillon_dynamic_detector/config/cfg.yaml \
  share/ament_index/resource_index/packages/quillon_dynamic_detector; do
  [ -e "install/quillon_dynamic_detector/$file" ] || fail "the install lacks $file"
done
echo "check_colcon_workspace: workspace builds, tests and installs as the README says"
