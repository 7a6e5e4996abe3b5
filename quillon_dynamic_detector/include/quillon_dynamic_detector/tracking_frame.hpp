#ifndef QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_HPP_

#include <functional>
#include <vector>

#include <Eigen/Core>

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/expected_person.hpp"
#include "quillon_protocol/msg/object.hpp"

namespace quillon_dynamic_detector
{

// A rigid motion of the plane: p' = R(yaw) p + (x, y). Tracking in "odom" carries a scan's
// detections and static clusters from the scanner frame into "odom", where people walk at their
// own speed whatever the robot does, and the exported tracks back.
// Moves each point of each cluster with `move_point` (x and y in place), in copies: the clusters
// are shared with the debug clouds already published.
void movePointsOf(
  ClusterList & clusters, const std::function<void(double &, double &)> & move_point);

class PlanarMotion
{
public:
  // The planar part of a 4x4 transform (its yaw about z and its translation in x and y).
  static PlanarMotion fromMatrix(const Eigen::Matrix4f & transform);
  // The motion that puts the origin at (x, y) and turns the x axis to `yaw`.
  static PlanarMotion fromPose(double x, double y, double yaw);
  PlanarMotion inverse() const;

  // Positions and outlines move; velocities turn. Shape measures (width, length, area ...),
  // range and bearing stay as measured in the scanner frame.
  void apply(quillon_protocol::msg::Object & object) const;
  void apply(std::vector<quillon_protocol::msg::Object> & objects) const;
  void apply(ExpectedPerson & person) const;
  void apply(std::vector<ExpectedPerson> & people) const;
  void apply(ClusterList & clusters) const;
  void move(double & x, double & y) const;

private:
  PlanarMotion(double cos_yaw, double sin_yaw, double x, double y);

  double cos_yaw_ = 1.0;
  double sin_yaw_ = 0.0;
  double x_ = 0.0;
  double y_ = 0.0;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_HPP_
