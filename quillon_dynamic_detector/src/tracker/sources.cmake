# The pedestrian tracker.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tracker_logger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_classification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_lifecycle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_centroid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_association.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_markers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_tracker.cpp
)
list(APPEND TRAILSCAN_TEST_SOURCES
  ${QUILLON_DETECTOR_DIR}/test/tracker/track_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/tracker/track_classification_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/tracker/track_lifecycle_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/tracker/track_association_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/tracker/pedestrian_tracker_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/tracker/track_markers_test.cpp
)
list(APPEND TRAILSCAN_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/pedestrian_tracker_benchmark.cpp
)
