#!/usr/bin/env bash
# Sets up, checks the C++ formatting, builds and runs the whole test suite, then builds and tests
# the ROS packages with colcon as a robot user does (scripts/check_colcon_workspace.sh).
#   scripts/test.sh              what CI runs
#   scripts/test.sh --sanitize   then the suite again under ASan+UBSan and TSan
#                                (scripts/sanitize.sh; about an hour on two cores)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
sanitize=false
case "${1:-}" in
  "") ;;
  --sanitize) sanitize=true ;;
  *)
    echo "test.sh: unknown option '$1' (only --sanitize)" >&2
    exit 2
    ;;
esac

"$root/scripts/setup.sh"
"$root/scripts/check_format.sh" --all
"$root/scripts/build.sh"
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 300)
"$root/scripts/check_build_folder_clean.sh" "$build"
"$root/scripts/check_colcon_workspace.sh"
if [ "$sanitize" = true ]; then
  "$root/scripts/sanitize.sh"
fi
