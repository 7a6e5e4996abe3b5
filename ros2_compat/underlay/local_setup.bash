# Sourced by bash: puts the compatibility layer's underlay where colcon, CMake and
# ament_index look for packages, as sourcing a ROS 2 installation's setup file does.
_quillon_underlay="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export AMENT_PREFIX_PATH="$_quillon_underlay${AMENT_PREFIX_PATH:+:$AMENT_PREFIX_PATH}"
export CMAKE_PREFIX_PATH="$_quillon_underlay${CMAKE_PREFIX_PATH:+:$CMAKE_PREFIX_PATH}"
unset _quillon_underlay
