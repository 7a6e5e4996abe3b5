#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__STARTUP_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__STARTUP_CHECK_HPP_

#include <optional>
#include <string>

namespace quillon_dynamic_detector
{
namespace check_params
{

// The programs' own start-up steps on a user's files, without topics, TF or waiting: what they
// would stop with (the exception's text), or nothing when they would start. They need
// rclcpp::init to have been called; the nodes they create have no parameter services.

// trailscan's parameters declared from the parameter file at `params_file` (node
// "laser_subscriber"), its clusterer and tracker built from them, and, when
// `detectors_too`, both detectors built from the configuration file the parameters name.
std::optional<std::string> trailscanStartupRefusal(
  const std::string & params_file, bool detectors_too);

// trailmerge's parameters declared from the parameter file at `params_file` (node "trailmerge").
std::optional<std::string> trailmergeStartupRefusal(const std::string & params_file);

// Both moving-point detectors built from the configuration file at `path`, as trailscan builds
// them for each scanner.
std::optional<std::string> detectorStartupRefusal(const std::string & path);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__STARTUP_CHECK_HPP_
