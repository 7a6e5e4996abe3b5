#include "quillon_dynamic_detector/check_params/detector_config_check.hpp"

#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/schema_check.hpp"
#include "quillon_dynamic_detector/check_params/startup_check.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

std::vector<Finding> checkDetectorConfig(
  const std::string & path, const YAML::Node & root, const ParameterSchema & schema)
{
  std::vector<Finding> findings;
  if (!root.IsMap() && !root.IsNull()) {
    findings.push_back({1, Severity::error, "a detector configuration must be a map of keys"});
    return findings;
  }
  const std::vector<SetKey> keys = root.IsMap() ? flattenKeys(root) : std::vector<SetKey>{};
  checkKeys({&schema}, keys, detectorConfigValue, findings);
  checkOrder(schema, keys, detectorConfigValue, findings);
  if (const auto refusal = detectorStartupRefusal(path)) {
    findings.push_back(
      {lineMentioned(*refusal, keys, 1), Severity::error,
       "trailscan would not start: " + *refusal});
  }
  return findings;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
