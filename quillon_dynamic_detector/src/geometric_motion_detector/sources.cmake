# The geometric motion detector and its local static map.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/geometric_detector_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_static_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/beam_classification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/geometric_motion_detector.cpp
)
list(APPEND TRAILSCAN_TEST_SOURCES
  ${QUILLON_DETECTOR_DIR}/test/geometric_motion_detector/geometric_detector_config_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/geometric_motion_detector/local_static_map_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/geometric_motion_detector/beam_classification_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/geometric_motion_detector/geometric_motion_detector_test.cpp
)
list(APPEND TRAILSCAN_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/geometric_motion_detector_benchmark.cpp
)
