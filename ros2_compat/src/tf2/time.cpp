#include "tf2/time.h"

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "ros2_compat/system_time.hpp"

namespace tf2
{

TimePoint get_now() { return TimePoint(Duration(ros2_compat::system_time_now())); }

Duration durationFromSec(double t_sec)
{
  const auto sec = static_cast<int64_t>(std::floor(t_sec));
  const auto nsec = static_cast<int64_t>(std::round((t_sec - static_cast<double>(sec)) * 1e9));
  // Rounding may carry a whole second (e.g. 0.9999999999 s).
  return std::chrono::seconds(sec) + std::chrono::nanoseconds(nsec);
}

TimePoint timeFromSec(double t_sec) { return TimePoint(durationFromSec(t_sec)); }

double durationToSec(const Duration & input)
{
  // Seconds and nanoseconds are scaled separately, which keeps the nanoseconds exact.
  const int64_t nsec = input.count() % 1000000000;
  const int64_t sec = (input.count() - nsec) / 1000000000;
  return static_cast<double>(sec) + 1e-9 * static_cast<double>(nsec);
}

double timeToSec(const TimePoint & timepoint)
{
  return durationToSec(timepoint.time_since_epoch());
}

std::string displayTimePoint(const TimePoint & stamp)
{
  std::ostringstream out;
  out.precision(6);
  out << std::fixed << timeToSec(stamp);
  return out.str();
}

}  // namespace tf2
