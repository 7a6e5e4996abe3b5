// Reading the bags that Humble's `ros2 bag record` wrote (Fast DDS and Cyclone DDS): topics,
// every row, and every message field against the JSON taken from the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "bag_test_support.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace
{

using bag_test::fromHex;
using bag_test::number;
using bag_test::sameNumber;
using quillon_tools::BagMessage;
using quillon_tools::BagReader;

void expectHeader(const YAML::Node & json, const std_msgs::msg::Header & header)
{
  EXPECT_EQ(header.stamp.sec, json["stamp"]["sec"].as<int32_t>());
  EXPECT_EQ(header.stamp.nanosec, json["stamp"]["nanosec"].as<uint32_t>());
  EXPECT_EQ(header.frame_id, json["frame_id"].as<std::string>());
}

template <typename XyzT>
void expectXyz(const YAML::Node & json, const XyzT & value)
{
  EXPECT_EQ(value.x, json["x"].as<double>());
  EXPECT_EQ(value.y, json["y"].as<double>());
  EXPECT_EQ(value.z, json["z"].as<double>());
}

void expectQuaternion(const YAML::Node & json, const geometry_msgs::msg::Quaternion & q)
{
  expectXyz(json, q);
  EXPECT_EQ(q.w, json["w"].as<double>());
}

void expectFloats(const YAML::Node & json, const std::vector<float> & values)
{
  ASSERT_EQ(values.size(), json.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_TRUE(sameNumber(number<float>(json[i]), values[i])) << "element " << i;
  }
}

void expectLaserScan(const YAML::Node & json, const sensor_msgs::msg::LaserScan & scan)
{
  expectHeader(json["header"], scan.header);
  const std::initializer_list<std::pair<const char *, float>> fields{
    {"angle_min", scan.angle_min},
    {"angle_max", scan.angle_max},
    {"angle_increment", scan.angle_increment},
    {"time_increment", scan.time_increment},
    {"scan_time", scan.scan_time},
    {"range_min", scan.range_min},
    {"range_max", scan.range_max}};
  for (const auto & [key, value] : fields) {
    EXPECT_EQ(value, number<float>(json[key])) << key;
  }
  expectFloats(json["ranges"], scan.ranges);
  expectFloats(json["intensities"], scan.intensities);
}

void expectTransforms(const YAML::Node & json, const tf2_msgs::msg::TFMessage & tf)
{
  ASSERT_EQ(tf.transforms.size(), json["transforms"].size());
  for (size_t i = 0; i < tf.transforms.size(); ++i) {
    const auto & expected = json["transforms"][i];
    const auto & actual = tf.transforms[i];
    expectHeader(expected["header"], actual.header);
    EXPECT_EQ(actual.child_frame_id, expected["child_frame_id"].as<std::string>());
    expectXyz(expected["transform"]["translation"], actual.transform.translation);
    expectQuaternion(expected["transform"]["rotation"], actual.transform.rotation);
  }
}

void expectMarker(const YAML::Node & json, const visualization_msgs::msg::Marker & marker)
{
  expectHeader(json["header"], marker.header);
  EXPECT_EQ(marker.ns, json["ns"].as<std::string>());
  EXPECT_EQ(marker.id, json["id"].as<int32_t>());
  EXPECT_EQ(marker.type, json["type"].as<int32_t>());
  EXPECT_EQ(marker.action, json["action"].as<int32_t>());
  expectXyz(json["pose"]["position"], marker.pose.position);
  expectQuaternion(json["pose"]["orientation"], marker.pose.orientation);
  expectXyz(json["scale"], marker.scale);
  const auto & color = json["color"];
  EXPECT_EQ(marker.color.r, color["r"].as<float>());
  EXPECT_EQ(marker.color.g, color["g"].as<float>());
  EXPECT_EQ(marker.color.b, color["b"].as<float>());
  EXPECT_EQ(marker.color.a, color["a"].as<float>());
  EXPECT_EQ(marker.lifetime.sec, json["lifetime"]["sec"].as<int32_t>());
  EXPECT_EQ(marker.lifetime.nanosec, json["lifetime"]["nanosec"].as<uint32_t>());
  EXPECT_EQ(marker.frame_locked, json["frame_locked"].as<bool>());
  EXPECT_EQ(marker.points.size(), json["points"].size());
  EXPECT_EQ(marker.colors.size(), json["colors"].size());
  EXPECT_EQ(marker.texture_resource, json["texture_resource"].as<std::string>());
  expectHeader(json["texture"]["header"], marker.texture.header);
  EXPECT_EQ(marker.texture.format, json["texture"]["format"].as<std::string>());
  EXPECT_EQ(marker.texture.data, fromHex(json["texture"]["data"].as<std::string>()));
  EXPECT_EQ(marker.uv_coordinates.size(), json["uv_coordinates"].size());
  EXPECT_EQ(marker.text, json["text"].as<std::string>());
  EXPECT_EQ(marker.mesh_resource, json["mesh_resource"].as<std::string>());
  EXPECT_EQ(marker.mesh_file.filename, json["mesh_file"]["filename"].as<std::string>());
  EXPECT_EQ(marker.mesh_file.data, fromHex(json["mesh_file"]["data"].as<std::string>()));
  EXPECT_EQ(marker.mesh_use_embedded_materials, json["mesh_use_embedded_materials"].as<bool>());
}

void expectMessageFields(const YAML::Node & json, const BagMessage & message)
{
  if (message.type == "sensor_msgs/msg/LaserScan") {
    expectLaserScan(json, quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(message));
  } else if (message.type == "tf2_msgs/msg/TFMessage") {
    expectTransforms(json, quillon_tools::deserialize<tf2_msgs::msg::TFMessage>(message));
  } else {
    const auto markers = quillon_tools::deserialize<visualization_msgs::msg::MarkerArray>(message);
    ASSERT_EQ(markers.markers.size(), json["markers"].size());
    for (size_t i = 0; i < markers.markers.size(); ++i) {
      expectMarker(json["markers"][i], markers.markers[i]);
    }
  }
}

}  // namespace

