# The ROS 2 compatibility layer's libraries, for the package configs of the underlay.
include(CMakeFindDependencyMacro)
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_dependency(Threads)
find_dependency(Eigen3 NO_MODULE)
find_dependency(yaml-cpp)
find_dependency(orocos_kdl)
find_dependency(ament_index_cpp)
find_dependency(fastrtps 2.9)
# PCL's config sets PCL_ROOT; let find_package use it (the old behaviour only warns). Not through
# find_dependency, which keeps the policies of the package that first included it.
cmake_policy(SET CMP0074 NEW)
find_package(PCL 1.12 QUIET REQUIRED COMPONENTS common search kdtree segmentation surface)
if(NOT TARGET ros2_compat::ros2_compat)
  include("${CMAKE_CURRENT_LIST_DIR}/ros2_compat_targets.cmake")
endif()
