# Standalone build of the closed detector's stand-in.
add_library(quillon_perception_libs_standin STATIC
  "${CMAKE_CURRENT_LIST_DIR}/src/dynamic_laser_detector.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/src/free_space_settings.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/src/planar_pose.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/src/remembered_view.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/src/structure_memory.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/src/view_memory.cpp")
quillon_warnings(quillon_perception_libs_standin)
target_include_directories(quillon_perception_libs_standin PUBLIC "${CMAKE_CURRENT_LIST_DIR}/include")
target_link_libraries(quillon_perception_libs_standin PUBLIC ros2_compat_msgs Eigen3::Eigen yaml-cpp)

if(QUILLON_BUILD_TESTS)
  quillon_add_gtest(quillon_perception_libs_dynamic_laser_detector_test
    "${CMAKE_CURRENT_LIST_DIR}/test/dynamic_laser_detector_test.cpp"
    LIBRARIES quillon_perception_libs_standin)
endif()

# Cost per scan (built with the tree, run by hand).
quillon_add_benchmark(dynamic_laser_detector_benchmark
  "${CMAKE_CURRENT_LIST_DIR}/benchmark/dynamic_laser_detector_benchmark.cpp"
  LIBRARIES quillon_perception_libs_standin)
target_include_directories(dynamic_laser_detector_benchmark PRIVATE "${CMAKE_CURRENT_LIST_DIR}/test")
