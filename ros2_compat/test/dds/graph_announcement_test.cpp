// A standalone node as a Humble graph sees it over DDS, checked with a plain Fast DDS
// participant written from golden/graph/README.md (the layer's DDS code plays no part on that
// side): the node's announcement on ros_discovery_info names it and every reader and writer it
// owns, and announcements follow nodes and endpoints as they come and go.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "dds_environment.hpp"
#include "geometry_msgs/msg/point_stamped.hpp"
#include "plain_fast_dds.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using namespace std::chrono_literals;
using plain_dds::Bytes;
using plain_dds::GUID_t;
namespace dds = eprosima::fastdds::dds;

const auto * const environment = ::testing::AddGlobalTestEnvironment(new DdsEnvironment);

// Test executables choose the in-process transport for their children; these must use DDS.
const std::map<std::string, std::string> over_dds{{"ROS2_COMPAT_TRANSPORT", "dds"}};

const std::vector<std::string> parameter_services{
  "get_parameters",      "get_parameter_types", "set_parameters", "set_parameters_atomically",
  "describe_parameters", "list_parameters"};

// ParticipantEntitiesInfo read by hand from the layout in golden/graph/README.md: the gid
// (24 bytes), a u32 node count, then per node the namespace and name (u32 length with NUL,
// characters) and the u32-counted reader and writer gids. Alignment counts from byte 4.
struct AnnouncedNode
{
  std::string node_namespace;
  std::string node_name;
  std::vector<Bytes> readers;
  std::vector<Bytes> writers;
};

struct Announcement
{
  Bytes gid;
  std::vector<AnnouncedNode> nodes;
};

class AnnouncementReader
{
public:
  explicit AnnouncementReader(const Bytes & sample) : bytes_(sample) {}

  Announcement read()
  {
    Announcement announcement;
    announcement.gid = gid();
    for (uint32_t n = u32(); n > 0; --n) {
      AnnouncedNode node;
      node.node_namespace = text();
      node.node_name = text();
      node.readers = gids();
      node.writers = gids();
      announcement.nodes.push_back(node);
    }
    return announcement;
  }

private:
  uint32_t u32()
  {
    at_ += (4 - (at_ - 4) % 4) % 4;
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
      value = value << 8 | bytes_.at(at_ + static_cast<size_t>(i));
    }
    at_ += 4;
    return value;
  }

  std::string text()
  {
    const uint32_t length = u32();
    const std::string value(
      bytes_.begin() + static_cast<long>(at_),
      bytes_.begin() + static_cast<long>(at_ + length - 1));
    at_ += length;
    return value;
  }

  Bytes gid()
  {
    const Bytes value(
      bytes_.begin() + static_cast<long>(at_), bytes_.begin() + static_cast<long>(at_ + 24));
    at_ += 24;
    return value;
  }

  std::vector<Bytes> gids()
  {
    std::vector<Bytes> values(u32());
    for (auto & value : values) {
      value = gid();
    }
    return values;
  }

  const Bytes & bytes_;
  size_t at_ = 4;
};

Bytes bytes_of(const GUID_t & guid)
{
  Bytes bytes(std::begin(guid.guidPrefix.value), std::end(guid.guidPrefix.value));
  bytes.insert(bytes.end(), std::begin(guid.entityId.value), std::end(guid.entityId.value));
  return bytes;
}

// The announcements received so far, latest last.
class DiscoveryInfoListener
{
public:
  explicit DiscoveryInfoListener(plain_dds::Participant & participant)
  : reader_(participant.reader(
      "ros_discovery_info", "rmw_dds_common::msg::dds_::ParticipantEntitiesInfo_", 0,
      dds::TRANSIENT_LOCAL_DURABILITY_QOS))
  {
  }

