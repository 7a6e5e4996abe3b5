# Standalone build of the detector package against the ROS 2 compatibility layer.
include("${CMAKE_CURRENT_LIST_DIR}/sources.cmake")

# quillon_detector_library(<name> SOURCES ... LIBRARIES ...): one static library of the package.
function(quillon_detector_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  quillon_warnings(${name})
  target_include_directories(${name} PUBLIC "${QUILLON_DETECTOR_DIR}/include")
  target_include_directories(${name} SYSTEM PUBLIC ${PCL_INCLUDE_DIRS} ${OpenCV_INCLUDE_DIRS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBRARIES})
endfunction()

# quillon_detector_tests(LIBRARIES ... [EXECUTABLE <program>] SOURCES ...): one test executable
# per file. With EXECUTABLE, the tests know the program's path as <PROGRAM>_EXECUTABLE.
function(quillon_detector_tests)
  cmake_parse_arguments(ARG "" "EXECUTABLE" "LIBRARIES;SOURCES" ${ARGN})
  if(NOT QUILLON_BUILD_TESTS)
    return()
  endif()
  foreach(test_source ${ARG_SOURCES})
    get_filename_component(test_name "${test_source}" NAME_WE)
    set(target quillon_dynamic_detector_${test_name})
    quillon_add_gtest(${target} "${test_source}"
      LIBRARIES ${ARG_LIBRARIES} ros2_compat_test_support)
    target_include_directories(${target} PRIVATE "${QUILLON_DETECTOR_DIR}/test/support")
    if(ARG_EXECUTABLE)
      string(TOUPPER "${ARG_EXECUTABLE}" macro_prefix)
      target_compile_definitions(${target} PRIVATE
        ${macro_prefix}_EXECUTABLE="$<TARGET_FILE:${ARG_EXECUTABLE}>")
      add_dependencies(${target} ${ARG_EXECUTABLE})
    endif()
  endforeach()
endfunction()

# quillon_detector_benchmarks(<library> <sources...>): benchmarks of what <library> holds.
function(quillon_detector_benchmarks library)
  foreach(bench_source ${ARGN})
    get_filename_component(bench_name "${bench_source}" NAME_WE)
    quillon_add_benchmark(${bench_name} "${bench_source}" LIBRARIES ${library})
    target_include_directories(${bench_name} PRIVATE "${QUILLON_DETECTOR_DIR}/test/support")
  endforeach()
endfunction()

# The algorithm libraries: no node, parameters or topics, and no link to trailscan's node wiring.
quillon_detector_library(quillon_trailscan_logger
  SOURCES ${TRAILSCAN_LOGGER_SOURCES} LIBRARIES ros2_compat)
quillon_detector_library(quillon_cluster_features
  SOURCES ${CLUSTER_FEATURES_LIBRARY_SOURCES}
  LIBRARIES ros2_compat quillon_protocol Eigen3::Eigen ${PCL_LIBRARIES} ${OpenCV_LIBS})
quillon_detector_library(quillon_clustering
  SOURCES ${CLUSTERING_LIBRARY_SOURCES}
  LIBRARIES quillon_cluster_features quillon_trailscan_logger ros2_compat ${PCL_LIBRARIES})
quillon_detector_library(quillon_geometric_detector
  SOURCES ${GEOMETRIC_DETECTOR_LIBRARY_SOURCES}
  LIBRARIES quillon_trailscan_logger ros2_compat Eigen3::Eigen yaml-cpp ${PCL_LIBRARIES})
quillon_detector_library(quillon_tracker
  SOURCES ${TRACKER_LIBRARY_SOURCES}
  LIBRARIES ros2_compat quillon_protocol Eigen3::Eigen ${PCL_LIBRARIES})
quillon_detector_tests(LIBRARIES quillon_cluster_features quillon_clustering
  SOURCES ${CLUSTER_FEATURES_TEST_SOURCES})
quillon_detector_tests(LIBRARIES quillon_clustering
  SOURCES ${CLUSTERING_TEST_SOURCES} ${CLUSTERING_SEAM_TEST_SOURCES})
quillon_detector_tests(LIBRARIES quillon_geometric_detector
  SOURCES ${GEOMETRIC_DETECTOR_TEST_SOURCES} ${GEOMETRIC_DETECTOR_SEAM_TEST_SOURCES})
quillon_detector_tests(LIBRARIES quillon_tracker
  SOURCES ${TRACKER_TEST_SOURCES} ${TRACKER_SEAM_TEST_SOURCES})
quillon_detector_benchmarks(quillon_clustering ${CLUSTERING_BENCHMARK_SOURCES})
quillon_detector_benchmarks(quillon_geometric_detector ${GEOMETRIC_DETECTOR_BENCHMARK_SOURCES})
quillon_detector_benchmarks(quillon_tracker ${TRACKER_BENCHMARK_SOURCES})

# trailscan: its node wiring in one library over the algorithm libraries, everything but main, so
# that tests link the same code.
quillon_detector_library(trailscan_core
  SOURCES ${TRAILSCAN_LIBRARY_SOURCES}
  LIBRARIES quillon_clustering quillon_cluster_features quillon_geometric_detector quillon_tracker
    quillon_trailscan_logger ros2_compat quillon_protocol quillon_perception_libs_standin
    Eigen3::Eigen yaml-cpp ${PCL_LIBRARIES} ${OpenCV_LIBS})
add_executable(trailscan ${TRAILSCAN_MAIN_SOURCE})
quillon_warnings(trailscan)
target_link_libraries(trailscan PRIVATE trailscan_core)
quillon_detector_tests(LIBRARIES trailscan_core EXECUTABLE trailscan
  SOURCES ${TRAILSCAN_TEST_SOURCES} ${TRAILSCAN_SEAM_TEST_SOURCES} ${E2E_TEST_SOURCES})
quillon_detector_benchmarks(trailscan_core ${TRAILSCAN_BENCHMARK_SOURCES})

# trailmerge: links the message package and the ROS 2 layer only.
if(TRAILMERGE_MAIN_SOURCE)
  add_library(trailmerge_core STATIC ${TRAILMERGE_LIBRARY_SOURCES})
  quillon_warnings(trailmerge_core)
  target_include_directories(trailmerge_core PUBLIC "${QUILLON_DETECTOR_DIR}/include")
  target_link_libraries(trailmerge_core PUBLIC ros2_compat quillon_protocol)
  add_executable(trailmerge ${TRAILMERGE_MAIN_SOURCE})
  quillon_warnings(trailmerge)
  target_link_libraries(trailmerge PRIVATE trailmerge_core)
  quillon_detector_tests(LIBRARIES trailmerge_core EXECUTABLE trailmerge
    SOURCES ${TRAILMERGE_TEST_SOURCES} ${TRAILMERGE_SEAM_TEST_SOURCES})
  quillon_detector_benchmarks(trailmerge_core ${TRAILMERGE_BENCHMARK_SOURCES})
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
  # Calls trailscan's parameter services as a plain Fast DDS client.
  target_include_directories(quillon_dynamic_detector_trailscan_waiting_test PRIVATE
    "${QUILLON_REPO_ROOT}/ros2_compat/test/dds")
  target_link_libraries(quillon_dynamic_detector_trailscan_waiting_test PRIVATE fastrtps)
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
