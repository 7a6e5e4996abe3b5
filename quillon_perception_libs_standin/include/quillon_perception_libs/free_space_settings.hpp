#ifndef QUILLON_PERCEPTION_LIBS__FREE_SPACE_SETTINGS_HPP_
#define QUILLON_PERCEPTION_LIBS__FREE_SPACE_SETTINGS_HPP_

#include <string>

namespace orvane
{
namespace perception
{

// The moving-point detector's keys (section "dynamic_laser_detector" of the detectors' YAML
// file). Every time is in seconds, so one configuration fits any scan rate.
struct FreeSpaceSettings
{
  // s: a return is moving when an earlier scan of this age or younger saw through its spot.
  // It is also how long a person who stops stays moving.
  double free_space_memory = 2.0;
  // s: scans are remembered at most this often (bounds memory and cost at high scan rates).
  double memory_spacing = 0.2;
  // m: how far past the spot the earlier beam must have reached (range noise, odometry drift),
  // plus free_space_margin_per_m for every metre of range (heading drift).
  double free_space_margin = 0.15;
  double free_space_margin_per_m = 0.02;
  // m: the earlier beams on either side of the spot's bearing, this far sideways, must all have
  // reached past it, so that the edge of a wall or a table leg is not seen through.
  double lateral_margin = 0.04;
  // Share of the distance driven and the angle turned by which the odometry may err: the margins
  // grow by it for every metre and radian since the earlier scan.
  double odometry_drift = 0.02;
  // Share of those three margins (range, per metre, lateral) that applies to an earlier scan when
  // the robot has neither driven nor turned since: without odometry error only range noise is
  // left, and a leg that moved a step along the beam must not count as the same surface. 1
  // keeps the full margins at rest.
  double at_rest_margin_share = 1.0;
  // m: farther returns are never moving.
  double max_range = 10.0;
  // Consecutive moving beams needed to report any of them (single beams are noise).
  int min_support_beams = 2;
  // A return that keeps its range on its beam (within body_range_tolerance, m) while the robot
  // has travelled body_min_travel (m, turning counts 1 m per rad) moves with the robot: its body
  // or something it carries.
  double body_range_tolerance = 0.03;
  double body_min_travel = 0.02;
  // m: a return at most this far behind where an earlier view met something that has since gone
  // (and never seen occupied) moves: a leg stepping away from the scanner.
  double uncovered_depth = 0.35;
  // s: a spot seen occupied without a break for this long since a scan last saw through it is
  // static again: something that scan could not see (glass at a slant, a dark post) has come into
  // view. It stays moving while the memory lasts if something moved beside it in that scan (a
  // person who walked there and stopped). 0 keeps every such spot moving while the memory lasts.
  double settle_time = 0.0;
  // s: above 0, the detector remembers for this long where its remembered scans saw static
  // returns, and a return on a spot that two of them saw static never moves because a scan from
  // elsewhere saw through it: a wall, a post or a glass pane that a driving robot sees again
  // from another place stays static. Seen through from where it was seen static, the spot has
  // been left (someone who stood there) and moves as before. 0 keeps no such memory.
  double structure_memory = 0.0;
  // m: above 0, while the scanner has stood still since its oldest remembered scan, a return on
  // a spot that none of those scans saw (their beams there brought no echo back: open space or
  // a dark wall behind) moves when the return on the next beam moves and lies within this range
  // of it: the rest of a leg part of which stepped into space seen free. 0 leaves such returns
  // static. A driving robot brings spots into view all the time, so it never applies there.
  double unseen_join_range_gap = 0.0;
};

// Reads the "dynamic_laser_detector" section of the YAML file at `path`; missing keys (or a
// missing section) keep their defaults. Throws std::runtime_error naming the file when it cannot
// be read, and naming the key and its value when a value does not convert or cannot work (NaN,
// infinite, negative, or zero for a time, size or count).
FreeSpaceSettings loadFreeSpaceSettings(const std::string & path);

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__FREE_SPACE_SETTINGS_HPP_
