#!/usr/bin/env bash
# Runs a command, and every process it starts, in a fresh network namespace whose only
# interface is loopback (up), so DDS traffic cannot leave the machine nor meet other runs:
#   ros2_compat/tools/in_fresh_network_namespace.sh COMMAND [ARGS...]
# As root this is `unshare -n`; otherwise a user namespace is added (`unshare -rn`).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
user_namespace=()
[ "$(id -u)" -eq 0 ] || user_namespace=(-r)
exec unshare "${user_namespace[@]}" -n -- sh -c 'ip link set lo up && exec "$@"' sh "$@"
