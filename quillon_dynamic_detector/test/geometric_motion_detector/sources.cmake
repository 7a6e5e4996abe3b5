# Tests of the geometric motion detector and its local static map (lists as explained in
# sources.cmake of the package).
list(APPEND GEOMETRIC_DETECTOR_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/geometric_detector_config_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_static_map_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/seen_through_memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/beam_classification_test.cpp
)
list(APPEND GEOMETRIC_DETECTOR_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/geometric_motion_detector_test.cpp
)
