#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__DETECTOR_CONFIG_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__DETECTOR_CONFIG_CHECK_HPP_

#include <yaml-cpp/yaml.h>

#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/finding.hpp"
#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// What is wrong with the detector configuration at `path`, whose document is `root`: its keys
// against `schema`, the order between keys, and what building the detectors would refuse.
std::vector<Finding> checkDetectorConfig(
  const std::string & path, const YAML::Node & root, const ParameterSchema & schema);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__DETECTOR_CONFIG_CHECK_HPP_
