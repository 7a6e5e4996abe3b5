# Source lists shared by the ament build (CMakeLists.txt) and the standalone build
# (standalone.cmake), so that both compile the same files. Each subsystem lists its own files in
# src/<subsystem>/, its tests beside them in test/<subsystem>/.
#
# The algorithm subsystems (cluster features, clustering, tracker, geometric motion detector)
# build libraries of their own with no node, parameters or topics in them; trailscan's node
# wiring links them. Of each subsystem's tests, <SUBSYSTEM>_TEST_SOURCES build in both builds and
# <SUBSYSTEM>_SEAM_TEST_SOURCES, which capture logs, drive the clock or start the program through
# the compatibility layer's test seams, in the standalone build only.
set(QUILLON_DETECTOR_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(TRAILSCAN_LOGGER_SOURCES)
foreach(subsystem CLUSTER_FEATURES CLUSTERING GEOMETRIC_DETECTOR TRACKER TRAILSCAN TRAILMERGE)
  set(${subsystem}_LIBRARY_SOURCES)
  set(${subsystem}_TEST_SOURCES)
  set(${subsystem}_SEAM_TEST_SOURCES)
  set(${subsystem}_BENCHMARK_SOURCES)
endforeach()
set(E2E_TEST_SOURCES)
set(CONFIG_TEST_SOURCES)
foreach(subsystem logging cluster_features clustering geometric_motion_detector tracker trailscan
    trailmerge)
  include(${QUILLON_DETECTOR_DIR}/src/${subsystem}/sources.cmake)
endforeach()
foreach(subsystem cluster_features clustering geometric_motion_detector tracker trailscan
    trailmerge e2e config)
  include(${QUILLON_DETECTOR_DIR}/test/${subsystem}/sources.cmake)
endforeach()
