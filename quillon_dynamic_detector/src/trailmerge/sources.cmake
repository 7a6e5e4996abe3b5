# The fusion node trailmerge (links no library of the system's own).
list(APPEND TRAILMERGE_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailmerge_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object_transform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object_fusion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fused_markers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/source_track_links.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailmerge_node.cpp
)
set(TRAILMERGE_MAIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
list(APPEND TRAILMERGE_BENCHMARK_SOURCES
  ${QUILLON_DETECTOR_DIR}/benchmark/fusion_benchmark.cpp
)
