# The pedestrian tracker.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_tracker.cpp
)
list(APPEND TRAILSCAN_TEST_SOURCES
)
