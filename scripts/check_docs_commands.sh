#!/usr/bin/env bash
# Keeps the documents true to the build: every command that README.md and docs/*.md show
# starting with build/ or scripts/ (in a code block, or in inline code) must name a program of
# the build folder or a script of the repository, and every option it shows (a word starting
# with --) must be one that program or script accepts:
#   - a program in build/ accepts what its --help names (`--opt` followed by a blank, `=`, `]`,
#     `)`, `,`, `|` or the line's end); trailscan and trailmerge, nodes with no --help, take
#     --ros-args;
#   - a script accepts what its own code handles (the option outside its comments), or what the
#     program in build/ it hands its arguments to ("$@") accepts;
#   - after --ros-args, the ROS arguments the ROS 2 layer parses (--params-file, --remap, ...).
# The colcon commands of the documents' code blocks must also be the ones
# scripts/check_colcon_workspace.sh runs, word for word, and their links between each other must
# lead to a file and heading that exist.
# Not commands: folders (`build/benchmarks/`), placeholders (`build/<name>`), and anything in
# prose outside code. Each failure names the document, line and command.
#
#   scripts/check_docs_commands.sh [BUILD_DIR]   after the build (default: $BUILD_DIR or build/)
# Exit status: 0 when every command and link checks out, 1 when one does not, 2 on a usage
# error (no build folder).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-${BUILD_DIR:-$root/build}}"
ros_arguments="$root/ros2_compat/src/parameters/ros_arguments.cpp"
colcon_check="$root/scripts/check_colcon_workspace.sh"
# Programs that are ROS nodes: they answer --help by starting, so they are not asked.
nodes=" trailscan trailmerge "

usage_error() {
  echo "check_docs_commands: $1" >&2
  exit 2
}
[ -d "$build" ] || usage_error "no build folder $build (build first, or pass BUILD_DIR)"
build="$(cd "$build" && pwd)"
for file in "$ros_arguments" "$colcon_check"; do
  [ -f "$file" ] || usage_error "$file is missing"
done

documents=("$root/README.md")
for page in "$root"/docs/*.md; do
  if [ -f "$page" ]; then
    documents+=("$page")
  fi
done

# One line per command: document, line, kind (code or inline), the command. Fenced code blocks
# are read line by line ($ prompts and # comments dropped, && || ; and " | " split commands);
# inline code spans outside them may run over a line break.
extract() {
  awk '
    function emit(line, kind, text,    n, parts, i, part) {
      gsub(/&&|\|\||;| \| /, "\n", text)
      n = split(text, parts, "\n")
      for (i = 1; i <= n; i++) {
        part = parts[i]
        sub(/^[ \t]*(\$ )?/, "", part)
        # Leading VAR=value assignments.
        while (part ~ /^[A-Za-z_][A-Za-z0-9_]*=[^ \t]* /) {
          sub(/^[A-Za-z_][A-Za-z0-9_]*=[^ \t]*[ \t]+/, "", part)
        }
        sub(/[ \t]+$/, "", part)
        if (part != "") {
          printf "%s\t%d\t%s\t%s\n", FILENAME, line, kind, part
        }
      }
    }
    FNR == 1 { fenced = 0; open = 0 }
    /^[ \t]*(```|~~~)/ {
      # A fence ends any inline span left open before it.
      fenced = !fenced
      open = 0
      next
    }
    fenced {
      text = $0
      # A comment: "#" at the start or after a blank.
      sub(/(^|[ \t])#.*$/, "", text)
      emit(FNR, "code", text)
      next
    }
    {
      rest = $0
      while (rest != "") {
        tick = index(rest, "`")
        if (tick == 0) {
          if (open) { span = span " " rest }
          break
        }
        if (open) {
          span = span substr(rest, 1, tick - 1)
          open = 0
          emit(start, "inline", span)
        } else {
          open = 1
          start = FNR
          span = ""
        }
        rest = substr(rest, tick + 1)
      }
    }
  ' "$@"
}

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quillon_test_XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
declare -A help_text=()

# What `build/PROGRAM --help` prints, into help_text[PROGRAM] (run once per program, in a
# scratch folder, so that the build folder stays as the build left it).
load_help() {
  local program="$1"
  if [ -z "${help_text[$program]+set}" ]; then
    help_text[$program]="$(
      cd "$scratch" || exit
      AMENT_PREFIX_PATH="$build/ament_prefix${AMENT_PREFIX_PATH:+:$AMENT_PREFIX_PATH}" \
        timeout 20 "$build/$program" --help 2>&1 </dev/null
    )" || true
  fi
}

# Whether TEXT names OPTION as an option: followed by a blank, =, ], ), a comma, | or the end.
names_option() {
  grep -qE -- "(^|[^A-Za-z0-9_-])$2([][[:blank:]=),|]|$)" <<<"$1"
}

# The program in build/ that a script hands its own arguments to ("$@"), if any.
forwarded_to() {
  # shellcheck disable=SC2016  # "$@" and "$build/..." are the script's text, not expansions.
  grep -vE '^[[:space:]]*#' "$1" | grep -F '"$@"' |
    sed -nE 's/.*"\$build\/([A-Za-z0-9_./-]+)".*/\1/p' | head -n 1
}

program_accepts() {
  local program="$1" option="$2"
  if [ "$option" = "--ros-args" ] && [[ "$nodes" == *" ${program##*/} "* ]]; then
    return 0
  fi
  if [[ "$nodes" == *" ${program##*/} "* ]]; then
    return 1
  fi
  load_help "$program"
  names_option "${help_text[$program]}" "$option"
}

