// Bags written here against the ones Humble recorded: same schema, rows and metadata.yaml; and
// every message type of the system written and read back unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bag_test_support.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/recording/message_types.hpp"
#include "quillon_tools/recording/offered_qos_text.hpp"
#include "rosgraph_msgs/msg/clock.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "sensor_msgs/msg/point_cloud2.hpp"
#include "sqlite_rows.hpp"
#include "tf2_msgs/msg/tf_message.hpp"
#include "visualization_msgs/msg/marker_array.hpp"

namespace
{

using bag_test::fromHex;
using bag_test::queryRows;
using quillon_tools::BagMessage;
using quillon_tools::BagReader;
using quillon_tools::BagWriter;

std::string dbOf(const bag_test::fs::path & bag)
{
  return (bag / (bag.filename().string() + "_0.db3")).string();
}

// The golden messages, in recording order, written through the typed or the byte interface.
void writeGoldenMessages(const YAML::Node & json, BagWriter & writer, bool typed)
{
  for (const auto & topic : json["topics"]) {
    writer.createTopic(
      topic["name"].as<std::string>(), topic["type"].as<std::string>(), "cdr",
      topic["offered_qos_profiles"].as<std::string>());
  }
  for (const auto & row : json["messages"]) {
    const auto topic = row["topic"].as<std::string>();
    const auto stamp = row["timestamp"].as<int64_t>();
    BagMessage message{
      topic, row["type"].as<std::string>(), stamp, fromHex(row["data_hex"].as<std::string>())};
    if (!typed) {
      writer.write(topic, stamp, message.data);
    } else if (message.type == "sensor_msgs/msg/LaserScan") {
      writer.write(topic, stamp, quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(message));
    } else if (message.type == "tf2_msgs/msg/TFMessage") {
      writer.write(topic, stamp, quillon_tools::deserialize<tf2_msgs::msg::TFMessage>(message));
    } else {
      writer.write(
        topic, stamp, quillon_tools::deserialize<visualization_msgs::msg::MarkerArray>(message));
    }
  }
}

std_msgs::msg::Header header(int32_t sec, const std::string & frame)
{
  std_msgs::msg::Header h;
  h.stamp.sec = sec;
  h.stamp.nanosec = 25000000;
  h.frame_id = frame;
  return h;
}

quillon_protocol::msg::ObjectList objectList()
{
  quillon_protocol::msg::ObjectList list;
  list.header = header(1700000001, "base_footprint");
  list.sensor_name = "scan_01";
  list.sensor_type = 3;
  for (int i = 0; i < 2; ++i) {
    quillon_protocol::msg::Object object;
    object.pose.position.x = 1.5 + i;
    object.pose.orientation.w = 1.0;
    for (int corner = 0; corner < 3 + i; ++corner) {
      geometry_msgs::msg::Point32 point;
      point.x = static_cast<float>(corner) * 0.1f;
      point.y = static_cast<float>(i) - 0.25f;
      object.polygon.push_back(point);
    }
    object.classification = i;
    object.width = 0.4;
    object.aspect_ratio = 100.0;
    object.point_count = 12 + i;
    object.velocity_x = -0.75;
    object.bearing = std::atan2(0.25, 1.5);
    list.objects.push_back(object);
  }
  return list;
}

sensor_msgs::msg::LaserScan laserScan(size_t beams)
{
  sensor_msgs::msg::LaserScan scan;
  scan.header = header(1700000001, "base_scan_01");
  scan.angle_min = -2.35619449f;
  scan.angle_increment = 4.71238898f / static_cast<float>(beams - 1);
  scan.angle_max = scan.angle_min + scan.angle_increment * static_cast<float>(beams - 1);
  scan.range_max = 25.0f;
  for (size_t i = 0; i < beams; ++i) {
    scan.ranges.push_back(0.5f + 0.01f * static_cast<float>(i));
    scan.intensities.push_back(static_cast<float>(i % 256));
  }
  return scan;
}

sensor_msgs::msg::PointCloud2 pointCloud()
{
  sensor_msgs::msg::PointCloud2 cloud;
  cloud.header = header(1700000001, "base_link");
  cloud.height = 1;
  cloud.width = 2;
  for (const char * name : {"x", "y", "z"}) {
    sensor_msgs::msg::PointField field;
    field.name = name;
    field.offset = static_cast<uint32_t>(4 * cloud.fields.size());
    field.datatype = sensor_msgs::msg::PointField::FLOAT32;
    field.count = 1;
    cloud.fields.push_back(field);
  }
  cloud.point_step = 12;
  cloud.row_step = 24;
  cloud.data.assign(24, 0x3f);
  cloud.is_dense = true;
  return cloud;
}

visualization_msgs::msg::MarkerArray markers()
{
  visualization_msgs::msg::Marker track;
  track.header = header(1700000001, "base_footprint");
  track.ns = "tracks";
  track.id = 4;
  track.type = visualization_msgs::msg::Marker::LINE_STRIP;
  track.points.resize(3);
  track.points[2].x = 1.25;
  track.colors.resize(3);
  track.colors[1].g = 1.0f;
  track.text = "person 4";
  visualization_msgs::msg::MarkerArray array;
  array.markers.push_back(track);
  return array;
}

}  // namespace

