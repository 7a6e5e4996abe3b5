#include <gtest/gtest.h>

#include "ros2_compat/testing/time_control.hpp"
#include "tf2/time.h"

TEST(Tf2Time, ConvertsSecondsLikeTf2)
{
  // Whole seconds are floored, nanoseconds rounded (and may carry into a second).
  EXPECT_EQ(-1500000000, tf2::durationFromSec(-1.5).count());
  EXPECT_EQ(1000000000, tf2::durationFromSec(0.9999999999).count());
  EXPECT_EQ(123456789, tf2::durationFromSec(0.1234567891).count());
  EXPECT_EQ(9250000000, tf2::timeFromSec(9.25).time_since_epoch().count());
  EXPECT_DOUBLE_EQ(1.5, tf2::durationToSec(tf2::Duration(1500000000)));
  EXPECT_DOUBLE_EQ(-0.25, tf2::durationToSec(tf2::Duration(-250000000)));
  EXPECT_DOUBLE_EQ(1700000000.5, tf2::timeToSec(tf2::timeFromSec(1700000000.5)));
  EXPECT_EQ("9.250000", tf2::displayTimePoint(tf2::timeFromSec(9.25)));
  EXPECT_EQ("0.000000", tf2::displayTimePoint(tf2::TimePointZero));
}

TEST(Tf2Time, NowIsTheSystemTime)
{
  ros2_compat::testing::ScopedFakeSystemTime fake(1700000000123456789);
  EXPECT_EQ(1700000000123456789, tf2::get_now().time_since_epoch().count());
}
