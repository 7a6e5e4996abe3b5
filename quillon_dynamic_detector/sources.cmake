# Source lists shared by the ament build (CMakeLists.txt) and the standalone build
# (standalone.cmake), so that both compile the same files. Each subsystem lists its own files.
set(QUILLON_DETECTOR_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(TRAILSCAN_LIBRARY_SOURCES)
set(TRAILSCAN_TEST_SOURCES)
set(TRAILSCAN_BENCHMARK_SOURCES)
set(TRAILMERGE_LIBRARY_SOURCES)
set(TRAILMERGE_TEST_SOURCES)
set(TRAILMERGE_BENCHMARK_SOURCES)
include(${QUILLON_DETECTOR_DIR}/src/trailscan/sources.cmake)
include(${QUILLON_DETECTOR_DIR}/src/geometric_motion_detector/sources.cmake)
include(${QUILLON_DETECTOR_DIR}/src/tracker/sources.cmake)
include(${QUILLON_DETECTOR_DIR}/src/trailmerge/sources.cmake)
