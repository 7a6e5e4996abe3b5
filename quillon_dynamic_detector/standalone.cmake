# Standalone build of the detector package against the ROS 2 compatibility layer.
include("${CMAKE_CURRENT_LIST_DIR}/sources.cmake")

add_library(trailscan_core STATIC ${TRAILSCAN_LIBRARY_SOURCES})
quillon_warnings(trailscan_core)
target_include_directories(trailscan_core PUBLIC "${QUILLON_DETECTOR_DIR}/include")
target_link_libraries(trailscan_core PUBLIC
  ros2_compat quillon_protocol quillon_perception_libs_standin
  Eigen3::Eigen yaml-cpp ${PCL_LIBRARIES} ${OpenCV_LIBS})
target_include_directories(trailscan_core SYSTEM PUBLIC ${PCL_INCLUDE_DIRS} ${OpenCV_INCLUDE_DIRS})

add_executable(trailscan ${TRAILSCAN_MAIN_SOURCE})
quillon_warnings(trailscan)
target_link_libraries(trailscan PRIVATE trailscan_core)

quillon_register_package(quillon_dynamic_detector SHARE_DIRS "${QUILLON_DETECTOR_DIR}/config")

if(QUILLON_BUILD_TESTS)
  foreach(test_source ${TRAILSCAN_TEST_SOURCES})
    get_filename_component(test_name "${test_source}" NAME_WE)
    quillon_add_gtest(quillon_dynamic_detector_${test_name} "${test_source}"
      LIBRARIES trailscan_core ros2_compat_test_support)
    target_compile_definitions(quillon_dynamic_detector_${test_name} PRIVATE
      TRAILSCAN_EXECUTABLE="$<TARGET_FILE:trailscan>"
      QUILLON_TEST_TMPDIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(quillon_dynamic_detector_${test_name} trailscan)
  endforeach()
endif()
