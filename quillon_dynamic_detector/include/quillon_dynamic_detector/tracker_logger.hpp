#ifndef QUILLON_DYNAMIC_DETECTOR__TRACKER_LOGGER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACKER_LOGGER_HPP_

#include "rclcpp/logger.hpp"

namespace quillon_dynamic_detector
{

// The process-wide logger "laser_tracker" that both scanners' trackers share.
const rclcpp::Logger & trackerLogger();

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACKER_LOGGER_HPP_
