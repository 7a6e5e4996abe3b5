#ifndef QUILLON_DYNAMIC_DETECTOR__TRANSFORM_LOOKUP_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRANSFORM_LOOKUP_HPP_

#include <memory>
#include <optional>
#include <string>

#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"
#include "rclcpp/time.hpp"
#include "tf2/buffer_core.h"
#include "tf2_ros/buffer.h"

namespace quillon_dynamic_detector
{

// How long a lookup waits for a transform that has not arrived yet, on the node's clock.
constexpr double TRANSFORM_LOOKUP_TIMEOUT_S = 0.2;

// Each scan is processed with the robot's pose at its stamp: base_footprint in odom.
constexpr const char * ODOM_FRAME = "odom";
constexpr const char * ROBOT_BASE_FRAME = "base_footprint";

// Latest transform mapping points of `source` into `target` (waits up to
// TRANSFORM_LOOKUP_TIMEOUT_S). A failure is logged at ERROR and reported as false; `out` is then
// left unchanged.
bool getTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, Eigen::Matrix4f & out);

// The same at `stamp` (waits up to TRANSFORM_LOOKUP_TIMEOUT_S). A stamp older than the buffer's
// history falls back to the latest transform (waiting up to 0.05 s) with a throttled WARN naming
// both stamps.
bool getTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, const rclcpp::Time & stamp, Eigen::Matrix4f & out);

// The transform at `stamp` when the buffer holds it now: no wait, no fallback and nothing logged,
// for lookups whose callers do without it.
std::optional<Eigen::Matrix4f> findTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, const rclcpp::Time & stamp);

// Whether `buffer` holds the robot's pose at `stamp` now, so that its lookup would not wait.
bool robotPoseAvailable(const tf2::BufferCore & buffer, const rclcpp::Time & stamp);

// Position and unit quaternion of a homogeneous transform, computed in single precision.
geometry_msgs::msg::Pose poseFromMatrix(const Eigen::Matrix4f & m);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRANSFORM_LOOKUP_HPP_
