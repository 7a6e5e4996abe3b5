# End-to-end tests: trailscan, trailmerge and a scene source run as separate processes over DDS in
# a network namespace of their own. They start them with the compatibility layer's process
# helpers, so they build in the standalone build only.
list(APPEND E2E_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_e2e_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/peer_restart_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_waiting_test.cpp
)
set(E2E_SCENE_SOURCE ${CMAKE_CURRENT_LIST_DIR}/programs/scene_source.cpp)
