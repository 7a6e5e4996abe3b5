# Fuzz harnesses of every input boundary (scans, object lists, configuration files, CDR
# payloads). With QUILLON_FUZZ=ON (clang only) the whole tree is instrumented for libFuzzer and
# the sanitizers and each harness becomes a fuzzing program; with tests on, every stored input
# of a harness is replayed through the same entry point by an ordinary gtest. Included before
# the packages so that the instrumentation flags reach every target.
option(QUILLON_FUZZ "Build the libFuzzer harnesses (needs clang)" OFF)
set(QUILLON_FUZZ_DIR "${CMAKE_CURRENT_LIST_DIR}")

# Harness name and the libraries its entry point drives.
# The stage harnesses drive one library each, fast enough for millions of inputs; the others
# drive whole paths (nodes, files, messages).
set(QUILLON_FUZZ_HARNESSES cluster_stages tracker_update geometric_motion_detector
  free_space_detector fusion_functions laser_scan_pipeline object_list_fusion configuration
  cdr_deserialise)
set(QUILLON_FUZZ_LIBRARIES_cluster_stages quillon_clustering quillon_cluster_features)
set(QUILLON_FUZZ_LIBRARIES_tracker_update quillon_tracker)
set(QUILLON_FUZZ_LIBRARIES_geometric_motion_detector trailscan_core)
set(QUILLON_FUZZ_LIBRARIES_free_space_detector trailscan_core)
set(QUILLON_FUZZ_LIBRARIES_fusion_functions trailmerge_core)
set(QUILLON_FUZZ_LIBRARIES_laser_scan_pipeline trailscan_core)
set(QUILLON_FUZZ_LIBRARIES_object_list_fusion trailmerge_core)
set(QUILLON_FUZZ_LIBRARIES_configuration trailscan_core trailmerge_core)
set(QUILLON_FUZZ_LIBRARIES_cdr_deserialise ros2_compat_cdr quillon_protocol)

if(QUILLON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUILLON_FUZZ needs clang (libFuzzer), not ${CMAKE_CXX_COMPILER_ID}")
  endif()
  # Coverage for the search in every library; undefined behaviour stops the run like a crash.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  foreach(harness ${QUILLON_FUZZ_HARNESSES})
    add_executable(fuzz_${harness} "${QUILLON_FUZZ_DIR}/harnesses/${harness}.cpp")
    quillon_warnings(fuzz_${harness})
    target_include_directories(fuzz_${harness} PRIVATE "${QUILLON_FUZZ_DIR}/harnesses")
    target_link_libraries(fuzz_${harness} PRIVATE ${QUILLON_FUZZ_LIBRARIES_${harness}})
    target_link_options(fuzz_${harness} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${harness} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  endforeach()
endif()

if(QUILLON_BUILD_TESTS)
  foreach(harness ${QUILLON_FUZZ_HARNESSES})
    quillon_add_gtest(fuzz_${harness}_replay_test "${QUILLON_FUZZ_DIR}/replay/stored_inputs_replay_test.cpp"
      LIBRARIES ${QUILLON_FUZZ_LIBRARIES_${harness}})
    target_sources(fuzz_${harness}_replay_test PRIVATE "${QUILLON_FUZZ_DIR}/harnesses/${harness}.cpp")
    target_include_directories(fuzz_${harness}_replay_test PRIVATE "${QUILLON_FUZZ_DIR}/harnesses")
    target_compile_definitions(fuzz_${harness}_replay_test PRIVATE
      QUILLON_FUZZ_HARNESS="${harness}"
      QUILLON_FUZZ_SUITE=fuzz_${harness}
      QUILLON_FUZZ_CORPUS_DIR="${QUILLON_FUZZ_DIR}/corpus/${harness}"
      QUILLON_FUZZ_REGRESSIONS_DIR="${QUILLON_FUZZ_DIR}/regressions/${harness}")
  endforeach()
endif()
