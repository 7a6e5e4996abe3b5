# trailscan's node wiring: start-up and parameters, pose lookup, the tracking frame, the
# self-filter, the scan pipeline that calls the algorithm libraries, and the outputs.
list(APPEND TRAILSCAN_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_settings.cpp
  # The schemas' reader: descriptions for the parameter descriptors (quillon_check_params uses
  # it through this library).
  ${CMAKE_CURRENT_LIST_DIR}/../check_params/parameter_schema.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transform_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cluster_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/swept_motion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/self_filter_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/self_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_node.cpp
)
set(TRAILSCAN_MAIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
list(APPEND TRAILSCAN_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/scan_pipeline_benchmark.cpp
)
