#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include <Eigen/Geometry>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "quillon_dynamic_detector/transform_lookup.hpp"
#include "rclcpp/rclcpp.hpp"
#include "ros2_compat/testing/log_capture.hpp"
#include "tf2_ros/buffer.h"

using quillon_dynamic_detector::getTransformMatrix;
using quillon_dynamic_detector::poseFromMatrix;

namespace
{

Eigen::Matrix4f rotation(float angle, const Eigen::Vector3f & axis)
{
  Eigen::Matrix4f m = Eigen::Matrix4f::Identity();
  m.block<3, 3>(0, 0) = Eigen::AngleAxisf(angle, axis.normalized()).toRotationMatrix();
  return m;
}

void expectQuaternion(const geometry_msgs::msg::Pose & pose, double x, double y, double z, double w)
{
  EXPECT_NEAR(pose.orientation.x, x, 1e-6);
  EXPECT_NEAR(pose.orientation.y, y, 1e-6);
  EXPECT_NEAR(pose.orientation.z, z, 1e-6);
  EXPECT_NEAR(pose.orientation.w, w, 1e-6);
}

geometry_msgs::msg::TransformStamped odomToBase(double stamp, double x)
{
  geometry_msgs::msg::TransformStamped t;
  t.header.stamp = rclcpp::Time(static_cast<int64_t>(stamp * 1e9), RCL_ROS_TIME);
  t.header.frame_id = "odom";
  t.child_frame_id = "base_footprint";
  t.transform.translation.x = x;
  return t;
}

}  // namespace

// Each branch of the trace method, including the tie between two equal diagonal elements.
TEST(PoseFromMatrix, EveryBranchGivesTheUnitQuaternion)
{
  Eigen::Matrix4f m = rotation(0.5f, Eigen::Vector3f::UnitZ());
  m(0, 3) = 1.5f;
  m(1, 3) = -2.0f;
  m(2, 3) = 0.25f;
  const auto yawed = poseFromMatrix(m);
  EXPECT_EQ(yawed.position.x, 1.5);
  EXPECT_EQ(yawed.position.y, -2.0);
  EXPECT_EQ(yawed.position.z, 0.25);
  expectQuaternion(yawed, 0, 0, std::sin(0.25), std::cos(0.25));  // trace > 0

  expectQuaternion(poseFromMatrix(rotation(M_PI, Eigen::Vector3f::UnitX())), 1, 0, 0, 0);  // i = 0
  expectQuaternion(poseFromMatrix(rotation(M_PI, Eigen::Vector3f::UnitY())), 0, 1, 0, 0);  // i = 1
  expectQuaternion(poseFromMatrix(rotation(M_PI, Eigen::Vector3f::UnitZ())), 0, 0, 1, 0);  // i = 2
  // Half turn about (1, 1, 0): the diagonal is (0, 0, -1), a tie that goes to the lower index.
  const auto tie = poseFromMatrix(rotation(M_PI, Eigen::Vector3f(1, 1, 0)));
  expectQuaternion(tie, std::sqrt(0.5), std::sqrt(0.5), 0, 0);
  // Near a half turn about z the trace is negative and z is largest.
  const auto near_half = poseFromMatrix(rotation(3.0f, Eigen::Vector3f::UnitZ()));
  expectQuaternion(near_half, 0, 0, std::sin(1.5), std::cos(1.5));
}

class TransformLookupTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    rclcpp::init(0, nullptr);
    buffer_ = std::make_shared<tf2_ros::Buffer>(std::make_shared<rclcpp::Clock>(RCL_ROS_TIME));
    // In trailscan the transform listener's thread fills the buffer.
    buffer_->setUsingDedicatedThread(true);
    buffer_->setTransform(odomToBase(100.0, 1.0), "test");
    buffer_->setTransform(odomToBase(100.5, 2.0), "test");
  }
  void TearDown() override { rclcpp::shutdown(); }

  std::shared_ptr<tf2_ros::Buffer> buffer_;
};

TEST_F(TransformLookupTest, AStampBeforeTheHistoryIsServedFromTheLatestTransform)
{
  ros2_compat::testing::LogCapture log;
  Eigen::Matrix4f m = Eigen::Matrix4f::Zero();
  ASSERT_TRUE(
    getTransformMatrix(buffer_, "odom", "base_footprint", rclcpp::Time(50, 0, RCL_ROS_TIME), m));
  EXPECT_EQ(m(0, 3), 2.0f);
  EXPECT_EQ(m(3, 3), 1.0f);
  EXPECT_EQ(
    log.count(
      "Transform base_footprint to odom at stamp 50.000 unavailable due to past extrapolation, "
      "fallback to latest TF stamp 100.500"),
    1u);

  // Inside the history the stamp is interpolated.
  ASSERT_TRUE(getTransformMatrix(
    buffer_, "odom", "base_footprint", rclcpp::Time(100, 250000000, RCL_ROS_TIME), m));
  EXPECT_FLOAT_EQ(m(0, 3), 1.5f);
}

TEST_F(TransformLookupTest, AFutureStampWaitsForDataAndOtherwiseFails)
{
  ros2_compat::testing::LogCapture log;
  std::thread late_data([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    buffer_->setTransform(odomToBase(101.0, 3.0), "test");
  });
  Eigen::Matrix4f m = Eigen::Matrix4f::Zero();
  const bool resolved = getTransformMatrix(
    buffer_, "odom", "base_footprint", rclcpp::Time(100, 750000000, RCL_ROS_TIME), m);
  late_data.join();
  ASSERT_TRUE(resolved);
  EXPECT_FLOAT_EQ(m(0, 3), 2.5f);
  EXPECT_EQ(log.count("[ERROR]"), 0u);

  const Eigen::Matrix4f before = m;
  EXPECT_FALSE(
    getTransformMatrix(buffer_, "odom", "base_footprint", rclcpp::Time(200, 0, RCL_ROS_TIME), m));
  EXPECT_EQ(m, before);  // left unchanged
  EXPECT_EQ(
    log.count(
      "Transform base_footprint to odom error of sensor data: Lookup would require extrapolation "
      "into the future.  Requested time 200.000000 but the latest data is at time 101.000000, "
      "when looking up transform from frame [base_footprint] to frame [odom], quitting callback"),
    1u);

  EXPECT_FALSE(getTransformMatrix(buffer_, "base_footprint", "base_scan_01", m));
  EXPECT_EQ(
    log.count(
      "Transform base_scan_01 to base_footprint error of sensor data: \"base_scan_01\" passed to "
      "lookupTransform argument source_frame does not exist. , quitting callback"),
    1u);
}
