# trailscan's tests. TRAILSCAN_TEST_SOURCES build in both builds; TRAILSCAN_SEAM_TEST_SOURCES
# capture logs or drive the clock through the compatibility layer's test seams, so they build in
# the standalone build only.
list(APPEND TRAILSCAN_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_settings_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/planar_grid_search_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/euclidean_clustering_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_features_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_shape_classifier_test.cpp
)
list(APPEND TRAILSCAN_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/transform_lookup_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_startup_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_pipeline_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/leg_cluster_merging_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_leg_absorption_test.cpp
)