  // The latest announcement that names a node so called, or none.
  std::optional<Announcement> latest_with(const std::string & node_name)
  {
    take_all();
    for (auto it = received_.rbegin(); it != received_.rend(); ++it) {
      const auto & nodes = it->nodes;
      if (std::any_of(nodes.begin(), nodes.end(), [&](const AnnouncedNode & node) {
            return node.node_name == node_name;
          })) {
        return *it;
      }
    }
    return std::nullopt;
  }

  // The latest announcement of the participant with that GUID prefix, or none.
  std::optional<Announcement> latest_of(const Bytes & prefix)
  {
    take_all();
    for (auto it = received_.rbegin(); it != received_.rend(); ++it) {
      if (std::equal(prefix.begin(), prefix.end(), it->gid.begin())) {
        return *it;
      }
    }
    return std::nullopt;
  }

private:
  void take_all()
  {
    Bytes sample;
    dds::SampleInfo info;
    while (plain_dds::take(reader_, sample, info, 0s)) {
      received_.push_back(AnnouncementReader(sample).read());
    }
  }

  dds::DataReader * reader_;
  std::vector<Announcement> received_;
};

// The GUIDs (as announced: 16 bytes) and topics of what discovery saw of one participant.
std::map<Bytes, std::string> endpoints_of(
  const std::vector<plain_dds::DiscoveredEndpoint> & discovered, const Bytes & prefix)
{
  std::map<Bytes, std::string> endpoints;
  for (const auto & endpoint : discovered) {
    const Bytes guid = bytes_of(endpoint.guid);
    if (std::equal(prefix.begin(), prefix.end(), guid.begin())) {
      endpoints[guid] = endpoint.topic;
    }
  }
  return endpoints;
}

std::map<Bytes, std::string> listed(
  const std::vector<Bytes> & gids, const std::map<Bytes, std::string> & discovered)
{
  std::map<Bytes, std::string> endpoints;
  for (const auto & gid : gids) {
    const Bytes guid(gid.begin(), gid.begin() + 16);
    const auto found = discovered.find(guid);
    endpoints[guid] = found == discovered.end() ? "(not discovered)" : found->second;
  }
  return endpoints;
}

bool all_discovered(
  const std::vector<Bytes> & gids, const std::map<Bytes, std::string> & discovered)
{
  return std::all_of(gids.begin(), gids.end(), [&](const Bytes & gid) {
    return discovered.count(Bytes(gid.begin(), gid.begin() + 16)) > 0;
  });
}

std::multiset<std::string> topics_of(const std::map<Bytes, std::string> & endpoints)
{
  std::multiset<std::string> topics;
  for (const auto & entry : endpoints) {
    topics.insert(entry.second);
  }
  return topics;
}

std::multiset<std::string> service_topics(const std::string & prefix, const std::string & suffix)
{
  std::multiset<std::string> topics;
  for (const auto & service : parameter_services) {
    topics.insert(prefix + "/laser_subscriber/" + service + suffix);
  }
  return topics;
}

}  // namespace

