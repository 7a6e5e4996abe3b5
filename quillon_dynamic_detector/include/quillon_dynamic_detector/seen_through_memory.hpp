#ifndef QUILLON_DYNAMIC_DETECTOR__SEEN_THROUGH_MEMORY_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SEEN_THROUGH_MEMORY_HPP_

#include <deque>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/local_static_map.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_dynamic_detector
{

// Where "base_footprint" stood in "odom" when a scan was taken.
struct PlanarPose
{
  float x = 0.0f;
  float y = 0.0f;
  float yaw = 0.0f;
};

// The scans of the last few tenths of a second with where they were taken, to tell a spot that
// the scanner saw through lately (something has moved into it) from one that has merely come
// into view (from behind an edge, into range or into the field of view) and was never seen
// through. A return reaches the spot's place on its beam; a reading of +inf reaches range_max;
// NaN, 0, -inf and readings below range_min say nothing.
class SeenThroughMemory
{
public:
  struct Settings
  {
    float memory = 0.0f;           // s back; 0 remembers nothing
    float margin = 0.1f;           // m a beam must have reached past a spot to have seen through it
    float margin_per_m = 0.02f;    // added per m of the spot's range
    float turn_margin = 0.0f;      // m to either side per m of range and rad turned since a scan
    float uncovered_depth = 0.0f;  // m; see wasSeenThrough
  };

  explicit SeenThroughMemory(const Settings & settings);

  // Starts the scan at `t` (taken with the scanner mounted at `sensor_to_base` on a robot at
  // `robot`): forgets the kept scans more than the memory older. A mounting whose plane cannot be
  // inverted gives a scan that is neither asked nor kept.
  void startScan(
    const sensor_msgs::msg::LaserScan & scan, const Eigen::Matrix4f & sensor_to_base,
    const PlanarPose & robot, double t);
  // True when, in a kept scan, both beams either side of the direction of `p` ("odom") reached
  // past it by the margin, and with a turn margin the beams within turn margin x the scanner's
  // turn since that scan x range to either side of them too. With an uncovered depth, also when
  // both ended up to that depth in front of `p`, in a kept scan taken from where the scanner
  // stands now, and the current scan sees through where they ended: a leg stepping away along
  // the beams, into space its own body hid (from a scanner that has not moved nothing else comes
  // into view).
  bool wasSeenThrough(const PlanarPoint & p) const;
  // Ends the current scan: keeps it when the newest kept scan is at least an eighth of the
  // memory older, so that at most eight span the memory.
  void keepCurrentScan();
  // startScan, then keepCurrentScan.
  void remember(
    const sensor_msgs::msg::LaserScan & scan, const Eigen::Matrix4f & sensor_to_base,
    const PlanarPose & robot, double t);
  void clear();
  std::size_t size() const { return scans_.size(); }

private:
  struct KeptScan
  {
    double stamp = 0.0;
    // "odom" to the scanner frame, in the plane: local = to_sensor * p + offset.
    Eigen::Matrix2f to_sensor;
    Eigen::Vector2f offset;
    Eigen::Vector2f origin;  // of the scanner, in "odom"
    float heading = 0.0f;    // of the scanner's x axis, in "odom"
    float angle_min = 0.0f;
    float angle_increment = 0.0f;
    float range_min = 0.0f;
    float range_max = 0.0f;
    std::vector<float> ranges;
  };

  // How far beam `index` of `scan` reached, or a negative value when its reading says nothing.
  static float reach(const KeptScan & scan, long index);
  // The beam of `scan` just before the direction of `p` and the range of `p` from its scanner;
  // false outside the scan's beams.
  static bool locate(const KeptScan & scan, const PlanarPoint & p, long & first, float & range);
  float margin(float range) const { return settings_.margin + settings_.margin_per_m * range; }
  // The two rules for a spot `range` from the scanner of `scan`, just after beam `first`.
  bool sawThrough(const KeptScan & scan, long first, float range) const;
  bool sawStepAway(const KeptScan & scan, const PlanarPoint & p, long first, float range) const;

  Settings settings_;
  std::deque<KeptScan> scans_;
  KeptScan current_;
  bool has_current_ = false;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SEEN_THROUGH_MEMORY_HPP_
