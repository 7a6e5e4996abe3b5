// rcutils clock readings; system time goes through the layer's single system time source.
#include <chrono>

#include "rcutils/time.h"
#include "ros2_compat/system_time.hpp"

extern "C" rcutils_ret_t rcutils_system_time_now(rcutils_time_point_value_t * now)
{
  if (now == nullptr) {
    return RCUTILS_RET_INVALID_ARGUMENT;
  }
  *now = ros2_compat::system_time_now();
  return RCUTILS_RET_OK;
}

extern "C" rcutils_ret_t rcutils_steady_time_now(rcutils_time_point_value_t * now)
{
  if (now == nullptr) {
    return RCUTILS_RET_INVALID_ARGUMENT;
  }
  *now = std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::steady_clock::now().time_since_epoch())
           .count();
  return RCUTILS_RET_OK;
}
