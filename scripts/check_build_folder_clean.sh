#!/usr/bin/env bash
# Lists what was left in the root of a build folder by anything but the build itself: entries that
# are neither CMake's, ninja's or ctest's own files, nor outputs of the build, nor the folders the
# repository's scripts keep there. Tests write into scratch folders of their own, so after a test
# run the list must be empty; exits 1 when it is not.
#
#   scripts/check_build_folder_clean.sh BUILD_DIR   after `ctest` in BUILD_DIR
set -euo pipefail
build="${1:-}"

fail() {
  echo "check_build_folder_clean: $1" >&2
  exit "${2:-1}"
}

[ -n "$build" ] || fail "usage: check_build_folder_clean.sh BUILD_DIR" 2
[ -f "$build/CMakeCache.txt" ] || fail "$build is not a CMake build folder" 2
[ -f "$build/build.ninja" ] || fail "$build was not configured for ninja (scripts/build.sh does)" 2

declare -A own=()
# CMake, ninja and ctest.
for name in CMakeCache.txt CMakeFiles cmake_install.cmake CTestTestfile.cmake \
  DartConfiguration.tcl Testing build.ninja .ninja_deps .ninja_log .cmake compile_commands.json; do
  own[$name]=1
done
# Written at configure time: the ament index of the build tree and the generated message headers;
# by scripts/build.sh and scripts/check_colcon_workspace.sh.
for name in ament_prefix generated COLCON_IGNORE ros_underlay colcon_workspace; do
  own[$name]=1
done
# Every output ninja knows of, by the first part of its path (libraries, programs, subfolders).
while IFS= read -r output; do
  first="${output%%/*}"
  [ -z "$first" ] || own[$first]=1
done < <(ninja -C "$build" -t targets all | sed 's/: [^:]*$//')

left=()
for entry in "$build"/* "$build"/.[!.]*; do
  [ -e "$entry" ] || [ -L "$entry" ] || continue
  name="${entry##*/}"
  [ -n "${own[$name]:-}" ] && continue
  case "$name" in
    # gtest_discover_tests: the include file of each test program and the list it writes;
    # `cmake --install`: the list of what it installed.
    *_include.cmake | *_tests.cmake | install_manifest*.txt) continue ;;
  esac
  left+=("$name")
done

if [ "${#left[@]}" -gt 0 ]; then
  printf '%s\n' "${left[@]}"
  fail "${#left[@]} entries in $build are not the build's own (listed above)"
fi
echo "check_build_folder_clean: $build holds only the build's own files"
