# Tests of the cluster features (lists as explained in sources.cmake of the package). They cut
# some of their clusters from scans, so they link the clustering as well.
list(APPEND CLUSTER_FEATURES_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cluster_features_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_shape_classifier_test.cpp
)
