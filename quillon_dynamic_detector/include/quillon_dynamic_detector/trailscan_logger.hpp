#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_LOGGER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_LOGGER_HPP_

#include "rclcpp/logger.hpp"

namespace quillon_dynamic_detector
{

// The process-wide logger "trailscan" of the pipeline, the pose lookup and the clustering.
const rclcpp::Logger & trailscanLogger();

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_LOGGER_HPP_
