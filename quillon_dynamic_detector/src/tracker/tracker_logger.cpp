#include "quillon_dynamic_detector/tracker_logger.hpp"

#include "rclcpp/logging.hpp"

namespace quillon_dynamic_detector
{

const rclcpp::Logger & trackerLogger()
{
  static const rclcpp::Logger logger = rclcpp::get_logger("laser_tracker");
  return logger;
}

}  // namespace quillon_dynamic_detector
