// RCLCPP_*_THROTTLE: per-call-site state, integer milliseconds, last logged starting at 0,
// replayed against Humble's transcripts with fake system time and a ROS-time override.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logging_test_helpers.hpp"
#include "rcl/time.h"
#include "rclcpp/clock.hpp"
#include "rclcpp/logging.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "ros2_compat/testing/time_control.hpp"

namespace
{

using ros2_compat::testing::ConsoleOutput;
using ros2_compat::testing::LogCapture;
using ros2_compat::testing::ScopedFakeSystemTime;

constexpr int64_t kStart = 1796641063528018585;  // first stamp of throttle_system_clock.txt
constexpr int64_t kMs = 1000000;

// Builds a transcript of annotation lines and the log lines recorded since the last call.
class Transcript
{
public:
  explicit Transcript(const LogCapture & capture) : capture_(capture) {}

  void annotate(const std::string & text) { lines_.push_back(text); }

  // Appends new log lines without their stamps; each stamp must equal `expected_stamp`.
  void take_log_lines(int64_t expected_stamp)
  {
    const auto records = capture_.records();
    for (; taken_ < records.size(); ++taken_) {
      EXPECT_EQ(expected_stamp, records[taken_].stamp_nanoseconds) << records[taken_].line;
      lines_.push_back(time_logging_test::without_stamp(records[taken_].line));
    }
  }

  const std::vector<std::string> & lines() const { return lines_; }

private:
  const LogCapture & capture_;
  std::size_t taken_ = 0;
  std::vector<std::string> lines_;
};

std::vector<std::string> golden_without_stamps(const std::string & name)
{
  std::vector<std::string> lines;
  for (const auto & line :
       time_logging_test::read_lines(time_logging_test::golden_console_file(name))) {
    lines.push_back(time_logging_test::without_stamp(line));
  }
  return lines;
}

// One call site reached from two loops: they share its throttle state.
void log_from_shared_site(rclcpp::Clock & clock, int i)
{
  RCLCPP_WARN_THROTTLE(rclcpp::get_logger("trailscan"), clock, 250, "shared-site i=%d", i);
}

// A clock stand-in that counts how often the throttle reads it.
struct CountingClock
{
  int reads = 0;
  rclcpp::Time now()
  {
    ++reads;
    return rclcpp::Time(int64_t(5000000000));
  }
};

}  // namespace

TEST(ThrottleTest, SystemClockTranscriptOfHumble)
{
  ScopedFakeSystemTime fake(kStart);
  LogCapture capture(ConsoleOutput::Suppress);
  Transcript transcript(capture);
  rclcpp::Clock clock(RCL_SYSTEM_TIME);
  const rclcpp::Logger logger = rclcpp::get_logger("trailscan");
  int64_t elapsed = 0;
  for (int i = 0; i < 10; ++i, elapsed += 100 * kMs) {
    ros2_compat::testing::set_system_time(kStart + elapsed);
    transcript.annotate("loopA i=" + std::to_string(i) + " t=" + std::to_string(i * 100) + "ms");
    RCLCPP_WARN_THROTTLE(logger, clock, 250, "stmt1 i=%d", i);
    RCLCPP_WARN_THROTTLE(logger, clock, 250, "stmt2 i=%d", i);
    log_from_shared_site(clock, i);
    transcript.take_log_lines(kStart + elapsed);
  }
  for (int i = 0; i < 3; ++i, elapsed += 100 * kMs) {
    ros2_compat::testing::set_system_time(kStart + elapsed);
    transcript.annotate("loopB i=" + std::to_string(i));
    log_from_shared_site(clock, 100 + i);
    transcript.take_log_lines(kStart + elapsed);
  }
  EXPECT_EQ(golden_without_stamps("throttle_system_clock.txt"), transcript.lines());
}

