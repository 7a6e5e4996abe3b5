// tf2_ros::BufferInterface (lookups with a timeout and the transform() templates) and the
// conversions between tf2 time types, builtin_interfaces messages and rclcpp time types.
#ifndef TF2_ROS__BUFFER_INTERFACE_H_
#define TF2_ROS__BUFFER_INTERFACE_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "builtin_interfaces/msg/duration.hpp"
#include "builtin_interfaces/msg/time.hpp"
#include "geometry_msgs/msg/transform_stamped.hpp"
#include "rclcpp/duration.hpp"
#include "rclcpp/time.hpp"
#include "tf2/buffer_core.h"
#include "tf2/convert.h"
#include "tf2/exceptions.h"
#include "tf2/time.h"
#include "tf2/transform_datatypes.h"

namespace tf2_ros
{

inline builtin_interfaces::msg::Time toMsg(const tf2::TimePoint & t)
{
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch());
  const auto s = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch());
  builtin_interfaces::msg::Time time_msg;
  time_msg.sec = static_cast<int32_t>(s.count());
  time_msg.nanosec = static_cast<uint32_t>(ns.count() % 1000000000ull);
  return time_msg;
}

inline tf2::TimePoint fromMsg(const builtin_interfaces::msg::Time & time_msg)
{
  const int64_t ns = time_msg.sec * 1000000000ll + time_msg.nanosec;
  return tf2::TimePoint(std::chrono::nanoseconds(ns));
}

inline builtin_interfaces::msg::Duration toMsg(const tf2::Duration & t)
{
  const auto s = std::chrono::duration_cast<std::chrono::seconds>(t);
  builtin_interfaces::msg::Duration duration_msg;
  duration_msg.sec = static_cast<int32_t>(s.count());
  duration_msg.nanosec = static_cast<uint32_t>(t.count() % 1000000000ull);
  return duration_msg;
}

inline tf2::Duration fromMsg(const builtin_interfaces::msg::Duration & duration_msg)
{
  return tf2::Duration(duration_msg.sec * 1000000000ll + duration_msg.nanosec);
}

inline double timeToSec(const builtin_interfaces::msg::Time & time_msg)
{
  const auto ns = std::chrono::duration<double, std::nano>(time_msg.nanosec);
  const auto s = std::chrono::duration<double>(time_msg.sec);
  return (s + std::chrono::duration_cast<std::chrono::duration<double>>(ns)).count();
}

// The clock type of the rclcpp::Time is dropped.
inline tf2::TimePoint fromRclcpp(const rclcpp::Time & time)
{
  return tf2::TimePoint(std::chrono::nanoseconds(time.nanoseconds()));
}

// A SYSTEM_TIME rclcpp::Time.
inline rclcpp::Time toRclcpp(const tf2::TimePoint & time)
{
  return rclcpp::Time(
    std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
}

inline tf2::Duration fromRclcpp(const rclcpp::Duration & duration)
{
  return tf2::Duration(std::chrono::nanoseconds(duration.nanoseconds()));
}

inline rclcpp::Duration toRclcpp(const tf2::Duration & duration)
{
  return rclcpp::Duration(std::chrono::duration_cast<std::chrono::nanoseconds>(duration));
}

class BufferInterface
{
public:
  virtual ~BufferInterface() = default;

  // Waits up to timeout for the transform, then looks it up (throws as BufferCore does).
  virtual geometry_msgs::msg::TransformStamped lookupTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration timeout) const = 0;

  virtual bool canTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration timeout, std::string * errstr = nullptr) const = 0;

  // in, expressed in target_frame, at in's stamp; the header comes from the transform.
  template <class T>
  T & transform(
    const T & in, T & out, const std::string & target_frame,
    tf2::Duration timeout = tf2::durationFromSec(0.0)) const
  {
    tf2::doTransform(
      in, out, lookupTransform(target_frame, tf2::getFrameId(in), tf2::getTimestamp(in), timeout));
    return out;
  }

  template <class T>
  T transform(
    const T & in, const std::string & target_frame,
    tf2::Duration timeout = tf2::durationFromSec(0.0)) const
  {
    T out;
    return transform(in, out, target_frame, timeout);
  }

  // Transforms in, then converts the result to B with tf2::convert.
  template <class A, class B>
  B & transform(
    const A & in, B & out, const std::string & target_frame,
    tf2::Duration timeout = tf2::durationFromSec(0.0)) const
  {
    A copy = transform(in, target_frame, timeout);
    tf2::convert(copy, out);
    return out;
  }
};

}  // namespace tf2_ros

#endif  // TF2_ROS__BUFFER_INTERFACE_H_