script_accepts() {
  local script="$1" option="$2" target
  if grep -vE '^[[:space:]]*#' "$script" | grep -qE -- "(^|[^A-Za-z0-9_-])$option([^A-Za-z0-9_-]|$)"; then
    return 0
  fi
  target="$(forwarded_to "$script")"
  [ -n "$target" ] && [ -x "$build/$target" ] && program_accepts "$target" "$option"
}

failures=0
checked=0
fail() {
  echo "$1:$2: $3" >&2
  echo "    $4" >&2
  failures=$((failures + 1))
}

check_command() {
  local document="$1" line="$2" command="$3"
  local -a words
  read -r -a words <<<"$command"
  local first="${words[0]}" path kind
  case "$first" in
    build/* | scripts/*) ;;
    *) return 0 ;;
  esac
  # Folders and placeholders are no commands.
  case "$first" in
    */ | *'<'* | *'>'* | *'*'* | *'…'* | *'{'* | *'$'*) return 0 ;;
  esac
  checked=$((checked + 1))
  if [[ "$first" == build/* ]]; then
    kind=program
    path="$build/${first#build/}"
  else
    kind=script
    path="$root/$first"
  fi
  if [ ! -f "$path" ] || [ ! -x "$path" ]; then
    fail "$document" "$line" "$first does not exist after the build (no executable $path)" "$command"
    return 0
  fi
  local word option ros=false
  for word in "${words[@]:1}"; do
    # [--opt, (--opt, --opt], --opt=value, --opt,
    word="${word#[}"
    word="${word#(}"
    option="${word%%=*}"
    option="${option%%[],)|]*}"
    [[ "$option" == --?* ]] || continue
    if [ "$option" = "--ros-args" ]; then
      ros=true
    elif [ "$ros" = true ]; then
      if ! grep -qF -- "\"$option\"" "$ros_arguments"; then
        fail "$document" "$line" "$option is no ROS argument (not in ${ros_arguments#"$root"/})" "$command"
      fi
      continue
    fi
    if [ "$kind" = program ] && [[ "$nodes" == *" ${first##*/} "* ]]; then
      program_accepts "${first#build/}" "$option" ||
        fail "$document" "$line" "$first is a node: it takes --ros-args, not $option" "$command"
    elif [ "$kind" = program ]; then
      program_accepts "${first#build/}" "$option" ||
        fail "$document" "$line" "$first does not accept $option (not in its --help)" "$command"
    else
      script_accepts "$path" "$option" ||
        fail "$document" "$line" "$first does not accept $option (neither the script nor the program it hands its arguments to handles it)" "$command"
    fi
  done
}

# colcon commands in code blocks: word for word what scripts/check_colcon_workspace.sh runs.
colcon_commands="$(grep -vE '^[[:space:]]*#' "$colcon_check" | grep -oE 'colcon [^"$]*' | sed 's/[[:space:]]*$//')"
colcon_checked=0
check_colcon() {
  local document="$1" line="$2" command="$3"
  colcon_checked=$((colcon_checked + 1))
  if ! grep -qxF -- "$command" <<<"$colcon_commands"; then
    fail "$document" "$line" "scripts/check_colcon_workspace.sh does not run this colcon command" "$command"
  fi
}

while IFS=$'\t' read -r document line kind command; do
  document="${document#"$root"/}"
  check_command "$document" "$line" "$command"
  if [ "$kind" = code ] && [[ "$command" == "colcon "* ]]; then
    check_colcon "$document" "$line" "$command"
  fi
done < <(extract "${documents[@]}")

# Links between the documents: the file exists and, for a #anchor into a page, so does the
# heading (GitHub's anchors: lower case, punctuation dropped, blanks as hyphens).
links() {
  awk '
    FNR == 1 { fenced = 0 }
    /^[ \t]*(```|~~~)/ { fenced = !fenced; next }
    fenced { next }
    {
      rest = $0
      while (match(rest, /\]\([^)]+\)/)) {
        printf "%s\t%d\t%s\n", FILENAME, FNR, substr(rest, RSTART + 2, RLENGTH - 3)
        rest = substr(rest, RSTART + RLENGTH)
      }
    }
  ' "$@"
}
anchors() {
  awk '/^[ \t]*(```|~~~)/ { fenced = !fenced; next } !fenced && /^#+ / { sub(/^#+ +/, ""); print }' "$1" |
    tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}
links_checked=0
while IFS=$'\t' read -r document line target; do
  case "$target" in
    *://* | mailto:*) continue ;;
  esac
  links_checked=$((links_checked + 1))
  file="${target%%#*}"
  anchor=""
  [[ "$target" == *"#"* ]] && anchor="${target#*#}"
  if [ -z "$file" ]; then
    file="$document"
  else
    file="$(dirname "$document")/$file"
  fi
  if [ ! -e "$file" ]; then
    fail "${document#"$root"/}" "$line" "the link's target does not exist" "$target"
  elif [ -n "$anchor" ] && [[ "$file" == *.md ]] && ! anchors "$file" | grep -qxF -- "$anchor"; then
    fail "${document#"$root"/}" "$line" "no heading of ${file#"$root"/} has the anchor #$anchor" "$target"
  fi
done < <(links "${documents[@]}")

if [ "$checked" -eq 0 ]; then
  echo "check_docs_commands: found no build/ or scripts/ command in ${#documents[@]} documents" >&2
  exit 1
fi
if [ "$failures" -gt 0 ]; then
  echo "check_docs_commands: $failures of the documents' commands and links do not match the build ($build) or the pages" >&2
  exit 1
fi
echo "check_docs_commands: $checked build/ and scripts/ commands and $colcon_checked colcon commands in ${#documents[@]} documents exist and accept their options; $links_checked links lead somewhere"
