# ament_cmake_gtest as ROS 2 Humble ships it: each package that adds a gtest builds googletest
# from source inside its own build folder (Humble's gtest_vendor), so that googletest's sources
# see the package's directory-wide compile options, as on a robot. Debian's ament_cmake_gtest,
# which this keeps for everything else, links a prebuilt googletest instead; with it, a package
# that leaks its warning flags into googletest would build clean here and warn on a robot.
set(ament_cmake_gtest_DIR "/usr/share/ament_cmake_gtest/cmake")
include("${ament_cmake_gtest_DIR}/ament_cmake_gtestConfig.cmake")

# Debian's source of googletest (package googletest), where Humble's gtest_vendor has its copy.
set(_ament_cmake_gtest_source_dir "/usr/src/googletest/googletest")
if(NOT EXISTS "${_ament_cmake_gtest_source_dir}/CMakeLists.txt")
  message(FATAL_ERROR "ament_cmake_gtest: no googletest source in ${_ament_cmake_gtest_source_dir}"
    " (Debian package googletest)")
endif()

macro(_ament_cmake_gtest_find_gtest)
  if(NOT DEFINED _AMENT_CMAKE_GTEST_FIND_GTEST)
    set(_AMENT_CMAKE_GTEST_FIND_GTEST TRUE)
    find_package(ament_cmake_test QUIET REQUIRED)
    if(NOT TARGET gtest)
      add_subdirectory("${_ament_cmake_gtest_source_dir}" "${CMAKE_BINARY_DIR}/gtest"
        EXCLUDE_FROM_ALL)
    endif()
    set(GTEST_FOUND TRUE)
    set(GTEST_INCLUDE_DIRS "${_ament_cmake_gtest_source_dir}/include")
    set(GTEST_LIBRARY_DIRS)
    set(GTEST_LIBRARIES gtest)
    set(GTEST_MAIN_LIBRARIES gtest_main)
    set(GTEST_BOTH_LIBRARIES gtest gtest_main)
  endif()
endmacro()
