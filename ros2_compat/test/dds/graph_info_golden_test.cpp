// The graph information of a Humble node (golden/graph: the ros_discovery_info sample that
// rmw_fastrtps sent for node "laser_subscriber") read with our type support field by field, and
// our own announcement of the same node laid out as golden/graph's .decoded.txt says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "golden_payload.hpp"
#include "rmw_dds_common/msg/participant_entities_info.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/participant_entities_info.hpp"

namespace
{

using rmw_dds_common::msg::Gid;
using rmw_dds_common::msg::ParticipantEntitiesInfo;
using ros2_compat::detail::DdsGuid;

const std::string sample_name = "graph/cdr/ros_discovery_info_laser_subscriber";

// A line "[begin:end] description" of the .decoded.txt: where a field lies in the sample.
struct DecodedField
{
  size_t begin;
  size_t end;
  std::string description;
};

std::vector<DecodedField> decoded_fields()
{
  const std::string path = std::string(QUILLON_GOLDEN_DIR) + "/" + sample_name + ".decoded.txt";
  std::ifstream file(path);
  EXPECT_TRUE(file) << "cannot open " << path;
  const std::regex line_pattern(R"(^\[(\d+):(\d+)\]\s+(.*)$)");
  std::vector<DecodedField> fields;
  std::smatch match;
  for (std::string line; std::getline(file, line);) {
    if (std::regex_match(line, match, line_pattern)) {
      fields.push_back({std::stoul(match[1]), std::stoul(match[2]), match[3]});
    }
  }
  return fields;
}

// The hex digits after `label` in the fields that name one, in order.
std::vector<std::string> hex_values(
  const std::vector<DecodedField> & fields, const std::string & label)
{
  std::vector<std::string> values;
  for (const auto & field : fields) {
    if (field.description.rfind(label + " ", 0) == 0) {
      values.push_back(field.description.substr(label.size() + 1));
    }
  }
  return values;
}

template <typename Bytes>
std::string hex_of(const Bytes & bytes, size_t begin, size_t end)
{
  std::string hex;
  char digits[3];
  for (size_t i = begin; i < end; ++i) {
    std::snprintf(digits, sizeof(digits), "%02x", static_cast<unsigned>(bytes[i]));
    hex += digits;
  }
  return hex;
}

std::vector<std::string> hex_of(const std::vector<Gid> & gids)
{
  std::vector<std::string> hex;
  for (const auto & gid : gids) {
    hex.push_back(hex_of(gid.data, 0, gid.data.size()));
  }
  return hex;
}

// The GUID in the first 16 bytes of a gid written as hex.
DdsGuid guid_of(const std::string & gid_hex)
{
  DdsGuid guid{};
  for (size_t i = 0; i < guid.size(); ++i) {
    guid[i] = static_cast<uint8_t>(std::stoul(gid_hex.substr(2 * i, 2), nullptr, 16));
  }
  return guid;
}

std::vector<DdsGuid> guids_of(const std::vector<std::string> & gid_hex)
{
  std::vector<DdsGuid> guids;
  std::transform(gid_hex.begin(), gid_hex.end(), std::back_inserter(guids), guid_of);
  return guids;
}

// The decoder's spans start where the previous field ended; a count or a string starts after
// padding, at a multiple of 4 counted from byte 4 (the end of the encapsulation header).
size_t aligned_to_4(size_t at) { return 4 + (at - 4 + 3) / 4 * 4; }

// A little-endian u32 at the aligned start of a span.
uint32_t u32_at(const std::vector<uint8_t> & bytes, size_t span_begin)
{
  const size_t at = aligned_to_4(span_begin);
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

TEST(GraphInfoGolden, HumblesAnnouncementReadsFieldByFieldAndWritesBackIdentically)
{
  const auto golden = golden_hex(sample_name + ".hex");
  const auto fields = decoded_fields();
  ASSERT_EQ(golden.size(), 480u);

  ParticipantEntitiesInfo info;
  ros2_compat::cdr::deserialize(golden.data(), golden.size(), info);
  EXPECT_EQ(
    std::vector<std::string>{hex_of(info.gid.data, 0, 24)}, hex_values(fields, "participant gid"));
  ASSERT_EQ(info.node_entities_info_seq.size(), 1u);
  const auto & node = info.node_entities_info_seq[0];
  EXPECT_EQ(node.node_namespace, "/");
  EXPECT_EQ(node.node_name, "laser_subscriber");
  EXPECT_EQ(hex_of(node.reader_gid_seq), hex_values(fields, "reader gid"));
  EXPECT_EQ(hex_of(node.writer_gid_seq), hex_values(fields, "writer gid"));
  EXPECT_EQ(node.reader_gid_seq.size(), 8u);
  EXPECT_EQ(node.writer_gid_seq.size(), 9u);

  EXPECT_EQ(ros2_compat::cdr::serialize(info), golden);
}

// Built from the GUIDs alone, as the transport announces its nodes: every field lands where
// Humble put it, and the 8 bytes after each GUID are zero.
TEST(GraphInfoGolden, OurAnnouncementOfTheSameNodeIsLaidOutAsHumbles)
{
  const auto golden = golden_hex(sample_name + ".hex");
  const auto fields = decoded_fields();
  ros2_compat::detail::NodeEntities node;
  node.node_namespace = "/";
  node.node_name = "laser_subscriber";
  node.readers = guids_of(hex_values(fields, "reader gid"));
  node.writers = guids_of(hex_values(fields, "writer gid"));
  const DdsGuid participant = guid_of(hex_values(fields, "participant gid").at(0));

  const auto ours = ros2_compat::cdr::serialize(
    ros2_compat::detail::participant_entities_info(participant, {node}));

  ASSERT_EQ(ours.size(), golden.size());
  ASSERT_GE(fields.size(), 20u);
  const std::regex gid(R"(^(participant|reader|writer) gid ([0-9a-f]{48})$)");
  const std::regex count(R"(^\w+ length (\d+)$)");
  const std::regex text(R"(^node_\w+ len-prefixed b'([^\\']*)\\x00'$)");
  std::smatch match;
  for (const auto & field : fields) {
    SCOPED_TRACE(field.description);
    if (std::regex_match(field.description, match, gid)) {
      EXPECT_EQ(hex_of(ours, field.begin, field.end), match[2].str());
    } else if (std::regex_match(field.description, match, count)) {
      EXPECT_EQ(u32_at(ours, field.begin), std::stoul(match[1]));
    } else if (std::regex_match(field.description, match, text)) {
      const std::string expected = match[1].str();
      const size_t characters = aligned_to_4(field.begin) + 4;
      EXPECT_EQ(u32_at(ours, field.begin), expected.size() + 1);
      EXPECT_EQ(std::string(ours.begin() + characters, ours.begin() + field.end - 1), expected);
    } else {
      EXPECT_EQ(hex_of(ours, field.begin, field.end), hex_of(golden, field.begin, field.end));
    }
  }
  EXPECT_EQ(ours, golden);
}

// Names are bounded (string<=256); a longer one, or a sample cut short, is malformed.
TEST(GraphInfoGolden, OverlongNamesAndTruncatedSamplesAreMalformed)
{
  ros2_compat::detail::NodeEntities node;
  node.node_namespace = "/";
  node.node_name = std::string(257, 'n');
  const auto overlong =
    ros2_compat::cdr::serialize(ros2_compat::detail::participant_entities_info(DdsGuid{}, {node}));
  ParticipantEntitiesInfo info;
  EXPECT_THROW(
    ros2_compat::cdr::deserialize(overlong.data(), overlong.size(), info),
    ros2_compat::cdr::MalformedMessage);

  const auto golden = golden_hex(sample_name + ".hex");
  EXPECT_THROW(
    ros2_compat::cdr::deserialize(golden.data(), golden.size() - 1, info),
    ros2_compat::cdr::MalformedMessage);
}
