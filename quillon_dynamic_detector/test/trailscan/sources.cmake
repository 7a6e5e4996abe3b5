# Tests of trailscan's node wiring (lists as explained in sources.cmake of the package).
list(APPEND TRAILSCAN_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_settings_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/self_filter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_frame_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/swept_motion_test.cpp
)
list(APPEND TRAILSCAN_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/transform_lookup_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_startup_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_pipeline_test.cpp
)