TEST(BagWriter, WritesTheSchemaRowsAndMetadataHumbleWrote)
{
  for (const auto & recording : bag_test::goldenRecordings()) {
    SCOPED_TRACE(recording.empty() ? "fastrtps" : recording);
    const auto golden = bag_test::goldenBag(recording);
    const auto written = bag_test::scratch("scans_tf_markers");
    {
      BagWriter writer;
      writer.open(written);
      writeGoldenMessages(bag_test::goldenJson(recording), writer, false);
    }  // closed by the destructor

    EXPECT_EQ(
      bag_test::fileText(written / "metadata.yaml"), bag_test::fileText(golden / "metadata.yaml"));
    for (const char * sql :
         {"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid;",
          "SELECT * FROM schema;", "SELECT count(*) FROM metadata;",
          "SELECT * FROM topics ORDER BY id;", "SELECT * FROM messages ORDER BY id;",
          "PRAGMA journal_mode;"}) {
      EXPECT_EQ(queryRows(dbOf(written), sql), queryRows(dbOf(golden), sql)) << sql;
    }
    EXPECT_EQ(
      std::distance(bag_test::fs::directory_iterator(written), bag_test::fs::directory_iterator()),
      2);
  }
}

TEST(BagWriter, TypedWritesReproduceTheRecordedBlobs)
{
  // Fast DDS hands over the serialized size; Cyclone pads it to 4 bytes, so only the Fast DDS
  // recording is byte for byte what a serialiser produces.
  const auto written = bag_test::scratch("typed");
  {
    BagWriter writer;
    writer.open(written);
    writeGoldenMessages(bag_test::goldenJson(""), writer, true);
  }
  const auto golden = dbOf(bag_test::goldenBag(""));
  const char * sql = "SELECT id, topic_id, timestamp, data FROM messages ORDER BY id;";
  EXPECT_EQ(queryRows(dbOf(written), sql), queryRows(golden, sql));
}

TEST(BagWriter, QosTextsAreThoseHumbleRecordedForTheSystemsPublishers)
{
  using quillon_tools::HistoryReport;
  for (const auto & recording : bag_test::goldenRecordings()) {
    const auto report = recording.empty() ? HistoryReport::kUnknown : HistoryReport::kAsOffered;
    std::map<std::string, std::string> recorded;
    for (const auto & topic : bag_test::goldenJson(recording)["topics"]) {
      recorded[topic["name"].as<std::string>()] = topic["offered_qos_profiles"].as<std::string>();
    }
    EXPECT_EQ(quillon_tools::sensorDataQosText(report), recorded["/scan_01"]) << recording;
    EXPECT_EQ(quillon_tools::reliableQosText(100, report), recorded["/tf"]) << recording;
    EXPECT_EQ(quillon_tools::staticTransformQosText(report), recorded["/tf_static"]) << recording;
    EXPECT_EQ(quillon_tools::reliableQosText(10, report), recorded["/scan1/pedestrian_markers"])
      << recording;
  }
  // One entry per publisher.
  const auto two = quillon_tools::offeredQosProfilesText(
    {rclcpp::QoS(10), rclcpp::SensorDataQoS()}, HistoryReport::kAsOffered);
  EXPECT_EQ(two, quillon_tools::reliableQosText(10) + "\n" + quillon_tools::sensorDataQosText());
}

