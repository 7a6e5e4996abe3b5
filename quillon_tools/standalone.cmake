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
      # The detector's test support: its builders and the scratch folders tests write into.
      target_include_directories(quillon_tools_${test_name} PRIVATE
        "${QUILLON_DETECTOR_DIR}/test/support")
    endforeach()
  endif()
endfunction()

quillon_tools_subsystem(simulation LIBRARIES ros2_compat quillon_protocol Eigen3::Eigen)
quillon_tools_subsystem(evaluation LIBRARIES ros2_compat quillon_protocol)
find_package(SQLite3 REQUIRED)
quillon_tools_subsystem(recording LIBRARIES ros2_compat quillon_protocol yaml-cpp SQLite::SQLite3)
quillon_tools_subsystem(runner LIBRARIES trailscan_core trailmerge_core quillon_simulation quillon_evaluation)

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
  if(TARGET quillon_tools_demo_report_test)
    add_dependencies(quillon_tools_demo_report_test quillon_demo)
    target_compile_definitions(quillon_tools_demo_report_test PRIVATE
      DEMO_EXECUTABLE="$<TARGET_FILE:quillon_demo>")
  endif()
  add_executable(quillon_soak "${QUILLON_TOOLS_DIR}/programs/soak.cpp")
  quillon_warnings(quillon_soak)
  target_link_libraries(quillon_soak PRIVATE quillon_runner)
endif()

# Recordings: the offline runner, record, play and the evaluation of a result bag.
if(TARGET quillon_runner AND TARGET quillon_recording)
  target_link_libraries(quillon_runner PUBLIC quillon_recording)
  target_link_libraries(quillon_simulate PRIVATE quillon_runner)
  foreach(program offline_run bag_record bag_play evaluate suggest_profile)
    add_executable(quillon_${program} "${QUILLON_TOOLS_DIR}/programs/${program}.cpp")
    quillon_warnings(quillon_${program})
    target_link_libraries(quillon_${program} PRIVATE quillon_runner)
  endforeach()
  if(TARGET quillon_tools_bag_record_play_test)
    add_dependencies(quillon_tools_bag_record_play_test quillon_bag_record quillon_bag_play)
    target_compile_definitions(quillon_tools_bag_record_play_test PRIVATE
      BAG_RECORD_EXECUTABLE="$<TARGET_FILE:quillon_bag_record>"
      BAG_PLAY_EXECUTABLE="$<TARGET_FILE:quillon_bag_play>")
  endif()
  if(TARGET quillon_tools_suggest_profile_test)
    add_dependencies(quillon_tools_suggest_profile_test quillon_suggest_profile)
    target_compile_definitions(quillon_tools_suggest_profile_test PRIVATE
      SUGGEST_PROFILE_EXECUTABLE="$<TARGET_FILE:quillon_suggest_profile>")
  endif()
  if(TARGET quillon_tools_bag_programs_test)
    add_dependencies(quillon_tools_bag_programs_test quillon_offline_run quillon_evaluate quillon_simulate)
    target_compile_definitions(quillon_tools_bag_programs_test PRIVATE
      OFFLINE_RUN_EXECUTABLE="$<TARGET_FILE:quillon_offline_run>"
      EVALUATE_EXECUTABLE="$<TARGET_FILE:quillon_evaluate>"
      SIMULATE_EXECUTABLE="$<TARGET_FILE:quillon_simulate>")
  endif()
  if(TARGET quillon_tools_real_recordings_test)
    target_compile_definitions(quillon_tools_real_recordings_test PRIVATE
      QUILLON_REALDATA_DIR="${QUILLON_TOOLS_DIR}/../realdata"
      QUILLON_DETECTOR_CONFIG="${QUILLON_TOOLS_DIR}/../quillon_dynamic_detector/config/cfg.yaml")
  endif()
  quillon_add_benchmark(quillon_offline_runner_benchmark
    "${QUILLON_TOOLS_DIR}/benchmark/offline_runner_benchmark.cpp" LIBRARIES quillon_runner)
  # The quality benchmark is a program of its own: every scenario, scanner model and detector.
  add_executable(quillon_quality_benchmark
    "${QUILLON_TOOLS_DIR}/benchmark/quality/quality_benchmark.cpp"
    "${QUILLON_TOOLS_DIR}/benchmark/quality/bare_clustering.cpp"
    "${QUILLON_TOOLS_DIR}/benchmark/quality/benchmark_run.cpp"
    "${QUILLON_TOOLS_DIR}/benchmark/quality/benchmark_support.cpp"
    "${QUILLON_TOOLS_DIR}/benchmark/quality/real_recordings.cpp")
  quillon_warnings(quillon_quality_benchmark)
  target_link_libraries(quillon_quality_benchmark PRIVATE quillon_runner)
  # The repository's real recordings and the regions of the shared pack left out of scoring.
  target_compile_definitions(quillon_quality_benchmark PRIVATE
    QUILLON_REALDATA_DIR="${QUILLON_TOOLS_DIR}/../realdata")
  set_target_properties(quillon_quality_benchmark PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/benchmarks")
endif()

# Rebuilding the metadata.yaml of a bag whose recorder was killed needs the bag library only.
if(TARGET quillon_recording)
  add_executable(quillon_bag_reindex "${QUILLON_TOOLS_DIR}/programs/bag_reindex.cpp")
  quillon_warnings(quillon_bag_reindex)
  target_link_libraries(quillon_bag_reindex PRIVATE quillon_recording)
  if(TARGET quillon_tools_bag_reindex_test)
    add_dependencies(quillon_tools_bag_reindex_test quillon_bag_reindex)
    target_compile_definitions(quillon_tools_bag_reindex_test PRIVATE
      BAG_REINDEX_EXECUTABLE="$<TARGET_FILE:quillon_bag_reindex>")
  endif()
endif()

# Every program answers --help; the test finds them in the build folder.
if(TARGET quillon_tools_program_help_test)
  add_dependencies(quillon_tools_program_help_test quillon_simulate quillon_demo quillon_soak
    quillon_offline_run quillon_bag_record quillon_bag_play quillon_evaluate quillon_bag_reindex
    quillon_quality_benchmark quillon_suggest_profile)
  target_compile_definitions(quillon_tools_program_help_test PRIVATE
    QUILLON_PROGRAM_DIR="${CMAKE_BINARY_DIR}")
endif()

# The launch file's parameter layers, checked with stand-ins for launch and launch_ros.
if(QUILLON_BUILD_TESTS)
  add_test(NAME quillon_tools_people_tracking_launch_test
    COMMAND "${Python3_EXECUTABLE}" "${QUILLON_TOOLS_DIR}/test/launch/people_tracking_launch_test.py"
      "${QUILLON_DETECTOR_DIR}/launch/people_tracking.launch.py" "${QUILLON_DETECTOR_DIR}")
endif()
