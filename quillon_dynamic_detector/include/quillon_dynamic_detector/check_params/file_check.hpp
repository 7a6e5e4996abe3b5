#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FILE_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FILE_CHECK_HPP_

#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/finding.hpp"
#include "quillon_dynamic_detector/check_params/schemas.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

struct FileReport
{
  std::string kind;  // what the file was read as, and why
  std::vector<Finding> findings;
};

// Everything wrong with the file at `path`: a ROS 2 parameter file of trailscan and trailmerge
// (it has "ros__parameters", or its name ends in ".params.yaml") or else a detector
// configuration. Unreadable or broken YAML is one finding; nothing is thrown for the file's sake.
// Needs rclcpp::init (start-up checks).
FileReport checkFile(const std::string & path, const Schemas & schemas);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FILE_CHECK_HPP_
