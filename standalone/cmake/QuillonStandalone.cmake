# Helpers shared by the standalone build of every package.

# Warnings for our own targets (not for the generated or third-party code).
function(quillon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
endfunction()

# Generate C++ message headers from .msg files (MSG_FILES of one PACKAGE, or SPECS of the form
# <package>:<file.msg> for several packages at once) into <binary>/generated/<target>/include and
# expose them as INTERFACE library <target>. Headers are regenerated whenever a .msg file or the
# generator changes (they are inputs of the configure step).
function(quillon_generate_messages target)
  cmake_parse_arguments(ARG "" "PACKAGE" "MSG_FILES;SPECS;DEPENDS" ${ARGN})
  set(out_dir "${CMAKE_BINARY_DIR}/generated/${target}/include")
  set(generator "${QUILLON_REPO_ROOT}/ros2_compat/tools/generate_messages.py")
  set(specs ${ARG_SPECS})
  foreach(msg ${ARG_MSG_FILES})
    list(APPEND specs "${ARG_PACKAGE}:${msg}")
  endforeach()
  set(msg_files)
  foreach(entry ${specs})
    string(REGEX REPLACE "^[^:]*:" "" msg "${entry}")
    list(APPEND msg_files "${msg}")
  endforeach()
  set(search_args)
  foreach(dep ${ARG_DEPENDS})
    get_target_property(dep_dirs ${dep} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(dir ${dep_dirs})
      # Only the build tree's folders: an installed layout does not exist yet.
      if(dir MATCHES "^\\$<INSTALL_INTERFACE:")
        continue()
      endif()
      string(REGEX REPLACE "^\\$<BUILD_INTERFACE:(.*)>$" "\\1" dir "${dir}")
      list(APPEND search_args --search "${dir}")
    endforeach()
  endforeach()
  execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${generator}" ${search_args} "${out_dir}" ${specs}
    RESULT_VARIABLE result
    ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Message generation for ${ARG_PACKAGE} failed: ${error}")
  endif()
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${msg_files} "${generator}")
  if(NOT TARGET ${target})
    add_library(${target} INTERFACE)
  endif()
  target_include_directories(${target} INTERFACE
    $<BUILD_INTERFACE:${out_dir}> $<INSTALL_INTERFACE:include>)
  target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
endfunction()

# Register a package in the build tree's ament index (and copy share files), as an install of
# the package would in a colcon workspace.
function(quillon_register_package package)
  cmake_parse_arguments(ARG "" "" "SHARE_DIRS" ${ARGN})
  file(MAKE_DIRECTORY "${QUILLON_AMENT_PREFIX}/share/ament_index/resource_index/packages")
  file(TOUCH "${QUILLON_AMENT_PREFIX}/share/ament_index/resource_index/packages/${package}")
  foreach(dir ${ARG_SHARE_DIRS})
    file(COPY "${dir}" DESTINATION "${QUILLON_AMENT_PREFIX}/share/${package}")
  endforeach()
endfunction()

# One GoogleTest executable per test source, registered with CTest.
function(quillon_add_gtest name source)
  cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
  add_executable(${name} ${source})
  quillon_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "AMENT_PREFIX_PATH=${QUILLON_AMENT_PREFIX};QUILLON_GOLDEN_DIR=${QUILLON_GOLDEN_DIR}")
endfunction()

# A Google Benchmark program (built with the tree, run by hand: they measure, they do not test).
function(quillon_add_benchmark name source)
  cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${source})
  quillon_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} benchmark::benchmark Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/benchmarks")
endfunction()
