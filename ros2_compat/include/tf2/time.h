// tf2's time types: nanosecond durations and system-clock time points, with TimePointZero
// meaning "the latest available data" in lookups.
#ifndef TF2__TIME_H_
#define TF2__TIME_H_

#include <chrono>
#include <string>

namespace tf2
{

using Duration = std::chrono::nanoseconds;
using TimePoint = std::chrono::time_point<std::chrono::system_clock, Duration>;
using IDuration = std::chrono::duration<int, std::nano>;

static const TimePoint TimePointZero = TimePoint(IDuration::zero());

// Now, from the system clock.
TimePoint get_now();

// Floors the whole seconds and rounds the nanoseconds.
Duration durationFromSec(double t_sec);
TimePoint timeFromSec(double t_sec);

double durationToSec(const tf2::Duration & input);
double timeToSec(const TimePoint & timepoint);

// Seconds with six decimals, as the exception texts print times.
std::string displayTimePoint(const TimePoint & stamp);

}  // namespace tf2

#endif  // TF2__TIME_H_
