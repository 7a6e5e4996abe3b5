#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "quillon_dynamic_detector/source_track_links.hpp"

using quillon_dynamic_detector::SourceTrack;
using quillon_dynamic_detector::SourceTrackLinks;
using quillon_dynamic_detector::sourceTracksOf;

// A fused object takes the display id one of its tracks was drawn under: the oldest of several,
// never one this list has handed out already; links live as long as the memory allows.
TEST(SourceTrackLinks, AnObjectTakesTheOldestFreeIdOfItsTracksWhileTheLinkLasts)
{
  SourceTrackLinks links;
  const SourceTrack scanner_1_track_5{1, 5};
  const SourceTrack scanner_2_track_2{2, 2};
  const SourceTrack scanner_2_track_9{2, 9};
  EXPECT_EQ(links.displayIdOf({scanner_1_track_5}, {}), std::nullopt);

  links.link({scanner_1_track_5}, 7, 10.0);
  links.link({scanner_2_track_2}, 3, 10.0);
  EXPECT_EQ(links.displayIdOf({scanner_2_track_9, scanner_1_track_5}, {}), 7);
  EXPECT_EQ(links.displayIdOf({scanner_1_track_5, scanner_2_track_2}, {}), 3);
  EXPECT_EQ(links.displayIdOf({scanner_1_track_5, scanner_2_track_2}, {3}), 7);
  EXPECT_EQ(links.displayIdOf({scanner_1_track_5, scanner_2_track_2}, {3, 7}), std::nullopt);

  links.link({scanner_1_track_5, scanner_2_track_2}, 7, 10.5);  // drawn together under 7
  EXPECT_EQ(links.displayIdOf({scanner_2_track_2}, {}), 7);

  links.forget(11.0, 0.5);  // seen 0.5 s ago: kept
  EXPECT_EQ(links.size(), 2u);
  links.forget(11.01, 0.5);
  EXPECT_EQ(links.size(), 0u);

  links.link({scanner_2_track_9}, 1, 20.0);
  links.forget(19.0, 5.0);  // time stepped back: every link ends
  EXPECT_EQ(links.size(), 0u);
}

// Only whole, non-negative ids, each once in a list, are track ids; an input that writes none
// leaves 0 in every object, which two objects give away.
TEST(SourceTrackLinks, OnlyDistinctWholeNonNegativeNumbersAreTrackIds)
{
  EXPECT_EQ(
    sourceTracksOf(2, {4.0, 0.0, 17.0}), (std::vector<SourceTrack>{{2, 4}, {2, 0}, {2, 17}}));
  EXPECT_EQ(sourceTracksOf(1, {}), std::vector<SourceTrack>{});
  EXPECT_EQ(sourceTracksOf(1, {0.0, 0.0}), std::nullopt);
  EXPECT_EQ(sourceTracksOf(1, {3.0, 2.5}), std::nullopt);
  EXPECT_EQ(sourceTracksOf(1, {-1.0}), std::nullopt);
  EXPECT_EQ(sourceTracksOf(1, {3e9}), std::nullopt);
}
