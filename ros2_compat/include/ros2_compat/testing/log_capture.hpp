// Test seam for logging: while a LogCapture is alive it records every log record that reaches the
// console (any logger, any thread), optionally keeping it off the console.
//
//   ros2_compat::testing::LogCapture log;           // console output kept
//   run_the_code();
//   EXPECT_EQ(1u, log.count("Detected jump back in time"));
//   EXPECT_TRUE(log.wait_for("[WARN]", std::chrono::seconds(5)));  // for other threads' logs
#ifndef ROS2_COMPAT__TESTING__LOG_CAPTURE_HPP_
#define ROS2_COMPAT__TESTING__LOG_CAPTURE_HPP_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ros2_compat
{
namespace testing
{

struct LogRecord
{
  int severity;               // RCUTILS_LOG_SEVERITY_DEBUG ... FATAL
  std::string logger;         // logger name, e.g. "trailscan.sub"
  std::string message;        // the formatted message text
  std::string line;           // the console line: configured format, no colour, no newline
  int64_t stamp_nanoseconds;  // the system time printed as {time}
};

enum class ConsoleOutput
{
  Keep,
  Suppress
};

class LogCapture
{
public:
  explicit LogCapture(ConsoleOutput console = ConsoleOutput::Keep);
  ~LogCapture();

  LogCapture(const LogCapture &) = delete;
  LogCapture & operator=(const LogCapture &) = delete;

  // Snapshots, oldest first.
  std::vector<LogRecord> records() const;
  std::vector<std::string> lines() const;
  std::vector<std::string> messages() const;

  // Number of recorded lines that contain `substring` (all lines for "").
  std::size_t count(const std::string & substring) const;

  bool contains(const std::string & substring) const;

  // Waits until at least `times` recorded lines contain `substring`; false on timeout.
  bool wait_for(
    const std::string & substring, std::chrono::milliseconds timeout, std::size_t times = 1) const;

  void clear();

  bool suppresses_console() const { return console_ == ConsoleOutput::Suppress; }

  // Called by the logging implementation for each record.
  void record(LogRecord log_record);

private:
  std::size_t count_locked(const std::string & substring) const;

  const ConsoleOutput console_;
  mutable std::mutex mutex_;
  mutable std::condition_variable recorded_;
  std::vector<LogRecord> records_;
};

}  // namespace testing
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__TESTING__LOG_CAPTURE_HPP_
