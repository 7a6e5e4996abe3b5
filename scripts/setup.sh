#!/usr/bin/env bash
# Installs every Debian package the standalone build and its tests need. Idempotent and
# non-interactive: packages already present are not fetched again.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache python3 python3-catkin-pkg python3-yaml pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libeigen3-dev libpcl-dev libopencv-dev libyaml-cpp-dev libsqlite3-dev
  liborocos-kdl-dev libament-index-cpp-dev
  libfastrtps-dev libfastcdr-dev iproute2
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages present"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
