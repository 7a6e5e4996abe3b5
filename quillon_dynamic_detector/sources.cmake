# Source lists shared by the ament build (CMakeLists.txt) and the standalone build
# (standalone.cmake), so that both compile the same files.
set(QUILLON_DETECTOR_DIR "${CMAKE_CURRENT_LIST_DIR}")

# Everything trailscan is made of, except main.
set(TRAILSCAN_LIBRARY_SOURCES
  ${QUILLON_DETECTOR_DIR}/src/trailscan/trailscan_logger.cpp
  ${QUILLON_DETECTOR_DIR}/src/trailscan/trailscan_settings.cpp
  ${QUILLON_DETECTOR_DIR}/src/trailscan/transform_lookup.cpp
  ${QUILLON_DETECTOR_DIR}/src/trailscan/euclidean_clustering.cpp
  ${QUILLON_DETECTOR_DIR}/src/trailscan/scan_pipeline.cpp
  ${QUILLON_DETECTOR_DIR}/src/trailscan/trailscan_node.cpp
  ${QUILLON_DETECTOR_DIR}/src/geometric_motion_detector/geometric_motion_detector.cpp
  ${QUILLON_DETECTOR_DIR}/src/tracker/pedestrian_tracker.cpp
)
set(TRAILSCAN_MAIN_SOURCE ${QUILLON_DETECTOR_DIR}/src/trailscan/main.cpp)

# One test executable per file.
set(TRAILSCAN_TEST_SOURCES
  ${QUILLON_DETECTOR_DIR}/test/trailscan_settings_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/transform_lookup_test.cpp
  ${QUILLON_DETECTOR_DIR}/test/trailscan_startup_test.cpp
)
