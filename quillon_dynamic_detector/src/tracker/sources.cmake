# The pedestrian tracker (logs through its own logger "laser_tracker").
list(APPEND TRACKER_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tracker_logger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_classification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/outline_span.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_lifecycle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_centroid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_cluster_memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lost_track_memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_sight.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_association.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_markers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_tracker.cpp
)
list(APPEND TRACKER_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/pedestrian_tracker_benchmark.cpp
)