TEST(BagWriter, EveryMessageTypeOfTheSystemRoundTrips)
{
  const auto folder = bag_test::scratch("round_trip");
  const auto scan = laserScan(1081);
  const auto cloud = pointCloud();
  const auto marker_array = markers();
  const auto objects = objectList();
  tf2_msgs::msg::TFMessage tf;
  tf.transforms.resize(1);
  tf.transforms[0].header = header(1700000001, "odom");
  tf.transforms[0].child_frame_id = "base_footprint";
  tf.transforms[0].transform.rotation.w = 1.0;
  rosgraph_msgs::msg::Clock clock;
  clock.clock.sec = 1700000001;
  const std::vector<uint8_t> chatter{0, 1, 0, 0, 3, 0, 0, 0, 'h', 'i', 0, 0};
  {
    BagWriter writer;
    writer.open(folder);
    writer.createTopic(
      "/scan_01", "sensor_msgs/msg/LaserScan", "cdr", quillon_tools::sensorDataQosText());
    writer.write("/scan_01", 5000, scan);
    writer.write("/cloud", 4000, cloud);
    writer.write("/markers", 3000, marker_array);
    writer.write("/objects", 2000, objects);
    writer.write("/tf", 2000, tf);  // same time as /objects, written after it
    writer.write("/clock", 1000, clock);
    writer.createTopic("/chatter", "std_msgs/msg/String");
    writer.write("/chatter", 6000, chatter);
    writer.close();
  }

  BagReader reader;
  reader.open(folder);
  EXPECT_EQ(reader.metadata().starting_time_ns, 1000);
  EXPECT_EQ(reader.metadata().duration_ns, 5000);
  EXPECT_EQ(reader.metadata().message_count, 7u);
  EXPECT_EQ(reader.topics().size(), 7u);
  EXPECT_EQ(quillon_tools::countMessagesOfUnknownTypes(reader.topics()), 1u);

  std::vector<std::string> order;
  BagMessage message;
  while (reader.readNext(message)) {
    order.push_back(message.topic);
    if (message.type == "sensor_msgs/msg/LaserScan") {
      EXPECT_EQ(quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(message), scan);
    } else if (message.type == "sensor_msgs/msg/PointCloud2") {
      EXPECT_EQ(quillon_tools::deserialize<sensor_msgs::msg::PointCloud2>(message), cloud);
    } else if (message.type == "visualization_msgs/msg/MarkerArray") {
      EXPECT_EQ(
        quillon_tools::deserialize<visualization_msgs::msg::MarkerArray>(message), marker_array);
    } else if (message.type == "quillon_protocol/msg/ObjectList") {
      EXPECT_EQ(quillon_tools::deserialize<quillon_protocol::msg::ObjectList>(message), objects);
    } else if (message.type == "tf2_msgs/msg/TFMessage") {
      EXPECT_EQ(quillon_tools::deserialize<tf2_msgs::msg::TFMessage>(message), tf);
    } else if (message.type == "rosgraph_msgs/msg/Clock") {
      EXPECT_EQ(quillon_tools::deserialize<rosgraph_msgs::msg::Clock>(message), clock);
    } else {
      EXPECT_EQ(message.data, chatter);
      EXPECT_THROW(
        quillon_tools::deserialize<sensor_msgs::msg::LaserScan>(message), quillon_tools::BagError);
    }
  }
  EXPECT_EQ(
    order, (std::vector<std::string>{
             "/clock", "/objects", "/tf", "/markers", "/cloud", "/scan_01", "/chatter"}));
}

TEST(BagWriter, AnEmptyBagIsStillABag)
{
  const auto folder = bag_test::scratch("empty");
  {
    BagWriter writer;
    writer.open(folder);
    writer.createTopic("/scan_01", "sensor_msgs/msg/LaserScan");
  }
  BagReader reader;
  reader.open(folder);
  ASSERT_EQ(reader.topics().size(), 1u);
  EXPECT_EQ(reader.topics()[0].message_count, 0u);
  EXPECT_EQ(reader.metadata().message_count, 0u);
  BagMessage message;
  EXPECT_FALSE(reader.readNext(message));
}
