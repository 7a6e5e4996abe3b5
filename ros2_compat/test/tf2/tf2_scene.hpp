// The transform tree behind the tf2_buffer golden transcript, and a builder for transforms.
//   map -(static 0.5,0,0)-> odom -(10.0 s: 1,0,0; 10.5 s: 2,0,0)-> base_link
//   base_link -(static 0.2,0,0 yaw pi)-> laser_front;  odom -(5.0 s only)-> single
//   other_root -> other (a second, unconnected tree)
// The static laser frames of the later part of the transcript are set by useStaticLasers().
#ifndef TF2__TF2_SCENE_HPP_
#define TF2__TF2_SCENE_HPP_

#include <cmath>
#include <string>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/buffer_core.h"

namespace tf2_scene
{

inline geometry_msgs::msg::TransformStamped transform(
  const std::string & parent, const std::string & child, double seconds, double x, double y,
  double yaw = 0.0)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = parent;
  t.child_frame_id = child;
  t.header.stamp.sec = static_cast<int32_t>(std::floor(seconds));
  t.header.stamp.nanosec =
    static_cast<uint32_t>(std::lround((seconds - std::floor(seconds)) * 1e9));
  t.transform.translation.x = x;
  t.transform.translation.y = y;
  tf2::Quaternion q;
  q.setRPY(0.0, 0.0, yaw);
  t.transform.rotation.x = q.x();
  t.transform.rotation.y = q.y();
  t.transform.rotation.z = q.z();
  t.transform.rotation.w = q.w();
  return t;
}

inline void fillGoldenScene(tf2::BufferCore & buffer)
{
  const std::string who = "scene";
  buffer.setTransform(transform("map", "odom", 0.0, 0.5, 0.0), who, true);
  buffer.setTransform(transform("odom", "base_link", 10.0, 1.0, 0.0), who);
  buffer.setTransform(transform("odom", "base_link", 10.5, 2.0, 0.0), who);
  buffer.setTransform(transform("base_link", "laser_front", 0.0, 0.2, 0.0, M_PI), who, true);
  buffer.setTransform(transform("odom", "single", 5.0, 0.0, 1.0), who);
  buffer.setTransform(transform("other_root", "other", 10.0, 0.0, 0.0), who);
}

// Front laser turned left, rear laser at the back turned right.
inline void useStaticLasers(tf2::BufferCore & buffer)
{
  buffer.setTransform(
    transform("base_link", "laser_front", 0.0, 0.2, 0.1, M_PI / 2), "scene", true);
  buffer.setTransform(
    transform("base_link", "laser_rear", 0.0, -0.2, 0.0, -M_PI / 2), "scene", true);
}

}  // namespace tf2_scene

#endif  // TF2__TF2_SCENE_HPP_