TEST(StandaloneNodeInAHumbleGraph, ItsAnnouncementNamesTheNodeAndEveryEndpointItOwns)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  ChildProcess node({DDS_PARAMETER_NODE}, over_dds);
  ASSERT_TRUE(node.wait_for_output("ready", 30s)) << node.output();
  plain_dds::Participant humble;
  DiscoveryInfoListener discovery_info(humble);

  // Discovery and announcements arrive in any order: wait until the node's announcement lists
  // its 7 readers (6 service requests, /scan_01) and 7 writers (6 service responses,
  // /objects_laser) and discovery has seen them all.
  std::optional<Announcement> announcement;
  Bytes prefix;
  const auto consistent = [&] {
    announcement = discovery_info.latest_with("laser_subscriber");
    if (!announcement) {
      return false;
    }
    prefix.assign(announcement->gid.begin(), announcement->gid.begin() + 12);
    const auto & entry = announcement->nodes.at(0);
    return entry.readers.size() == 7 && entry.writers.size() == 7 &&
           all_discovered(entry.readers, endpoints_of(humble.discovered_readers(), prefix)) &&
           all_discovered(entry.writers, endpoints_of(humble.discovered_writers(), prefix));
  };
  ASSERT_TRUE(plain_dds::eventually(consistent, 30s)) << node.output();

  // The participant's gid is its GUID (prefix, participant entity id 00 00 01 c1) and 8 zeros.
  Bytes participant_gid = prefix;
  participant_gid.insert(participant_gid.end(), {0x00, 0x00, 0x01, 0xc1});
  participant_gid.resize(24, 0);
  EXPECT_EQ(announcement->gid, participant_gid);
  ASSERT_EQ(announcement->nodes.size(), 1u);
  const AnnouncedNode & entry = announcement->nodes[0];
  EXPECT_EQ(entry.node_namespace, "/");
  EXPECT_EQ(entry.node_name, "laser_subscriber");
  for (const auto & gid : entry.readers) {
    EXPECT_TRUE(std::all_of(gid.begin() + 16, gid.end(), [](uint8_t b) { return b == 0; }));
  }
  for (const auto & gid : entry.writers) {
    EXPECT_TRUE(std::all_of(gid.begin() + 16, gid.end(), [](uint8_t b) { return b == 0; }));
  }

  // Every reader the node's participant has is the node's; so is every writer but the one
  // that announces.
  auto readers = endpoints_of(humble.discovered_readers(), prefix);
  auto writers = endpoints_of(humble.discovered_writers(), prefix);
  for (auto it = writers.begin(); it != writers.end();) {
    it = it->second == "ros_discovery_info" ? writers.erase(it) : std::next(it);
  }
  EXPECT_EQ(listed(entry.readers, readers), readers);
  EXPECT_EQ(listed(entry.writers, writers), writers);
  auto expected_readers = service_topics("rq", "Request");
  expected_readers.insert("rt/scan_01");
  auto expected_writers = service_topics("rr", "Reply");
  expected_writers.insert("rt/objects_laser");
  EXPECT_EQ(topics_of(readers), expected_readers);
  EXPECT_EQ(topics_of(writers), expected_writers);

  node.send_signal(SIGTERM);
  EXPECT_EQ(node.wait_for_exit(30s), 0) << node.output();
}

// Runs last: the nodes of this process stay on its participant's announcements.
TEST(StandaloneNodeInAHumbleGraph, AnnouncementsFollowNodesAndEndpointsAsTheyComeAndGo)
{
  ASSERT_IN_FRESH_NETWORK_NAMESPACE();
  rclcpp::init(0, nullptr);
  plain_dds::Participant humble;
  DiscoveryInfoListener discovery_info(humble);
  const auto writers_of = [&](const std::string & name) -> std::optional<size_t> {
    const auto announcement = discovery_info.latest_with(name);
    if (!announcement) {
      return std::nullopt;
    }
    for (const auto & node : announcement->nodes) {
      if (node.node_name == name) {
        return node.writers.size();
      }
    }
    return std::nullopt;
  };

  auto node = std::make_shared<rclcpp::Node>(
    "graph_probe", rclcpp::NodeOptions().start_parameter_services(false));
  auto publisher = node->create_publisher<geometry_msgs::msg::PointStamped>("/probe", 10);
  EXPECT_TRUE(plain_dds::eventually([&] { return writers_of("graph_probe") == size_t{1}; }, 30s));
  const auto announcement = discovery_info.latest_with("graph_probe");
  ASSERT_TRUE(announcement);
  const Bytes prefix(announcement->gid.begin(), announcement->gid.begin() + 12);

  publisher.reset();
  EXPECT_TRUE(plain_dds::eventually([&] { return writers_of("graph_probe") == size_t{0}; }, 30s));
  node.reset();
  EXPECT_TRUE(plain_dds::eventually(
    [&] {
      const auto latest = discovery_info.latest_of(prefix);
      return latest && latest->nodes.empty();
    },
    30s));
  rclcpp::shutdown();
}
