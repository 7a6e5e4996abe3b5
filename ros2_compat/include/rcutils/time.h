// rcutils time values and unit conversions, with the system and steady clocks.
#ifndef RCUTILS__TIME_H_
#define RCUTILS__TIME_H_

#include <stdint.h>

#include "rcutils/macros.h"
#include "rcutils/types/rcutils_ret.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RCUTILS_S_TO_NS(seconds) ((seconds) * (1000LL * 1000LL * 1000LL))
#define RCUTILS_MS_TO_NS(milliseconds) ((milliseconds) * (1000LL * 1000LL))
#define RCUTILS_US_TO_NS(microseconds) ((microseconds)*1000LL)
#define RCUTILS_NS_TO_S(nanoseconds) ((nanoseconds) / (1000LL * 1000LL * 1000LL))
#define RCUTILS_NS_TO_MS(nanoseconds) ((nanoseconds) / (1000LL * 1000LL))
#define RCUTILS_NS_TO_US(nanoseconds) ((nanoseconds) / 1000LL)

typedef int64_t rcutils_time_point_value_t;
typedef int64_t rcutils_duration_value_t;

// Nanoseconds since the epoch (follows ros2_compat::system_time_now()).
RCUTILS_WARN_UNUSED
rcutils_ret_t rcutils_system_time_now(rcutils_time_point_value_t * now);

// Nanoseconds of the monotonic clock.
RCUTILS_WARN_UNUSED
rcutils_ret_t rcutils_steady_time_now(rcutils_time_point_value_t * now);

#ifdef __cplusplus
}
#endif

#endif  // RCUTILS__TIME_H_