TEST(BagReaderGolden, TopicsCarryTheRecordedTypesCountsAndQosText)
{
  for (const auto & recording : bag_test::goldenRecordings()) {
    SCOPED_TRACE(recording.empty() ? "fastrtps" : recording);
    const auto json = bag_test::goldenJson(recording);
    BagReader reader;
    reader.open(bag_test::goldenBag(recording));
    EXPECT_EQ(reader.metadata().version, 5);
    EXPECT_EQ(reader.metadata().message_count, 7u);
    ASSERT_EQ(reader.topics().size(), json["topics"].size());
    for (const auto & expected : json["topics"]) {
      const auto name = expected["name"].as<std::string>();
      const auto topic = std::find_if(
        reader.topics().begin(), reader.topics().end(),
        [&](const auto & t) { return t.name == name; });
      ASSERT_NE(topic, reader.topics().end()) << name;
      EXPECT_EQ(topic->type, expected["type"].as<std::string>());
      EXPECT_EQ(topic->serialization_format, "cdr");
      EXPECT_EQ(topic->offered_qos_profiles, expected["offered_qos_profiles"].as<std::string>());
      size_t count = 0;
      for (const auto & message : json["messages"]) {
        count += message["topic"].as<std::string>() == name ? 1 : 0;
      }
      EXPECT_EQ(topic->message_count, count) << name;
    }
  }
}

TEST(BagReaderGolden, EveryMessageMatchesItsBytesAndFields)
{
  for (const auto & recording : bag_test::goldenRecordings()) {
    SCOPED_TRACE(recording.empty() ? "fastrtps" : recording);
    const auto json = bag_test::goldenJson(recording);
    BagReader reader;
    reader.open(bag_test::goldenBag(recording));
    BagMessage message;
    size_t index = 0;
    while (reader.readNext(message)) {
      ASSERT_LT(index, json["messages"].size());
      const auto & expected = json["messages"][index++];
      SCOPED_TRACE("message id " + expected["id"].as<std::string>());
      EXPECT_EQ(message.topic, expected["topic"].as<std::string>());
      EXPECT_EQ(message.type, expected["type"].as<std::string>());
      EXPECT_EQ(message.timestamp_ns, expected["timestamp"].as<int64_t>());
      EXPECT_EQ(message.data, fromHex(expected["data_hex"].as<std::string>()));
      expectMessageFields(expected["message"], message);
    }
    EXPECT_EQ(index, json["messages"].size());
  }
}

TEST(BagReaderGolden, TopicFilterKeepsOrderAndRestarts)
{
  BagReader reader;
  reader.open(bag_test::goldenBag(""));
  BagMessage message;
  ASSERT_TRUE(reader.readNext(message));
  EXPECT_EQ(message.topic, "/tf_static");

  reader.setTopicFilter({"/tf", "/not_in_this_bag"});
  std::vector<int64_t> stamps;
  while (reader.readNext(message)) {
    EXPECT_EQ(message.topic, "/tf");
    stamps.push_back(message.timestamp_ns);
  }
  EXPECT_EQ(stamps, (std::vector<int64_t>{1796641526235238207, 1796641526356287758}));

  reader.setTopicFilter({});
  size_t count = 0;
  while (reader.readNext(message)) {
    ++count;
  }
  EXPECT_EQ(count, 7u);
}
