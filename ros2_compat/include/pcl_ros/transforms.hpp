// The part of pcl_ros's transforms.hpp that the system uses: a transform as a 4x4 matrix.
#ifndef PCL_ROS__TRANSFORMS_HPP_
#define PCL_ROS__TRANSFORMS_HPP_

#include <Eigen/Core>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/LinearMath/Transform.h"

namespace pcl_ros
{

// Rotation from the (implicitly normalised) quaternion, translation in the last column; computed
// in double and stored as float. The stamp and frames of a stamped transform are ignored.
void transformAsMatrix(const tf2::Transform & bt, Eigen::Matrix4f & out_mat);
void transformAsMatrix(const geometry_msgs::msg::TransformStamped & bt, Eigen::Matrix4f & out_mat);

}  // namespace pcl_ros

#endif  // PCL_ROS__TRANSFORMS_HPP_
