#include "pcl_ros/transforms.hpp"

#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"

namespace pcl_ros
{

void transformAsMatrix(const tf2::Transform & bt, Eigen::Matrix4f & out_mat)
{
  // getOpenGLSubMatrix writes the rotation column by column (stride 4).
  double basis[12];
  bt.getBasis().getOpenGLSubMatrix(basis);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      out_mat(row, col) = static_cast<float>(basis[col * 4 + row]);
    }
  }
  const tf2::Vector3 origin = bt.getOrigin();
  out_mat(0, 3) = static_cast<float>(origin.x());
  out_mat(1, 3) = static_cast<float>(origin.y());
  out_mat(2, 3) = static_cast<float>(origin.z());
  out_mat(3, 0) = out_mat(3, 1) = out_mat(3, 2) = 0.0f;
  out_mat(3, 3) = 1.0f;
}

void transformAsMatrix(const geometry_msgs::msg::TransformStamped & bt, Eigen::Matrix4f & out_mat)
{
  tf2::Transform transform;
  tf2::fromMsg(bt.transform, transform);
  transformAsMatrix(transform, out_mat);
}

}  // namespace pcl_ros
