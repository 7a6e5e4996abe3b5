# The geometric motion detector and its local static map (logs through the "trailscan" logger).
list(APPEND GEOMETRIC_DETECTOR_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/geometric_detector_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_static_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/seen_through_memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/beam_classification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/geometric_motion_detector.cpp
)
list(APPEND GEOMETRIC_DETECTOR_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/geometric_motion_detector_benchmark.cpp
)
