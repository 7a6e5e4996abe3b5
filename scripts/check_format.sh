#!/usr/bin/env bash
# Checks C++ formatting against the repository's .clang-format (the ROS 2 style) with
# clang-format-14, without changing any file.
#   scripts/check_format.sh          the C++ files changed against origin/main (committed or not),
#                                    or, without that ref, the files of the last commit
#   scripts/check_format.sh --all    every tracked C++ file, and how long that took
#   scripts/check_format.sh FILE...  the given files
# Exit status: 0 when every file is formatted, 1 when one is not (clang-format names the file and
# line), 2 on a usage error or without clang-format-14. Fix a file with: clang-format-14 -i FILE
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
clang_format="${CLANG_FORMAT:-clang-format-14}"
cpp_patterns=('*.cpp' '*.hpp' '*.h' '*.cc')

if ! command -v "$clang_format" >/dev/null; then
  echo "check_format: $clang_format not found (Debian: apt-get install clang-format-14)" >&2
  exit 2
fi

files=()
all=false
case "${1:-}" in
  --all)
    all=true
    mapfile -t files < <(git ls-files -- "${cpp_patterns[@]}")
    ;;
  --help | -h)
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
  -*)
    echo "check_format: unknown option '$1' (--all, --help or files)" >&2
    exit 2
    ;;
  "")
    if git rev-parse --verify -q origin/main >/dev/null; then
      base="origin/main"
      mapfile -t files < <(git diff --name-only --diff-filter=ACMR origin/main -- "${cpp_patterns[@]}")
    else
      base="the last commit"
      mapfile -t files < <(git diff-tree --no-commit-id --name-only -r --diff-filter=ACMR HEAD -- \
        "${cpp_patterns[@]}")
    fi
    echo "check_format: ${#files[@]} C++ file(s) changed against $base"
    ;;
  *)
    files=("$@")
    ;;
esac

if [ "${#files[@]}" -eq 0 ]; then
  exit 0
fi
start=$(date +%s.%N)
status=0
printf '%s\0' "${files[@]}" |
  xargs -0 -n 50 -P "$(nproc)" "$clang_format" --style=file --dry-run --Werror || status=1
if [ "$all" = true ]; then
  elapsed=$(echo "$(date +%s.%N) - $start" | bc)
  printf 'check_format: %d files in %.1f s\n' "${#files[@]}" "$elapsed"
fi
if [ "$status" -ne 0 ]; then
  echo "check_format: files above are not formatted; fix one with: $clang_format -i FILE" >&2
fi
exit "$status"
