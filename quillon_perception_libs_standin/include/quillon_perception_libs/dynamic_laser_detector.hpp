#ifndef QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_
#define QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_

#include <optional>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "geometry_msgs/msg/pose.hpp"
#include "quillon_perception_libs/free_space_settings.hpp"
#include "quillon_perception_libs/planar_pose.hpp"
#include "quillon_perception_libs/structure_memory.hpp"
#include "quillon_perception_libs/view_memory.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace orvane
{
namespace perception
{

// Splits a laser scan into its moving and its static returns.
//
// A return is moving when it lies where the scanner recently saw free space: earlier scans
// (kept in "odom" for free_space_memory seconds) had beams that reached past the spot, more of
// them than had found something at the spot before. Both legs of a walking person land where
// there was free space a moment ago, a planted foot included, and a person who stops stays
// moving until that evidence ages out. Real surfaces now and then send no echo back (+inf): a
// wall seen occupied before it was once seen through stays static. Walls and furniture were
// never seen through; a stretch of wall that a passer-by uncovers or shadows was unknown, not
// free, so it stays static too. Someone walking straight away steps into space their own legs
// hid: a return just behind something that has since gone, at a spot never seen occupied,
// moves. Something the earlier scans could not see (glass at a slant, a dark post) that comes
// into view and stays settles after settle_time, unless something moved beside it just before.
// With structure_memory, spots seen static stay static for that long against scans that saw
// through them from elsewhere (glass shows only at some angles), though not against a scan from
// where they were seen (someone who stood there has gone).
// Each beam is placed where the scanner was when the mirror passed it, so a driving and
// turning robot sees its surroundings stand still. Returns that keep their range on their beam
// while the robot travels move with the robot (its body) and stay static.
class DynamicLaserDetector
{
public:
  // Reads the "dynamic_laser_detector" section of the YAML file at `config_path` (missing keys
  // take their defaults). Throws std::runtime_error when the file cannot be read, or naming the
  // key and value when a value does not convert or cannot work (see loadFreeSpaceSettings).
  explicit DynamicLaserDetector(const std::string & config_path);

  // Mounting of the scanner: maps points of the scanner frame into the robot frame.
  Eigen::Matrix4f sensor_to_base;

  // Fills `dynamic_scan` and `static_scan` with the input's geometry; a beam outside a class
  // carries +infinity there. `pose` is the robot's pose in the odometry frame at the scan stamp.
  // Returns outside [range_min, range_max) of the scan, 0.0 and NaN readings are never moving. A
  // scan whose scanner pose is not finite or lies beyond 1e9 m is passed on as static and leaves
  // the detector as it was.
  void Process(
    const sensor_msgs::msg::LaserScan::ConstSharedPtr & scan, const geometry_msgs::msg::Pose & pose,
    const sensor_msgs::msg::LaserScan::SharedPtr & dynamic_scan,
    const sensor_msgs::msg::LaserScan::SharedPtr & static_scan);

  const FreeSpaceSettings & settings() const { return settings_; }

private:
  struct LastPose
  {
    double stamp = 0.0;
    PlanarPose sensor;
  };

  void forget();
  void keepPendingView(double stamp, const PlanarPose & sensor);
  Sweep sweepOf(const sensor_msgs::msg::LaserScan & scan, const PlanarPose & sensor, double stamp);
  void markMoving(const sensor_msgs::msg::LaserScan & scan, const Sweep & sweep, double stamp);
  // `seen_through_from`: where the scanner stood when a scan last saw through the spot;
  // `unseen`: whether no remembered scan saw the spot occupied, saw through it or saw a return
  // right in front of it.
  bool seenFree(double x, double y, PlanarPose & seen_through_from, bool & unseen) const;
  bool stoodStill() const;
  bool settled(double occupied_since, const RememberedView & last_free, double x, double y) const;
  bool movesWithRobot(
    const sensor_msgs::msg::LaserScan & scan, std::size_t beam, const PlanarPose & sensor) const;
  RememberedView viewOf(
    const sensor_msgs::msg::LaserScan & scan, const Sweep & sweep, double stamp);

  FreeSpaceSettings settings_;
  ViewMemory memory_;
  StructureMemory structure_;
  std::optional<RememberedView> pending_view_;  // the previous scan, until its motion is known
  std::optional<LastPose> last_pose_;
  Odometer odometer_;
  std::vector<SeeThroughMargins> margins_;  // per remembered view, for the scan at hand
  RememberedView current_view_;             // the scan at hand, to see what has gone since
  SeeThroughMargins current_margins_;
  mutable std::vector<SpotSight> shadows_;  // per return at hand: where it lay behind something
  std::vector<bool> moving_;
  std::vector<bool> unseen_;  // per beam of the scan at hand: its spot was seen by no view
};

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__DYNAMIC_LASER_DETECTOR_HPP_
