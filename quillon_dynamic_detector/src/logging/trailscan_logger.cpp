#include "quillon_dynamic_detector/trailscan_logger.hpp"

#include "rclcpp/logging.hpp"

namespace quillon_dynamic_detector
{

const rclcpp::Logger & trailscanLogger()
{
  static const rclcpp::Logger logger = rclcpp::get_logger("trailscan");
  return logger;
}

}  // namespace quillon_dynamic_detector
