# Shape measures of one cluster, its pedestrian shape score and the detection built from them:
# functions of a cloud and the configuration records, with no node, parameters or topics.
list(APPEND CLUSTER_FEATURES_LIBRARY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cluster_features.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pedestrian_shape_classifier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/detection_builder.cpp
)
