# quillon_check_params: reads parameter files and detector configurations and reports everything
# wrong with them before a program starts. Included by both builds once the node libraries exist.
set(CHECK_PARAMS_DIR "${QUILLON_DETECTOR_DIR}/src/check_params")
set(CHECK_PARAMS_LIBRARY_SOURCES
  "${CHECK_PARAMS_DIR}/detector_config_check.cpp"
  "${CHECK_PARAMS_DIR}/file_check.cpp"
  "${CHECK_PARAMS_DIR}/parameter_file_check.cpp"
  "${CHECK_PARAMS_DIR}/schema_check.cpp"
  "${CHECK_PARAMS_DIR}/schemas.cpp"
  "${CHECK_PARAMS_DIR}/self_filter_check.cpp"
  "${CHECK_PARAMS_DIR}/startup_check.cpp"
  "${CHECK_PARAMS_DIR}/value_rules.cpp")

add_library(quillon_check_params_core STATIC ${CHECK_PARAMS_LIBRARY_SOURCES})
add_executable(quillon_check_params "${CHECK_PARAMS_DIR}/main.cpp")

if(COMMAND ament_package)
  # ament build: the node libraries link with the plain signature, so these do too.
  target_link_libraries(quillon_check_params_core trailscan_core trailmerge_core)
  target_link_libraries(quillon_check_params quillon_check_params_core)
  install(TARGETS quillon_check_params DESTINATION lib/${PROJECT_NAME})
  install(DIRECTORY "${QUILLON_DETECTOR_DIR}/schema" DESTINATION share/${PROJECT_NAME})
  return()
endif()

# Standalone build: the schemas go into the build tree's share folder, where the program finds
# them through the ament index as an installed one does; editing one copies it again.
quillon_warnings(quillon_check_params_core)
quillon_warnings(quillon_check_params)
target_link_libraries(quillon_check_params_core PUBLIC trailscan_core trailmerge_core)
target_link_libraries(quillon_check_params PRIVATE quillon_check_params_core)
file(GLOB CHECK_PARAMS_SCHEMAS "${QUILLON_DETECTOR_DIR}/schema/*.json")
file(COPY ${CHECK_PARAMS_SCHEMAS}
  DESTINATION "${QUILLON_AMENT_PREFIX}/share/quillon_dynamic_detector/schema")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CHECK_PARAMS_SCHEMAS})

if(NOT QUILLON_BUILD_TESTS)
  return()
endif()
foreach(test_name check_params_test parameter_schema_test)
  set(target quillon_dynamic_detector_${test_name})
  quillon_add_gtest(${target} "${QUILLON_DETECTOR_DIR}/test/check_params/${test_name}.cpp"
    LIBRARIES quillon_check_params_core)
  target_include_directories(${target} PRIVATE "${QUILLON_DETECTOR_DIR}/test/support")
  target_compile_definitions(${target} PRIVATE
    QUILLON_CHECK_PARAMS_EXECUTABLE="$<TARGET_FILE:quillon_check_params>"
    QUILLON_CONFIG_DIR="${QUILLON_DETECTOR_DIR}/config"
    QUILLON_SCHEMA_DIR="${QUILLON_DETECTOR_DIR}/schema")
  add_dependencies(${target} quillon_check_params)
endforeach()

# The parameter tables of docs/parameters.md are generated from the schemas; this fails when they
# are stale.
add_test(NAME quillon_dynamic_detector_docs_parameter_table
  COMMAND "${Python3_EXECUTABLE}" "${CHECK_PARAMS_DIR}/render_parameter_table.py" --check
  WORKING_DIRECTORY "${QUILLON_REPO_ROOT}")
