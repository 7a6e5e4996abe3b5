#include "quillon_dynamic_detector/transform_lookup.hpp"

#include <chrono>
#include <cmath>
#include <string>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "pcl_ros/transforms.hpp"
#include "quillon_dynamic_detector/trailscan_logger.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"
#include "tf2/exceptions.h"
#include "tf2/time.h"

namespace quillon_dynamic_detector
{
namespace
{

constexpr double FALLBACK_TIMEOUT_S = 0.05;

bool isPastExtrapolation(const tf2::TransformException & e)
{
  return std::string(e.what()).find("extrapolation into the past") != std::string::npos;
}

void logLookupError(const std::string & target, const std::string & source, const char * what)
{
  RCLCPP_ERROR(
    trailscanLogger(), "Transform %s to %s error of sensor data: %s, quitting callback",
    source.c_str(), target.c_str(), what);
}

// The stamp is older than the buffer's history: serve the latest transform instead.
bool lookupLatestAfterPastExtrapolation(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, const rclcpp::Time & stamp, const tf2::TransformException & first,
  Eigen::Matrix4f & out)
{
  // One throttle for every caller of the fallback, measured on system time.
  static rclcpp::Clock throttle_clock(RCL_ROS_TIME);
  try {
    const auto tf = buffer->lookupTransform(
      target, source, tf2::TimePointZero, tf2::durationFromSec(FALLBACK_TIMEOUT_S));
    RCLCPP_WARN_THROTTLE(
      trailscanLogger(), throttle_clock, 1000,
      "Transform %s to %s at stamp %.3f unavailable due to past extrapolation, fallback to "
      "latest TF stamp %.3f",
      source.c_str(), target.c_str(), stamp.seconds(), rclcpp::Time(tf.header.stamp).seconds());
    pcl_ros::transformAsMatrix(tf, out);
    return true;
  } catch (const tf2::TransformException & second) {
    RCLCPP_ERROR(
      trailscanLogger(), "Transform %s to %s error of sensor data: %s, fallback failed: %s",
      source.c_str(), target.c_str(), first.what(), second.what());
    return false;
  }
}

}  // namespace

bool getTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, Eigen::Matrix4f & out)
{
  try {
    const auto tf = buffer->lookupTransform(
      target, source, tf2::TimePointZero, tf2::durationFromSec(TRANSFORM_LOOKUP_TIMEOUT_S));
    pcl_ros::transformAsMatrix(tf, out);
    return true;
  } catch (const tf2::TransformException & e) {
    logLookupError(target, source, e.what());
    return false;
  }
}

bool getTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, const rclcpp::Time & stamp, Eigen::Matrix4f & out)
{
  try {
    const tf2::TimePoint time{std::chrono::nanoseconds(stamp.nanoseconds())};
    const auto tf = buffer->lookupTransform(
      target, source, time, tf2::durationFromSec(TRANSFORM_LOOKUP_TIMEOUT_S));
    pcl_ros::transformAsMatrix(tf, out);
    return true;
  } catch (const tf2::TransformException & e) {
    if (isPastExtrapolation(e)) {
      return lookupLatestAfterPastExtrapolation(buffer, target, source, stamp, e, out);
    }
    logLookupError(target, source, e.what());
    return false;
  }
}

std::optional<Eigen::Matrix4f> findTransformMatrix(
  const std::shared_ptr<tf2_ros::Buffer> & buffer, const std::string & target,
  const std::string & source, const rclcpp::Time & stamp)
{
  try {
    const tf2::TimePoint time{std::chrono::nanoseconds(stamp.nanoseconds())};
    const auto tf = buffer->lookupTransform(target, source, time, tf2::durationFromSec(0.0));
    Eigen::Matrix4f out;
    pcl_ros::transformAsMatrix(tf, out);
    return out;
  } catch (const tf2::TransformException &) {
    return std::nullopt;
  }
}

bool robotPoseAvailable(const tf2::BufferCore & buffer, const rclcpp::Time & stamp)
{
  const tf2::TimePoint time{std::chrono::nanoseconds(stamp.nanoseconds())};
  return buffer.canTransform(ODOM_FRAME, ROBOT_BASE_FRAME, time, nullptr);
}

geometry_msgs::msg::Pose poseFromMatrix(const Eigen::Matrix4f & m)
{
  geometry_msgs::msg::Pose pose;
  pose.position.x = m(0, 3);
  pose.position.y = m(1, 3);
  pose.position.z = m(2, 3);

  float q[4];  // x, y, z, w
  const float trace = m(0, 0) + m(1, 1) + m(2, 2);
  if (trace > 0.0f) {
    float s = std::sqrt(trace + 1.0f);
    q[3] = s * 0.5f;
    s = 0.5f / s;
    q[0] = (m(2, 1) - m(1, 2)) * s;
    q[1] = (m(0, 2) - m(2, 0)) * s;
    q[2] = (m(1, 0) - m(0, 1)) * s;
  } else {
    // Largest diagonal element first (the lower index on a tie), the others cyclically after it.
    int i = 0;
    if (m(1, 1) > m(0, 0)) {
      i = 1;
    }
    if (m(2, 2) > m(i, i)) {
      i = 2;
    }
    const int j = (i + 1) % 3;
    const int k = (i + 2) % 3;
    float s = std::sqrt(m(i, i) - m(j, j) - m(k, k) + 1.0f);
    q[i] = s * 0.5f;
    s = 0.5f / s;
    q[3] = (m(k, j) - m(j, k)) * s;
    q[j] = (m(j, i) + m(i, j)) * s;
    q[k] = (m(k, i) + m(i, k)) * s;
  }
  pose.orientation.x = q[0];
  pose.orientation.y = q[1];
  pose.orientation.z = q[2];
  pose.orientation.w = q[3];
  return pose;
}

}  // namespace quillon_dynamic_detector
