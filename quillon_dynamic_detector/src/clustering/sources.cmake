# Cutting a scan into clusters and joining a person's legs into one: no node, parameters or
# topics. The leg merges measure their candidates with the cluster features and log through the
# "trailscan" logger.
list(APPEND CLUSTERING_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/planar_grid_search.cpp
  ${CMAKE_CURRENT_LIST_DIR}/euclidean_clustering.cpp
  ${CMAKE_CURRENT_LIST_DIR}/leg_cluster_merging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_leg_absorption.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_split.cpp
)
list(APPEND CLUSTERING_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/cluster_geometry_benchmark.cpp
)
