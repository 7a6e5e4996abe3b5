// tf2_ros::Buffer: a tf2::BufferCore on a ROS clock, with lookups that wait (polling the
// clock every 10 ms) for data another thread adds, and that is cleared when the clock jumps
// back or changes its time source.
#ifndef TF2_ROS__BUFFER_H_
#define TF2_ROS__BUFFER_H_

#include <memory>
#include <string>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "rcl/time.h"
#include "rclcpp/rclcpp.hpp"
#include "tf2/buffer_core.h"
#include "tf2/time.h"
#include "tf2_ros/buffer_interface.h"

namespace tf2_ros
{

class Buffer : public BufferInterface, public tf2::BufferCore
{
public:
  using tf2::BufferCore::canTransform;
  using tf2::BufferCore::lookupTransform;
  using SharedPtr = std::shared_ptr<tf2_ros::Buffer>;

  // Throws std::invalid_argument for a null clock. With a node, errors go to its logger.
  Buffer(
    rclcpp::Clock::SharedPtr clock,
    tf2::Duration cache_time = tf2::Duration(tf2::BUFFER_CORE_DEFAULT_CACHE_TIME),
    rclcpp::Node::SharedPtr node = rclcpp::Node::SharedPtr());

  // Waits up to timeout for the transform (see canTransform), then looks it up; never throws
  // TimeoutException, but the lookup's Lookup/Connectivity/ExtrapolationException.
  geometry_msgs::msg::TransformStamped lookupTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration timeout) const override;

  geometry_msgs::msg::TransformStamped lookupTransform(
    const std::string & target_frame, const std::string & source_frame, const rclcpp::Time & time,
    const rclcpp::Duration timeout = rclcpp::Duration::from_nanoseconds(0)) const
  {
    return lookupTransform(target_frame, source_frame, fromRclcpp(time), fromRclcpp(timeout));
  }

  // Without a dedicated thread (setUsingDedicatedThread) this logs an error and returns false
  // at once, whatever the timeout. Otherwise it polls until the transform is available, the
  // timeout has passed on the buffer's clock, or rclcpp shuts down; *errstr then ends with
  // ". canTransform returned after <s> timeout was <s>.".
  bool canTransform(
    const std::string & target_frame, const std::string & source_frame, const tf2::TimePoint & time,
    const tf2::Duration timeout, std::string * errstr = nullptr) const override;

  bool canTransform(
    const std::string & target_frame, const std::string & source_frame, const rclcpp::Time & time,
    const rclcpp::Duration timeout = rclcpp::Duration::from_nanoseconds(0),
    std::string * errstr = nullptr) const
  {
    return canTransform(target_frame, source_frame, fromRclcpp(time), fromRclcpp(timeout), errstr);
  }

private:
  void onTimeJump(const rcl_time_jump_t & jump);
  bool checkAndErrorDedicatedThreadPresent(std::string * errstr) const;
  rclcpp::Logger getLogger() const;

  rclcpp::Clock::SharedPtr clock_;
  rclcpp::Node::SharedPtr node_;
  rclcpp::JumpHandler::SharedPtr jump_handler_;
};

static const char threading_error[] =
  "Do not call canTransform or lookupTransform with a timeout unless you are using another "
  "thread for populating data. Without a dedicated thread it will always timeout.  If you have "
  "a separate thread servicing tf messages, call setUsingDedicatedThread(true) on your Buffer "
  "instance.";

}  // namespace tf2_ros

#endif  // TF2_ROS__BUFFER_H_
