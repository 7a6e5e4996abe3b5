# Tests of the fusion node trailmerge (lists as explained in sources.cmake of the package).
list(APPEND TRAILMERGE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/object_transform_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object_fusion_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fused_markers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/source_track_links_test.cpp
)
list(APPEND TRAILMERGE_SEAM_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailmerge_node_test.cpp
)
