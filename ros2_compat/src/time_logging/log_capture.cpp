// LogCapture: a thread-safe record of the log lines emitted during its lifetime.
#include "ros2_compat/testing/log_capture.hpp"

#include <utility>

#include "log_dispatch.hpp"

namespace ros2_compat
{
namespace testing
{

LogCapture::LogCapture(ConsoleOutput console) : console_(console) { detail::add_log_capture(this); }

LogCapture::~LogCapture() { detail::remove_log_capture(this); }

std::vector<LogRecord> LogCapture::records() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

std::vector<std::string> LogCapture::lines() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> result;
  for (const LogRecord & log_record : records_) {
    result.push_back(log_record.line);
  }
  return result;
}

std::vector<std::string> LogCapture::messages() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> result;
  for (const LogRecord & log_record : records_) {
    result.push_back(log_record.message);
  }
  return result;
}

std::size_t LogCapture::count(const std::string & substring) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return count_locked(substring);
}

bool LogCapture::contains(const std::string & substring) const { return count(substring) > 0; }

bool LogCapture::wait_for(
  const std::string & substring, std::chrono::milliseconds timeout, std::size_t times) const
{
  std::unique_lock<std::mutex> lock(mutex_);
  return recorded_.wait_for(lock, timeout, [&] { return count_locked(substring) >= times; });
}

void LogCapture::clear()
{
  std::lock_guard<std::mutex> lock(mutex_);
  records_.clear();
}

void LogCapture::record(LogRecord log_record)
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back(std::move(log_record));
  }
  recorded_.notify_all();
}

std::size_t LogCapture::count_locked(const std::string & substring) const
{
  std::size_t matches = 0;
  for (const LogRecord & log_record : records_) {
    if (log_record.line.find(substring) != std::string::npos) {
      ++matches;
    }
  }
  return matches;
}

}  // namespace testing
}  // namespace ros2_compat
