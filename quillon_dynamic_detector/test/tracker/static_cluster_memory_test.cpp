#include <gtest/gtest.h>

#include <limits>

#include "quillon_dynamic_detector/static_cluster_memory.hpp"

namespace
{

using quillon_dynamic_detector::StaticClusterMemory;

TEST(StaticClusterMemory, RemembersFirstSightingsNearACellAndForgetsWhatWentUnseen)
{
  StaticClusterMemory memory;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  memory.observe({1.02f, 2.02f}, 1.0);
  memory.observe({1.03f, 2.01f}, 3.0);  // the same cell: keeps its first sighting
  memory.observe({nan, 2.0f}, 3.0);     // no cell at all
  memory.observe({1.0e9f, 0.0f}, 3.0);  // beyond any map
  EXPECT_EQ(1u, memory.size());
  EXPECT_EQ(1.0, memory.firstSeenNear({1.06f, 1.98f}).value_or(-1.0)) << "a neighbouring cell";
  EXPECT_FALSE(memory.firstSeenNear({1.2f, 2.0f})) << "three cells away";
  EXPECT_FALSE(memory.firstSeenNear({nan, nan}));

  memory.forget(8.0, 5.0);
  EXPECT_EQ(1u, memory.size()) << "last seen 5 s ago";
  memory.forget(8.1, 5.0);
  EXPECT_EQ(0u, memory.size());

  memory.observe({0.0f, 0.0f}, 10.0);
  memory.forget(5.0, 5.0);
  EXPECT_EQ(0u, memory.size()) << "time went back: nothing seen 'later' is kept";
}

}  // namespace
