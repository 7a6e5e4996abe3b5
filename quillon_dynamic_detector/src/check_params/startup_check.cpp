#include "quillon_dynamic_detector/check_params/startup_check.hpp"

#include <exception>
#include <memory>
#include <string>

#include "quillon_dynamic_detector/euclidean_clustering.hpp"
#include "quillon_dynamic_detector/geometric_motion_detector.hpp"
#include "quillon_dynamic_detector/pedestrian_tracker.hpp"
#include "quillon_dynamic_detector/trailmerge_settings.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

// A node named like the program's, taking its parameters from the file only (not from this
// process's command line), without the services that would show it to other nodes.
std::shared_ptr<rclcpp::Node> nodeWithParameters(
  const std::string & name, const std::string & params_file)
{
  rclcpp::NodeOptions options;
  options.arguments({"--ros-args", "--params-file", params_file})
    .use_global_arguments(false)
    .start_parameter_services(false)
    .start_parameter_event_publisher(false)
    .enable_rosout(false);
  return std::make_shared<rclcpp::Node>(name, options);
}

template <typename Steps>
std::optional<std::string> refusalOf(Steps steps)
{
  try {
    steps();
  } catch (const std::exception & e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> trailscanStartupRefusal(
  const std::string & params_file, bool detectors_too)
{
  return refusalOf([&] {
    const auto node = nodeWithParameters("laser_subscriber", params_file);
    const TrailscanSettings settings = declareTrailscanParameters(*node);
    if (detectors_too) {
      if (const auto refusal = detectorStartupRefusal(settings.detector_cfg_file)) {
        throw std::runtime_error(*refusal);
      }
    }
    makeClusterer(settings.clustering);
    PedestrianTracker tracker(settings.tracker);
  });
}

std::optional<std::string> trailmergeStartupRefusal(const std::string & params_file)
{
  return refusalOf([&] {
    const auto node = nodeWithParameters("trailmerge", params_file);
    declareTrailmergeParameters(*node);
  });
}

std::optional<std::string> detectorStartupRefusal(const std::string & path)
{
  return refusalOf([&] {
    orvane::perception::DynamicLaserDetector closed(path);
    GeometricMotionDetector geometric(path);
  });
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
