#include "quillon_dynamic_detector/tracking_frame.hpp"

#include <cmath>
#include <memory>

namespace quillon_dynamic_detector
{

PlanarMotion::PlanarMotion(double cos_yaw, double sin_yaw, double x, double y)
: cos_yaw_(cos_yaw), sin_yaw_(sin_yaw), x_(x), y_(y)
{
}

PlanarMotion PlanarMotion::fromMatrix(const Eigen::Matrix4f & transform)
{
  const double yaw = std::atan2(transform(1, 0), transform(0, 0));
  return PlanarMotion(std::cos(yaw), std::sin(yaw), transform(0, 3), transform(1, 3));
}

PlanarMotion PlanarMotion::fromPose(double x, double y, double yaw)
{
  return PlanarMotion(std::cos(yaw), std::sin(yaw), x, y);
}

PlanarMotion PlanarMotion::inverse() const
{
  // p = R^T (p' - t)
  return PlanarMotion(
    cos_yaw_, -sin_yaw_, -(cos_yaw_ * x_ + sin_yaw_ * y_), sin_yaw_ * x_ - cos_yaw_ * y_);
}

void PlanarMotion::move(double & x, double & y) const
{
  const double moved_x = cos_yaw_ * x - sin_yaw_ * y + x_;
  y = sin_yaw_ * x + cos_yaw_ * y + y_;
  x = moved_x;
}

void PlanarMotion::apply(quillon_protocol::msg::Object & object) const
{
  move(object.pose.position.x, object.pose.position.y);
  for (auto & vertex : object.polygon) {
    double x = vertex.x;
    double y = vertex.y;
    move(x, y);
    vertex.x = static_cast<float>(x);
    vertex.y = static_cast<float>(y);
  }
  const double vx = object.velocity_x;
  object.velocity_x = cos_yaw_ * vx - sin_yaw_ * object.velocity_y;
  object.velocity_y = sin_yaw_ * vx + cos_yaw_ * object.velocity_y;
}

void PlanarMotion::apply(std::vector<quillon_protocol::msg::Object> & objects) const
{
  for (auto & object : objects) {
    apply(object);
  }
}

void PlanarMotion::apply(ExpectedPerson & person) const
{
  double x = person.place.x();
  double y = person.place.y();
  move(x, y);
  person.place = Eigen::Vector2f(static_cast<float>(x), static_cast<float>(y));
  const double vx = person.velocity.x();
  const double vy = person.velocity.y();
  person.velocity = Eigen::Vector2f(
    static_cast<float>(cos_yaw_ * vx - sin_yaw_ * vy),
    static_cast<float>(sin_yaw_ * vx + cos_yaw_ * vy));
}

void PlanarMotion::apply(std::vector<ExpectedPerson> & people) const
{
  for (ExpectedPerson & person : people) {
    apply(person);
  }
}

void PlanarMotion::apply(ClusterList & clusters) const
{
  movePointsOf(clusters, [this](double & x, double & y) { move(x, y); });
}

void movePointsOf(
  ClusterList & clusters, const std::function<void(double &, double &)> & move_point)
{
  for (auto & cluster : clusters) {
    if (!cluster) {
      continue;
    }
    auto moved = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>(*cluster);
    for (auto & p : moved->points) {
      double x = p.x;
      double y = p.y;
      move_point(x, y);
      p.x = static_cast<float>(x);
      p.y = static_cast<float>(y);
    }
    cluster = moved;
  }
}

}  // namespace quillon_dynamic_detector
