#!/usr/bin/env bash
# Installs every Debian package the standalone build, its tests and the colcon workspace check
# need. Idempotent and non-interactive: packages already present are not fetched again.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache python3 python3-catkin-pkg python3-yaml pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  # googletest's source: the colcon check builds it in each package, as Humble's gtest_vendor does
  googletest
  libeigen3-dev libpcl-dev libopencv-dev libyaml-cpp-dev libsqlite3-dev
  liborocos-kdl-dev libament-index-cpp-dev
  libfastrtps-dev libfastcdr-dev iproute2
  # the formatting check (scripts/check_format.sh)
  clang-format-14
  # colcon and ament_cmake, to build the ROS packages as a workspace (check_colcon_workspace.sh)
  git colcon python3-colcon-ros python3-colcon-package-selection python3-colcon-parallel-executor
  python3-colcon-test-result python3-colcon-bash python3-colcon-library-path
  python3-colcon-output python3-colcon-defaults python3-colcon-metadata
  python3-colcon-package-information ament-cmake ament-cmake-googletest python3-ament-package
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
