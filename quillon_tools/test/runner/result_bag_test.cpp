// Reading a result bag for scoring: corrupt messages cost only themselves and are counted by
// topic; a bag that is not a result bag is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/result_bag.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "scratch_folder.hpp"

namespace
{

namespace fs = std::filesystem;
using namespace quillon_tools;
using quillon_protocol::msg::ObjectList;
using visualization_msgs::msg::MarkerArray;

constexpr int64_t SECOND_NS = 1000000000LL;

using quillon_test::scratch;

ObjectList listAt(int32_t sec, size_t objects)
{
  ObjectList list;
  list.header.stamp.sec = sec;
  list.header.frame_id = "base_footprint";
  list.objects.resize(objects);
  return list;
}

// The start of a valid list: its encoding header and stamp, cut off before the frame id.
std::vector<uint8_t> truncatedList()
{
  std::vector<uint8_t> bytes = ros2_compat::cdr::serialize(listAt(5, 2));
  bytes.resize(8);
  return bytes;
}

}  // namespace

TEST(ResultBag, SkipsAndCountsUnreadableMessagesByTopic)
{
  const auto bag = scratch("damaged");
  {
    BagWriter writer;
    writer.open(bag);
    createResultTopics(writer);
    writer.write("/objects_laser1", 1 * SECOND_NS, listAt(1, 1));
    writer.write("/objects_laser1", 2 * SECOND_NS, truncatedList());
    writer.write("/objects_laser1", 3 * SECOND_NS, listAt(3, 2));
    writer.write("/objects_laser2", 1 * SECOND_NS, truncatedList());
    writer.write("/scan1/pedestrian_markers", 1 * SECOND_NS, MarkerArray());
    writer.write("/scan1/pedestrian_markers", 3 * SECOND_NS, std::vector<uint8_t>{0, 1, 0, 0});
  }
  const ResultBag result = readResultBag(bag);

  const auto & lists = result.lists.at("/objects_laser1");
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0].list.objects.size(), 1u);
  EXPECT_EQ(lists[1].list.header.stamp.sec, 3);
  EXPECT_EQ(lists[1].list.objects.size(), 2u);
  EXPECT_EQ(result.lists.count("/objects_laser2"), 0u);
  EXPECT_EQ(result.markers.at("/scan1/pedestrian_markers").size(), 1u);
  EXPECT_EQ(
    result.unreadable,
    (std::map<std::string, uint64_t>{
      {"/objects_laser1", 1}, {"/objects_laser2", 1}, {"/scan1/pedestrian_markers", 1}}));
}

TEST(ResultBag, RefusesBagsThatAreNotResultBags)
{
  const auto no_lists = scratch("no_lists");
  {
    BagWriter writer;
    writer.open(no_lists);
    writer.write("/scan1/pedestrian_markers", SECOND_NS, MarkerArray());
  }
  EXPECT_THROW(readResultBag(no_lists), BagError);

  // A list topic of another type is another recording, not a damaged one.
  const auto wrong_type = scratch("wrong_type");
  {
    BagWriter writer;
    writer.open(wrong_type);
    writer.write("/objects_laser", SECOND_NS, listAt(1, 0));
    writer.createTopic("/objects_laser1", "std_msgs/msg/String");
    writer.write("/objects_laser1", SECOND_NS, std::vector<uint8_t>{0, 1, 0, 0, 1, 0, 0, 0, 0});
  }
  try {
    readResultBag(wrong_type);
    ADD_FAILURE() << "a list topic of another type was read";
  } catch (const BagError & e) {
    EXPECT_NE(
      std::string(e.what()).find("/objects_laser1 is of type std_msgs/msg/String"),
      std::string::npos)
      << e.what();
  }
}
