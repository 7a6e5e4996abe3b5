// Feeds object lists decoded from the input into both inputs of the fusion node (non-finite
// poses and velocities, empty and huge outlines, thousands of objects, unknown frames,
// repeated, decreasing and negative stamps) and checks every fused list and marker array.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "finite_checks.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_objects.hpp"
#include "fuzzed_stamps.hpp"
#include "harness_runtime.hpp"
#include "quillon_dynamic_detector/trailmerge_node.hpp"
#include "ros2_compat/testing/time_control.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace
{

using quillon_fuzz::FuzzedBytes;
using quillon_fuzz::stampAt;
using quillon_protocol::msg::Object;
using quillon_protocol::msg::ObjectList;

constexpr int64_t SECOND_NS = 1000000000LL;
constexpr int64_t START_NS = 1700000000LL * SECOND_NS;
// Fusion and display ids compare every object with every other: lists of thousands cost seconds
// per input here, so the largest list is a few hundred (fusion_functions covers the functions).
// Recorded inputs pick by position in this table.
constexpr std::size_t OBJECT_COUNTS[] = {0, 1, 1, 2, 2, 3, 4, 6, 10, 40, 300, 300};

const char * const FRAMES[] = {"", "base_footprint", "base_scan_01", "base_scan_02", "unknown"};

builtin_interfaces::msg::Time decodeStamp(
  FuzzedBytes & in, int64_t now_ns, const builtin_interfaces::msg::Time & previous)
{
  const uint8_t mode = in.byte();
  builtin_interfaces::msg::Time t;
  switch (mode % 10) {
    case 4:
      return previous;
    case 5:
      return stampAt(now_ns - SECOND_NS);
    case 6:
      t.sec = mode > 128 ? -1 : std::numeric_limits<int32_t>::min();
      return t;
    case 7:
      return stampAt(0);
    case 8:
      t = stampAt(now_ns);
      t.nanosec = 0xFFFFFFFFU;
      return t;
    case 9:
      return stampAt(now_ns + 1000LL * SECOND_NS);
    default:
      return stampAt(now_ns - int64_t{in.byte()} * 2000000LL);  // up to 0.5 s old
  }
}

geometry_msgs::msg::TransformStamped mount(const std::string & child, double x, double yaw)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.frame_id = "base_footprint";
  t.child_frame_id = child;
  t.transform.translation.x = x;
  t.transform.translation.y = -0.2;
  t.transform.rotation.z = std::sin(yaw / 2.0);
  t.transform.rotation.w = std::cos(yaw / 2.0);
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  quillon_fuzz::initialiseRosOnce();
  quillon_fuzz::silenceTransformLookupErrors();
  FuzzedBytes in(data, size);
  int64_t now_ns = START_NS;
  ros2_compat::testing::ScopedFakeSystemTime fake_time(now_ns);

  auto probe = std::make_shared<rclcpp::Node>("probe");
  auto input_1 = probe->create_publisher<ObjectList>("/objects_laser1", 10);
  auto input_2 = probe->create_publisher<ObjectList>("/objects_laser2", 10);
  auto fused_check = probe->create_subscription<ObjectList>(
    "/objects_laser", 10,
    [](const ObjectList & msg) { quillon_fuzz::requireFiniteObjects(msg, "/objects_laser"); });
  auto markers_check = probe->create_subscription<visualization_msgs::msg::MarkerArray>(
    "/objects_laser_markers", 10, [](const visualization_msgs::msg::MarkerArray & msg) {
      quillon_fuzz::requireFiniteMarkers(msg, "/objects_laser_markers");
    });
  // No waiting for transforms (the clock is frozen) and TF served by this thread.
  auto node = std::make_shared<quillon_dynamic_detector::TrailmergeNode>(
    rclcpp::NodeOptions().parameter_overrides({rclcpp::Parameter("tf_timeout", 0.0)}), false);

  tf2_msgs::msg::TFMessage mounts;
  mounts.transforms.push_back(mount("base_scan_01", 0.3, 0.5));
  mounts.transforms.push_back(mount("base_scan_02", in.flag() ? 1e300 : -0.3, 3.0));
  auto tf_static = probe->create_publisher<tf2_msgs::msg::TFMessage>(
    "/tf_static", rclcpp::QoS(1).transient_local());
  tf_static->publish(mounts);
  rclcpp::spin_some(node);

  Object prototypes[3];
  for (Object & p : prototypes) {
    p = quillon_fuzz::decodeObject(in);
  }
  const int messages = 1 + in.byte() % 12;
  builtin_interfaces::msg::Time previous = stampAt(now_ns);
  for (int m = 0; m < messages; ++m) {
    ObjectList list;
    list.header.frame_id = in.pick(FRAMES);
    list.header.stamp = decodeStamp(in, now_ns, previous);
    list.sensor_name = "top_scan_01";
    list.sensor_type = 3;
    const std::size_t count = in.pick(OBJECT_COUNTS);
    const uint8_t layout = in.byte();
    for (std::size_t k = 0; k < count; ++k) {
      Object o = prototypes[(layout + k) % 3];
      // Huge outlines only on the first copies: the decoder builds a few thousand points.
      if (k >= 2 && o.polygon.size() > 8) {
        o.polygon.resize(8);
      }
      // Spread copies over a grid so that some merge and some do not.
      o.pose.position.x += 0.2 * static_cast<double>(k % 20);
      o.pose.position.y += 0.5 * static_cast<double>(k / 20);
      list.objects.push_back(std::move(o));
    }
    (in.flag() ? input_2 : input_1)->publish(list);
    rclcpp::spin_some(node);
    rclcpp::spin_some(probe);
    previous = list.header.stamp;
    now_ns += static_cast<int64_t>(in.byte()) * 1000000LL;
    ros2_compat::testing::set_system_time(now_ns);
  }
  return 0;
}
