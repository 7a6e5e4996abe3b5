# The geometric motion detector and its local static map.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/geometric_motion_detector.cpp
)
list(APPEND TRAILSCAN_TEST_SOURCES
)
list(APPEND TRAILSCAN_BENCHMARK_SOURCES
)
