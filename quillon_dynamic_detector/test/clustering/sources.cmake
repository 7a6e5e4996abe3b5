# Tests of the clustering (lists as explained in sources.cmake of the package).
list(APPEND CLUSTERING_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/planar_grid_search_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/euclidean_clustering_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_split_test.cpp
)
list(APPEND CLUSTERING_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/leg_cluster_merging_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_leg_absorption_test.cpp
)
