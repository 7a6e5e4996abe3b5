#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_FILE_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_FILE_CHECK_HPP_

#include <yaml-cpp/yaml.h>

#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/finding.hpp"
#include "quillon_dynamic_detector/check_params/schemas.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// What is wrong with the ROS 2 parameter file at `path`, whose document is `root`: its layout
// (node names above "ros__parameters"), each section's keys against the schema of the program it
// applies to ("laser_subscriber": trailscan, "trailmerge": trailmerge, "/**": both), the order
// between keys, and what each program's start-up would refuse. Needs rclcpp::init.
std::vector<Finding> checkParameterFile(
  const std::string & path, const YAML::Node & root, const Schemas & schemas);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__PARAMETER_FILE_CHECK_HPP_
