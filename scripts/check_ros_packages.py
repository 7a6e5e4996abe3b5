#!/usr/bin/env python3
"""Checks the ROS 2 (colcon) side of every package folder, which cannot be built here.

For each folder with a package.xml: the manifest must parse as format 3 (catkin_pkg validates it),
the CMake project name must be the package name, every ROS package that CMakeLists.txt finds
must be a dependency in package.xml, and every <depend> must be found by CMakeLists.txt (system
packages excepted). Exits non-zero with one line per problem.
"""

import glob
import os
import re
import sys

import yaml

from catkin_pkg.package import parse_package

# CMake package names that are not ROS packages, with the rosdep key that provides them.
SYSTEM_PACKAGES = {
    'ament_cmake': None, 'ament_cmake_gtest': None, 'Eigen3': 'eigen', 'PCL': 'libpcl-all-dev',
    'OpenCV': 'libopencv-dev', 'yaml-cpp': 'yaml_cpp_vendor',
}
# Dependencies a manifest may list without CMake finding them under the same name.
NOT_FOUND_BY_NAME = {'eigen', 'libpcl-all-dev', 'libopencv-dev', 'rosidl_default_runtime'}


def check(folder):
    problems = []
    package = parse_package(folder)
    if package.package_format != 3:
        problems.append(f'{folder}: package.xml is format {package.package_format}, not 3')
    with open(os.path.join(folder, 'CMakeLists.txt'), encoding='utf-8') as f:
        cmake = f.read()
    project = re.search(r'project\((\w+)', cmake)
    if not project or project.group(1) != package.name:
        problems.append(f'{folder}: CMake project is not named {package.name}')
    found = set(re.findall(r'find_package\(([\w-]+)[^)]*REQUIRED', cmake))
    declared = {d.name for d in package.build_depends + package.buildtool_depends +
                package.build_export_depends + package.test_depends}
    for name in sorted(found):
        key = SYSTEM_PACKAGES.get(name, name)
        if key is not None and key not in declared:
            problems.append(f'{folder}: CMakeLists.txt finds {name} but package.xml lacks {key}')
    for name in sorted(d.name for d in package.build_depends):
        if name not in found and name not in NOT_FOUND_BY_NAME:
            problems.append(f'{folder}: package.xml depends on {name} but CMakeLists.txt never finds it')
    return problems


def check_installed_files(folder):
    """Launch files must compile; parameter files and RViz views must be valid YAML."""
    problems = []
    for launch in sorted(glob.glob(os.path.join(folder, 'launch', '*.py'))):
        with open(launch, encoding='utf-8') as f:
            source = f.read()
        try:
            compile(source, launch, 'exec')
        except SyntaxError as e:
            problems.append(f'{launch}:{e.lineno}: {e.msg}')
    for pattern in ('config/*.yaml', 'rviz/*.rviz'):
        for path in sorted(glob.glob(os.path.join(folder, pattern))):
            try:
                with open(path, encoding='utf-8') as f:
                    yaml.safe_load(f)
            except yaml.YAMLError as e:
                problems.append(f'{path}: not valid YAML: {e}')
    return problems


def main(root):
    folders = sorted(
        os.path.join(root, d) for d in os.listdir(root)
        if os.path.isfile(os.path.join(root, d, 'package.xml')))
    problems = [p for folder in folders for p in check(folder) + check_installed_files(folder)]
    for p in problems:
        print(p)
    print(f'checked {len(folders)} packages: {len(problems)} problems')
    return 1 if problems or not folders else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.getcwd()))
