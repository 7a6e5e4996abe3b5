# rosidl_default_generators as the compatibility layer's underlay provides it:
# rosidl_generate_interfaces() generates the C++ message types with the layer's own generator
# (header-only, CDR layout included), so a message package builds unchanged with colcon.
include(CMakeFindDependencyMacro)
find_dependency(ros2_compat CONFIG PATHS "${CMAKE_CURRENT_LIST_DIR}/../../ros2_compat/cmake"
  NO_DEFAULT_PATH)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
get_filename_component(rosidl_default_generators_GENERATOR
  "${CMAKE_CURRENT_LIST_DIR}/../generate_messages.py" ABSOLUTE)

# rosidl_generate_interfaces(<target> <file.msg|file.srv>... [DEPENDENCIES <package>...]
#                            [SKIP_INSTALL] [LIBRARY_NAME <name>] [ADD_LINTER_TESTS]
#                            [SKIP_GROUP_MEMBERSHIP_CHECK])
# A macro, as ament's export calls must run in the package's own scope.
macro(rosidl_generate_interfaces target)
  _rosidl_underlay_generate(${target} ${ARGN})
  cmake_parse_arguments(_rosidl_underlay "SKIP_INSTALL" "" "DEPENDENCIES" ${ARGN})
  if(NOT _rosidl_underlay_SKIP_INSTALL)
    ament_export_targets(${target}__rosidl_generator_cpp)
    ament_export_include_directories(include/${PROJECT_NAME})
    ament_export_dependencies(rosidl_default_runtime ${_rosidl_underlay_DEPENDENCIES})
  endif()
endmacro()

function(_rosidl_underlay_generate target)
  cmake_parse_arguments(ARG "SKIP_INSTALL;SKIP_GROUP_MEMBERSHIP_CHECK;ADD_LINTER_TESTS"
    "LIBRARY_NAME" "DEPENDENCIES" ${ARGN})
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/rosidl_generator_cpp")
  set(files)
  set(specs)
  foreach(file ${ARG_UNPARSED_ARGUMENTS})
    if(NOT IS_ABSOLUTE "${file}")
      set(file "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
    endif()
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "rosidl_generate_interfaces() the passed file '${file}' doesn't exist")
    endif()
    list(APPEND files "${file}")
    list(APPEND specs "${PROJECT_NAME}:${file}")
  endforeach()

  get_target_property(search_dirs ros2_compat::ros2_compat_msgs INTERFACE_INCLUDE_DIRECTORIES)
  set(dependency_targets)
  foreach(dependency ${ARG_DEPENDENCIES})
    if(NOT ${dependency}_FOUND)
      message(FATAL_ERROR
        "rosidl_generate_interfaces() the passed dependency '${dependency}' has not been found before using find_package()")
    endif()
    list(APPEND search_dirs ${${dependency}_INCLUDE_DIRS})
    list(APPEND dependency_targets ${${dependency}_TARGETS})
  endforeach()
  set(search_args)
  foreach(dir ${search_dirs})
    list(APPEND search_args --search "${dir}")
  endforeach()

  execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${rosidl_default_generators_GENERATOR}" ${search_args}
      "${out_dir}" ${specs}
    RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Message generation for ${PROJECT_NAME} failed: ${error}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})

  add_library(${target} INTERFACE)
  target_include_directories(${target} INTERFACE
    $<BUILD_INTERFACE:${out_dir}> $<INSTALL_INTERFACE:include/${PROJECT_NAME}>)
  target_link_libraries(${target} INTERFACE ros2_compat::ros2_compat_msgs ${dependency_targets})
  if(ARG_SKIP_INSTALL)
    return()
  endif()
  install(DIRECTORY "${out_dir}/" DESTINATION include/${PROJECT_NAME})
  foreach(file ${files})
    get_filename_component(kind_dir "${file}" DIRECTORY)
    get_filename_component(kind "${kind_dir}" NAME)
    install(FILES "${file}" DESTINATION share/${PROJECT_NAME}/${kind})
  endforeach()
  install(TARGETS ${target} EXPORT ${target}__rosidl_generator_cpp)
endfunction()
