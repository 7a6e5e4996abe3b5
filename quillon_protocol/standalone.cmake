# Standalone build of the message package: C++ types generated from the same .msg files that
# rosidl uses in a ROS 2 workspace.
quillon_generate_messages(quillon_protocol
  PACKAGE quillon_protocol
  MSG_FILES
    "${CMAKE_CURRENT_LIST_DIR}/msg/Object.msg"
    "${CMAKE_CURRENT_LIST_DIR}/msg/ObjectList.msg"
  DEPENDS ros2_compat_msgs)
quillon_register_package(quillon_protocol)

if(QUILLON_BUILD_TESTS)
  quillon_add_gtest(quillon_protocol_object_list_test
    "${CMAKE_CURRENT_LIST_DIR}/test/object_list_test.cpp" LIBRARIES quillon_protocol)
endif()
