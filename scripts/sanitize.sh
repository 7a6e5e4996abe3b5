#!/usr/bin/env bash
# Builds the whole tree with sanitizers and runs the test suite under them.
#   scripts/sanitize.sh address   AddressSanitizer + UndefinedBehaviorSanitizer, every test
#   scripts/sanitize.sh thread    ThreadSanitizer, every test (the transport, executors, TF
#                                 listener and the programs' processes are the ones with threads)
#   scripts/sanitize.sh           both, one after the other
# Build trees: build-asan/ and build-tsan/ (or $SANITIZE_BUILD_PREFIX-asan, -tsan).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="${SANITIZE_BUILD_PREFIX:-$root/build}"
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address thread)

# Any finding fails the test that caused it, UB included.
# new_delete_type_mismatch is off because Fast DDS 2.9 itself deletes its RTPS writers through a
# base of another size (inside libfastrtps, which this build does not instrument).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:new_delete_type_mismatch=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/sanitizer/tsan.supp"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizer/lsan.supp"

"$root/scripts/setup.sh"
# Every test but the compile-failure checks, which only run the compiler.
tests=(-E "^compile_fail")
for kind in "${kinds[@]}"; do
  case "$kind" in
    address)
      # Eigen turns its malloc-is-aligned assumption off under GCC's ASan, while Debian's PCL was
      # built with it on: clouds allocated there and freed here (or the reverse) would look like
      # overflows. Keep the system libraries' choice.
      flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
      flags="$flags -DEIGEN_MALLOC_ALREADY_ALIGNED=1"
      build="$prefix-asan"
      ;;
    thread)
      flags="-fsanitize=thread"
      build="$prefix-tsan"
      ;;
    *)
      echo "sanitize.sh: unknown kind '$kind' (address or thread)" >&2
      exit 2
      ;;
  esac
  echo "sanitize.sh: $kind build in $build"
  BUILD_DIR="$build" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_C_FLAGS=$flags" \
    "-DCMAKE_EXE_LINKER_FLAGS=$flags" "-DCMAKE_SHARED_LINKER_FLAGS=$flags"
  preload=""
  if [ "$kind" = thread ]; then
    # See the comment in the shim: Fast DDS's timed mutexes would otherwise be invisible.
    cc -O2 -shared -fPIC -o "$build/tsan_clocklock.so" "$root/scripts/sanitizer/tsan_clocklock.c"
    preload="$build/tsan_clocklock.so"
  fi
  (cd "$build" && LD_PRELOAD="$preload" \
    ctest --output-on-failure -j "$(nproc)" --timeout 900 "${tests[@]}")
done
