// How a bag replay puts recorded messages on its clock: in header-stamp order within a window
// of receive time, and scans held back while their robot pose has not arrived, as a live
// run's transform lookup holds them.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "quillon_tools/runner/clock_order_buffer.hpp"
#include "quillon_tools/runner/transform_wait_queue.hpp"

namespace
{

using namespace quillon_tools;

constexpr int64_t MS = 1000000;

ReplayInput inputAt(const std::string & topic, int64_t receive_ns, int64_t clock_ns)
{
  ReplayInput input;
  input.topic = topic;
  input.receive_ns = receive_ns;
  input.clock_ns = clock_ns;
  return input;
}

std::vector<std::string> drain(ClockOrderBuffer & buffer, bool all)
{
  std::vector<std::string> topics;
  ReplayInput out;
  while (all ? buffer.popAny(out) : buffer.pop(out)) {
    topics.push_back(out.topic);
  }
  return topics;
}

WaitingScan scanAt(const std::string & topic, int64_t stamp_ns, int64_t arrival_ns)
{
  WaitingScan w;
  w.topic = topic;
  w.scan.header.stamp.sec = static_cast<int32_t>(stamp_ns / 1000000000);
  w.scan.header.stamp.nanosec = static_cast<uint32_t>(stamp_ns % 1000000000);
  w.arrival_ns = arrival_ns;
  return w;
}

int64_t stampOf(const sensor_msgs::msg::LaserScan & scan)
{
  return static_cast<int64_t>(scan.header.stamp.sec) * 1000000000 + scan.header.stamp.nanosec;
}

}  // namespace

// Messages come out by clock time once a window of receive time has passed after them; a
// message without a time of its own stays after what was received before it; one received
// later than the window allows goes out next, after what has gone already; the end of the
// recording flushes everything.
TEST(ClockOrderBuffer, SortsByClockWithinItsWindow)
{
  ClockOrderBuffer buffer(100 * MS);
  buffer.push(inputAt("static", 0, NO_CLOCK_TIME));
  buffer.push(inputAt("scan b", 10 * MS, 50 * MS));
  buffer.push(inputAt("tf a", 20 * MS, 40 * MS));
  buffer.push(inputAt("tf b", 30 * MS, 50 * MS));
  EXPECT_TRUE(drain(buffer, false).empty());
  buffer.push(inputAt("unreadable", 130 * MS, NO_CLOCK_TIME));
  EXPECT_EQ(drain(buffer, false), (std::vector<std::string>{"static", "tf a", "scan b", "tf b"}));
  buffer.push(inputAt("late", 500 * MS, 10 * MS));
  EXPECT_TRUE(drain(buffer, false).empty());
  buffer.push(inputAt("last", 610 * MS, 600 * MS));
  EXPECT_EQ(drain(buffer, false), (std::vector<std::string>{"late", "unreadable"}));
  EXPECT_EQ(drain(buffer, true), (std::vector<std::string>{"last"}));

  ClockOrderBuffer receive_order(0);
  receive_order.push(inputAt("first", 5 * MS, 5 * MS));
  EXPECT_EQ(drain(receive_order, false), (std::vector<std::string>{"first"}));
}

// A scan leaves when its pose is there (at the time the transforms came, never before it
// arrived), or at its deadline; scans behind a waiting one leave after it, in arrival order,
// and times never run back.
TEST(TransformWaitQueue, HoldsScansAsALiveLookupWould)
{
  std::set<int64_t> poses;
  TransformWaitQueue queue(
    [&poses](const sensor_msgs::msg::LaserScan & scan) { return poses.count(stampOf(scan)) > 0; },
    200 * MS);

  poses.insert(1000 * MS);
  queue.push(scanAt("/scan_01", 1000 * MS, 1005 * MS));
  auto released = queue.releaseDue(1005 * MS, 990 * MS);
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].time_ns, 1005 * MS);

  queue.push(scanAt("/scan_01", 1100 * MS, 1100 * MS));
  queue.push(scanAt("/scan_02", 1110 * MS, 1110 * MS));
  EXPECT_TRUE(queue.releaseDue(1110 * MS, 990 * MS).empty());
  poses.insert(1110 * MS);
  EXPECT_TRUE(queue.releaseDue(1115 * MS, 1115 * MS).empty()) << "behind a waiting scan";
  poses.insert(1100 * MS);
  released = queue.releaseDue(1120 * MS, 1120 * MS);
  ASSERT_EQ(released.size(), 2u);
  EXPECT_EQ(released[0].waiting.topic, "/scan_01");
  EXPECT_EQ(released[0].time_ns, 1120 * MS);
  EXPECT_EQ(released[1].time_ns, 1120 * MS);

  queue.push(scanAt("/scan_01", 1200 * MS, 1200 * MS));
  queue.push(scanAt("/scan_02", 1250 * MS, 1250 * MS));
  poses.insert(1250 * MS);
  EXPECT_TRUE(queue.releaseDue(1399 * MS, 1260 * MS).empty());
  released = queue.releaseDue(1500 * MS, 1260 * MS);
  ASSERT_EQ(released.size(), 2u);
  EXPECT_EQ(released[0].time_ns, 1400 * MS) << "at its deadline";
  EXPECT_EQ(released[1].time_ns, 1400 * MS) << "once the scan before it has gone";

  queue.push(scanAt("/scan_01", 1600 * MS, 1600 * MS));
  released = queue.releaseAll(1500 * MS);
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].time_ns, 1800 * MS);
  EXPECT_TRUE(queue.empty());
}
