# Tools of the standalone build: the scenario simulator, the evaluation against ground truth,
# ROS 2 bag recordings and the programs built on them (demo, offline runner, record, play).
# They are not part of the robot-side ROS 2 packages (COLCON_IGNORE keeps colcon away).
set(QUILLON_TOOLS_DIR "${CMAKE_CURRENT_LIST_DIR}")

# quillon_tools_subsystem(<name> LIBRARIES ...): library quillon_<name> from src/<name>/*.cpp and
# one test executable per test/<name>/*_test.cpp.
function(quillon_tools_subsystem name)
  cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${QUILLON_TOOLS_DIR}/src/${name}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_library(quillon_${name} STATIC ${sources})
  quillon_warnings(quillon_${name})
  target_include_directories(quillon_${name} PUBLIC "${QUILLON_TOOLS_DIR}/include")
  target_link_libraries(quillon_${name} PUBLIC ${ARG_LIBRARIES})
  if(QUILLON_BUILD_TESTS)
    file(GLOB tests CONFIGURE_DEPENDS "${QUILLON_TOOLS_DIR}/test/${name}/*_test.cpp")
    foreach(test ${tests})
      get_filename_component(test_name "${test}" NAME_WE)
      quillon_add_gtest(quillon_tools_${test_name} "${test}"
        LIBRARIES quillon_${name} ros2_compat_test_support)
      target_include_directories(quillon_tools_${test_name} PRIVATE "${QUILLON_TOOLS_DIR}/test/support")
      target_compile_definitions(quillon_tools_${test_name} PRIVATE
        QUILLON_TEST_TMPDIR="${CMAKE_CURRENT_BINARY_DIR}")
    endforeach()
  endif()
endfunction()

quillon_tools_subsystem(simulation LIBRARIES ros2_compat quillon_protocol Eigen3::Eigen)
quillon_tools_subsystem(evaluation LIBRARIES ros2_compat quillon_protocol)
find_package(SQLite3 REQUIRED)
quillon_tools_subsystem(recording LIBRARIES ros2_compat quillon_protocol yaml-cpp SQLite::SQLite3)
quillon_tools_subsystem(runner LIBRARIES trailscan_core trailmerge_core quillon_simulation quillon_evaluation)
if(TARGET quillon_tools_replay_runner_test)
  target_include_directories(quillon_tools_replay_runner_test PRIVATE
    "${QUILLON_DETECTOR_DIR}/test/support")
endif()

# Programs built on the libraries above.
if(TARGET quillon_simulation)
  add_executable(quillon_simulate "${QUILLON_TOOLS_DIR}/programs/simulate.cpp")
  quillon_warnings(quillon_simulate)
  target_link_libraries(quillon_simulate PRIVATE quillon_simulation)
endif()
if(TARGET quillon_runner)
  add_executable(quillon_demo "${QUILLON_TOOLS_DIR}/programs/demo.cpp")
  quillon_warnings(quillon_demo)
  target_link_libraries(quillon_demo PRIVATE quillon_runner)
endif()
