# Installs the compatibility layer as an underlay of ROS 2 packages at their real names, so that
# colcon builds this repository's ROS packages where ROS 2 is not installed:
#   cmake --install <build> --component ros_underlay --prefix <underlay>
#   . <underlay>/setup.sh && colcon build ...
# Each package (rclcpp, tf2_ros, sensor_msgs, rosidl_default_generators, ...) gets a CMake config
# that hands out the layer's libraries the way ament_target_dependencies expects them. The test
# seams (ros2_compat/testing) stay out: code built on the underlay must build on Humble too.

set(underlay_component ros_underlay)
set(underlay_cmake_dir share/ros2_compat/cmake)

install(DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/include/" DESTINATION include
  COMPONENT ${underlay_component} PATTERN testing EXCLUDE)
install(DIRECTORY "${CMAKE_BINARY_DIR}/generated/ros2_compat_msgs/include/" DESTINATION include
  COMPONENT ${underlay_component})
install(TARGETS ros2_compat_headers ros2_compat_msgs ros2_compat_messages ros2_compat_cdr
    ros2_compat_time_logging ros2_compat_parameters ros2_compat_dds ros2_compat_node
    ros2_compat_tf2 ros2_compat_pcl ros2_compat
  EXPORT ros2_compat_targets ARCHIVE DESTINATION lib COMPONENT ${underlay_component})
install(EXPORT ros2_compat_targets NAMESPACE ros2_compat:: DESTINATION ${underlay_cmake_dir}
  COMPONENT ${underlay_component})
install(FILES "${CMAKE_CURRENT_LIST_DIR}/ros2_compatConfig.cmake" DESTINATION ${underlay_cmake_dir}
  COMPONENT ${underlay_component})

# quillon_underlay_package(<name> <layer target>... [FIND_DEPENDENCIES <package>...]
#                          [INTERFACE_FILES <file>...]): share/<name>/cmake/<name>Config.cmake, the
# package's ament index entry and, for message packages, their interface files.
function(quillon_underlay_package name)
  cmake_parse_arguments(ARG "" "" "INTERFACE_FILES;FIND_DEPENDENCIES" ${ARGN})
  set(PACKAGE_NAME ${name})
  set(PACKAGE_FIND_DEPENDENCIES)
  foreach(dependency ${ARG_FIND_DEPENDENCIES})
    string(APPEND PACKAGE_FIND_DEPENDENCIES "find_dependency(${dependency})\n")
  endforeach()
  set(PACKAGE_TARGETS)
  foreach(target ${ARG_UNPARSED_ARGUMENTS})
    list(APPEND PACKAGE_TARGETS "ros2_compat::${target}")
  endforeach()
  set(config "${CMAKE_CURRENT_BINARY_DIR}/underlay/${name}Config.cmake")
  configure_file("${CMAKE_CURRENT_SOURCE_DIR}/underlay/package_config.cmake.in" "${config}" @ONLY)
  install(FILES "${config}" DESTINATION share/${name}/cmake COMPONENT ${underlay_component})
  install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/underlay/ament_index_marker"
    DESTINATION share/ament_index/resource_index/packages RENAME ${name}
    COMPONENT ${underlay_component})
  foreach(file ${ARG_INTERFACE_FILES})
    get_filename_component(kind_dir "${file}" DIRECTORY)
    get_filename_component(kind "${kind_dir}" NAME)
    install(FILES "${file}" DESTINATION share/${name}/${kind} COMPONENT ${underlay_component})
  endforeach()
endfunction()

foreach(pkg ${interface_packages})
  quillon_underlay_package(${pkg} ros2_compat_msgs INTERFACE_FILES ${msgs_of_${pkg}})
endforeach()
quillon_underlay_package(rosidl_default_runtime ros2_compat_msgs)
quillon_underlay_package(rclcpp ros2_compat_node)
quillon_underlay_package(tf2 ros2_compat_tf2)
quillon_underlay_package(tf2_ros ros2_compat_tf2)
quillon_underlay_package(tf2_geometry_msgs ros2_compat_tf2)
quillon_underlay_package(pcl_conversions ros2_compat_pcl)
quillon_underlay_package(pcl_ros ros2_compat_pcl)
# Humble's yaml_cpp_vendor only finds the system's yaml-cpp.
quillon_underlay_package(yaml_cpp_vendor FIND_DEPENDENCIES yaml-cpp)

# rosidl_default_generators: rosidl_generate_interfaces() with the layer's own generator.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/rosidl_default_generatorsConfig.cmake"
  DESTINATION share/rosidl_default_generators/cmake COMPONENT ${underlay_component})
install(PROGRAMS "${CMAKE_CURRENT_SOURCE_DIR}/tools/generate_messages.py"
  DESTINATION share/rosidl_default_generators COMPONENT ${underlay_component})
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/underlay/ament_index_marker"
  DESTINATION share/ament_index/resource_index/packages RENAME rosidl_default_generators
  COMPONENT ${underlay_component})

# ament_cmake_gtest building googletest from source in each package, as Humble's does.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/ament_cmake_gtestConfig.cmake"
  DESTINATION share/ament_cmake_gtest/cmake COMPONENT ${underlay_component})

# What `source /opt/ros/humble/setup.bash` does on a robot; colcon chains local_setup.bash into a
# workspace's setup files. The underlay has no parents, so both do the same.
foreach(setup_file setup.bash local_setup.bash)
  install(FILES "${CMAKE_CURRENT_LIST_DIR}/local_setup.bash" DESTINATION . RENAME ${setup_file}
    COMPONENT ${underlay_component})
endforeach()
