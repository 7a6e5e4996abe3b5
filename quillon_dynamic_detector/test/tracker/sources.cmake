# Tests of the pedestrian tracker (lists as explained in sources.cmake of the package).
list(APPEND TRACKER_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/track_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_classification_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/outline_span_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_lifecycle_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_association_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_markers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_cluster_memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_sight_test.cpp
)
list(APPEND TRACKER_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_tracker_test.cpp
)
