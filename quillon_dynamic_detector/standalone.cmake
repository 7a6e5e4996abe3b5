# Standalone build of the detector package against the ROS 2 compatibility layer.
include("${CMAKE_CURRENT_LIST_DIR}/sources.cmake")

# quillon_detector_tests(<core library> <executable> <sources...>): one test executable per file.
function(quillon_detector_tests core executable)
  if(NOT QUILLON_BUILD_TESTS)
    return()
  endif()
  string(TOUPPER "${executable}" macro_prefix)
  foreach(test_source ${ARGN})
    get_filename_component(test_name "${test_source}" NAME_WE)
    quillon_add_gtest(quillon_dynamic_detector_${test_name} "${test_source}"
      LIBRARIES ${core} ros2_compat_test_support)
    target_include_directories(quillon_dynamic_detector_${test_name} PRIVATE
      "${QUILLON_DETECTOR_DIR}/test/support")
    target_compile_definitions(quillon_dynamic_detector_${test_name} PRIVATE
      ${macro_prefix}_EXECUTABLE="$<TARGET_FILE:${executable}>")
    add_dependencies(quillon_dynamic_detector_${test_name} ${executable})
  endforeach()
endfunction()

# trailscan: everything but main in one library, so that tests link the same code.
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
quillon_detector_tests(trailscan_core trailscan
  ${TRAILSCAN_TEST_SOURCES} ${TRAILSCAN_SEAM_TEST_SOURCES} ${E2E_TEST_SOURCES})
foreach(bench_source ${TRAILSCAN_BENCHMARK_SOURCES})
  get_filename_component(bench_name "${bench_source}" NAME_WE)
  quillon_add_benchmark(${bench_name} "${bench_source}" LIBRARIES trailscan_core)
  target_include_directories(${bench_name} PRIVATE "${QUILLON_DETECTOR_DIR}/test/support")
endforeach()

# trailmerge: links the message package and the ROS 2 layer only.
if(TRAILMERGE_MAIN_SOURCE)
  add_library(trailmerge_core STATIC ${TRAILMERGE_LIBRARY_SOURCES})
  quillon_warnings(trailmerge_core)
  target_include_directories(trailmerge_core PUBLIC "${QUILLON_DETECTOR_DIR}/include")
  target_link_libraries(trailmerge_core PUBLIC ros2_compat quillon_protocol)
  add_executable(trailmerge ${TRAILMERGE_MAIN_SOURCE})
  quillon_warnings(trailmerge)
  target_link_libraries(trailmerge PRIVATE trailmerge_core)
  quillon_detector_tests(trailmerge_core trailmerge
    ${TRAILMERGE_TEST_SOURCES} ${TRAILMERGE_SEAM_TEST_SOURCES})
  foreach(bench_source ${TRAILMERGE_BENCHMARK_SOURCES})
    get_filename_component(bench_name "${bench_source}" NAME_WE)
    quillon_add_benchmark(${bench_name} "${bench_source}" LIBRARIES trailmerge_core)
  endforeach()
endif()

# The end-to-end tests run trailscan, trailmerge and their own scene source and recorder as
# separate processes, so they need all their paths.
if(QUILLON_BUILD_TESTS AND TRAILMERGE_MAIN_SOURCE)
  add_executable(scene_source "${E2E_SCENE_SOURCE}")
  quillon_warnings(scene_source)
  target_include_directories(scene_source PRIVATE "${QUILLON_DETECTOR_DIR}/test/support")
  target_link_libraries(scene_source PRIVATE trailscan_core)
  foreach(test_source ${E2E_TEST_SOURCES})
    get_filename_component(test_name "${test_source}" NAME_WE)
    target_compile_definitions(quillon_dynamic_detector_${test_name} PRIVATE
      SCENE_SOURCE_EXECUTABLE="$<TARGET_FILE:scene_source>"
      TRAILMERGE_EXECUTABLE="$<TARGET_FILE:trailmerge>")
    add_dependencies(quillon_dynamic_detector_${test_name} scene_source trailmerge)
  endforeach()
endif()

include("${QUILLON_DETECTOR_DIR}/cmake/check_params.cmake")

quillon_register_package(quillon_dynamic_detector SHARE_DIRS "${QUILLON_DETECTOR_DIR}/config")

# Tests of the shipped configuration against both programs.
if(QUILLON_BUILD_TESTS AND TRAILMERGE_MAIN_SOURCE)
  foreach(test_source ${CONFIG_TEST_SOURCES})
    get_filename_component(test_name "${test_source}" NAME_WE)
    quillon_add_gtest(quillon_dynamic_detector_${test_name} "${test_source}"
      LIBRARIES trailscan_core trailmerge_core ros2_compat_test_support)
    target_compile_definitions(quillon_dynamic_detector_${test_name} PRIVATE
      QUILLON_CONFIG_DIR="${QUILLON_DETECTOR_DIR}/config")
  endforeach()
endif()