TEST(ThrottleTest, SimTimeTranscriptOfHumble)
{
  // Log stamps stay system time while the throttle follows the ROS clock.
  ScopedFakeSystemTime fake(kStart);
  LogCapture capture(ConsoleOutput::Suppress);
  Transcript transcript(capture);
  rclcpp::Clock node_clock(RCL_ROS_TIME);
  ASSERT_EQ(RCL_RET_OK, rcl_enable_ros_time_override(node_clock.get_clock_handle()));
  ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(node_clock.get_clock_handle(), 0));
  const auto log_now = [&node_clock] {
    RCLCPP_WARN_THROTTLE(
      rclcpp::get_logger("trailscan"), node_clock, 1000, "nodeclock after /clock=%ldms",
      static_cast<long>(node_clock.now().nanoseconds() / 1000000));  // NOLINT(runtime/int)
  };
  transcript.annotate(
    "use_sim_time=1 now=" + std::to_string(node_clock.now().nanoseconds()) +
    " type=" + std::to_string(node_clock.get_clock_type()));
  log_now();
  transcript.take_log_lines(kStart);
  for (const int64_t sim : {500 * kMs, 999 * kMs, 1000 * kMs, 1500 * kMs, 2000 * kMs, 2100 * kMs}) {
    ASSERT_EQ(RCL_RET_OK, rcl_set_ros_time_override(node_clock.get_clock_handle(), sim));
    transcript.annotate("sim now=" + std::to_string(node_clock.now().nanoseconds()));
    log_now();
    transcript.take_log_lines(kStart);
  }
  EXPECT_EQ(golden_without_stamps("throttle_sim_time.txt"), transcript.lines());
}

TEST(ThrottleTest, OneLinePerDurationPerStatement)
{
  ScopedFakeSystemTime fake(kStart);
  LogCapture capture(ConsoleOutput::Suppress);
  rclcpp::Clock clock;
  int duration_ms = 1000;
  for (int step = 0; step < 100; ++step) {  // 10 s in 100 ms steps
    ros2_compat::testing::set_system_time(kStart + step * 100 * kMs);
    RCLCPP_INFO_THROTTLE(rclcpp::get_logger("rate"), clock, duration_ms, "first");
    RCLCPP_INFO_STREAM_THROTTLE(rclcpp::get_logger("rate"), clock, 1000, "second " << step);
    RCLCPP_INFO_SKIPFIRST_THROTTLE(rclcpp::get_logger("rate"), clock, 1000, "skipping");
    duration_ms = 10;  // the duration of the first call stays in force
  }
  EXPECT_EQ(10u, capture.count("]: first"));
  EXPECT_EQ(10u, capture.count("]: second "));
  EXPECT_EQ(1u, capture.count("]: second 90"));
  EXPECT_EQ(9u, capture.count("]: skipping"));  // the first passing call is skipped
}

TEST(ThrottleTest, ClockIsReadOnlyWhenTheSeverityIsEnabled)
{
  ASSERT_EQ(RCUTILS_RET_OK, rcutils_logging_shutdown());
  LogCapture capture(ConsoleOutput::Suppress);
  CountingClock clock;
  RCLCPP_DEBUG_THROTTLE(rclcpp::get_logger("quiet"), clock, 100, "not enabled");
  EXPECT_EQ(0, clock.reads);
  RCLCPP_WARN_THROTTLE(rclcpp::get_logger("quiet"), clock, 100, "enabled");
  EXPECT_EQ(1, clock.reads);
  EXPECT_EQ(1u, capture.count("enabled"));
}

TEST(ThrottleTest, ClockThatCannotTellTheTimeIsReportedAndTheMessageLogged)
{
  LogCapture capture(ConsoleOutput::Suppress);
  rclcpp::Clock broken(RCL_CLOCK_UNINITIALIZED);
  ::testing::internal::CaptureStderr();
  RCLCPP_WARN_THROTTLE(rclcpp::get_logger("trailscan"), broken, 1000, "logged anyway");
  EXPECT_EQ(
    "[rclcpp|logging.hpp] RCLCPP_WARN_THROTTLE could not get current time stamp\n",
    ::testing::internal::GetCapturedStderr());
  const auto records = capture.records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(RCUTILS_LOG_SEVERITY_ERROR, records[0].severity);
  EXPECT_EQ("", records[0].logger);
  EXPECT_NE(std::string::npos, records[0].message.find("() at "));
  EXPECT_NE(std::string::npos, records[0].message.find(" getting current steady time failed\n"));
  EXPECT_EQ("logged anyway", records[1].message);
}
