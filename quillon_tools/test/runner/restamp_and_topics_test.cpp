#include <gtest/gtest.h>

#include <string>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/runner/restamp.hpp"
#include "quillon_tools/runner/system_topics.hpp"

namespace
{

using namespace quillon_tools;

builtin_interfaces::msg::Time stampAt(int64_t ns)
{
  builtin_interfaces::msg::Time t;
  t.sec = static_cast<int32_t>(ns / 1000000000LL);
  t.nanosec = static_cast<uint32_t>(ns % 1000000000LL);
  return t;
}

}  // namespace

// Every stamp inside a message moves onto the playback time line with its spacing divided by
// the rate; zero stamps ("no time") stay zero.
TEST(Restamp, MovesEveryStampKeepingSpacingAndZeros)
{
  const StampMapping mapping{10 * 1000000000LL, 500 * 1000000000LL, 2.0};
  tf2_msgs::msg::TFMessage tf;
  tf.transforms.resize(3);
  tf.transforms[0].header.stamp = stampAt(10 * 1000000000LL);
  tf.transforms[1].header.stamp = stampAt(11 * 1000000000LL + 500000000LL);
  restamp(tf, mapping);
  EXPECT_EQ(stampNanoseconds(tf.transforms[0].header.stamp), 500 * 1000000000LL);
  EXPECT_EQ(stampNanoseconds(tf.transforms[1].header.stamp), 500 * 1000000000LL + 750000000LL);
  EXPECT_EQ(stampNanoseconds(tf.transforms[2].header.stamp), 0);

  visualization_msgs::msg::MarkerArray markers;
  markers.markers.resize(2);
  markers.markers[1].header.stamp = stampAt(9 * 1000000000LL);
  restamp(markers, mapping);
  EXPECT_EQ(stampNanoseconds(markers.markers[0].header.stamp), 0);
  EXPECT_EQ(stampNanoseconds(markers.markers[1].header.stamp), 499 * 1000000000LL + 500000000LL);

  sensor_msgs::msg::LaserScan scan;
  scan.header.stamp = stampAt(12 * 1000000000LL);
  restamp(scan, mapping);
  EXPECT_EQ(scan.header.stamp.sec, 501);
}

// A stamp whose new time a stamp cannot hold (before 1970, past 2^31 s) is refused and left as
// it was, and the message reports it; stamps of corrupt size do not overflow the mapping.
TEST(Restamp, RefusesStampsItCannotMove)
{
  const StampMapping mapping{1000 * 1000000000LL, 100 * 1000000000LL, 1.0};
  sensor_msgs::msg::LaserScan early;
  early.header.stamp = stampAt(800 * 1000000000LL);
  EXPECT_FALSE(restamp(early, mapping));
  EXPECT_EQ(early.header.stamp.sec, 800);
  sensor_msgs::msg::LaserScan edge;
  edge.header.stamp = stampAt(900 * 1000000000LL);
  EXPECT_FALSE(restamp(edge, mapping));  // would move to 0, which means "no time"
  edge.header.stamp.nanosec = 1;
  EXPECT_TRUE(restamp(edge, mapping));
  EXPECT_EQ(stampNanoseconds(edge.header.stamp), 1);

  const StampMapping slow{1000000000LL, 1700000000LL * 1000000000LL, 0.5};
  tf2_msgs::msg::TFMessage tf;
  tf.transforms.resize(2);
  tf.transforms[0].header.stamp = stampAt(2 * 1000000000LL);
  tf.transforms[1].header.stamp.sec = 1000000000;  // 2.0e9 s later once slowed: past 2^31 s
  EXPECT_FALSE(restamp(tf, slow));
  EXPECT_EQ(tf.transforms[1].header.stamp.sec, 1000000000);

  const StampMapping far{-9000000000000000000LL, 9000000000000000000LL, 1e-300};
  visualization_msgs::msg::MarkerArray markers;
  markers.markers.resize(1);
  markers.markers[0].header.stamp.sec = -2147483647 - 1;
  EXPECT_FALSE(restamp(markers, far));
  EXPECT_EQ(markers.markers[0].header.stamp.sec, -2147483647 - 1);
}

// The recorder and the player find each topic's type by its name alone.
TEST(SystemTopics, TypesFollowTheTopicNames)
{
  EXPECT_EQ(systemTopicType("/scan_02"), "sensor_msgs/msg/LaserScan");
  EXPECT_EQ(systemTopicType("/tf_static"), "tf2_msgs/msg/TFMessage");
  EXPECT_EQ(systemTopicType("/objects_laser1"), "quillon_protocol/msg/ObjectList");
  EXPECT_EQ(systemTopicType("/objects_laser_markers"), "visualization_msgs/msg/MarkerArray");
  EXPECT_EQ(systemTopicType("/scan2/pedestrian_markers"), "visualization_msgs/msg/MarkerArray");
  EXPECT_EQ(systemTopicType("/scan1/local_static_map_cloud"), "sensor_msgs/msg/PointCloud2");
  EXPECT_EQ(systemTopicType("/clock"), "rosgraph_msgs/msg/Clock");
  EXPECT_FALSE(systemTopicType("/scan_03"));
  EXPECT_FALSE(systemTopicType("/cmd_vel"));
  for (const auto & topic : allSystemTopics()) {
    EXPECT_TRUE(systemTopicType(topic)) << topic;
  }
  // A recorder must take best-effort scans and latched static transforms.
  EXPECT_EQ(recordingQos("/scan_01").reliability(), rclcpp::ReliabilityPolicy::BestEffort);
  EXPECT_EQ(recordingQos("/tf_static").durability(), rclcpp::DurabilityPolicy::TransientLocal);
  EXPECT_EQ(playbackQos("/tf_static").durability(), rclcpp::DurabilityPolicy::TransientLocal);
}
