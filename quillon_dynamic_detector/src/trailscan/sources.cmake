# trailscan's start-up, scan pipeline, pose lookup, outputs and cluster geometry.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_logger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transform_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/planar_grid_search.cpp
  ${CMAKE_CURRENT_LIST_DIR}/euclidean_clustering.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_features.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_shape_classifier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/leg_cluster_merging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_leg_absorption.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/detection_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_node.cpp
)
set(TRAILSCAN_MAIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
list(APPEND TRAILSCAN_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/cluster_geometry_benchmark.cpp
  ${QUILLON_DETECTOR_DIR}/benchmark/scan_pipeline_benchmark.cpp
)
