#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "quillon_perception_libs/dynamic_laser_detector.hpp"

using orvane::perception::DynamicLaserDetector;
using sensor_msgs::msg::LaserScan;

namespace
{

constexpr double LEG_RADIUS = 0.06;

struct Scene
{
  double robot_x = 0.0;  // robot pose in the odometry frame (no rotation)
  double leg_x = 0.0;    // moving leg centre
  double leg_y = 1.5;
};

// Distance along a ray from (sx, sy) in direction (dx, dy) to the walls of a 8 m x 6 m room
// centred on the origin, or to the leg if it is nearer.
double castRay(const Scene & scene, double sx, double sy, double dx, double dy)
{
  double best = std::numeric_limits<double>::infinity();
  const double walls[4][2] = {{4.0, 0}, {-4.0, 0}, {3.0, 1}, {-3.0, 1}};
  for (const auto & wall : walls) {
    const double along = wall[1] == 0 ? dx : dy;
    const double from = wall[1] == 0 ? sx : sy;
    if (std::fabs(along) > 1e-12) {
      const double t = (wall[0] - from) / along;
      if (t > 0) {
        best = std::min(best, t);
      }
    }
  }
  const double cx = sx - scene.leg_x;
  const double cy = sy - scene.leg_y;
  const double b = cx * dx + cy * dy;
  const double disc = b * b - (cx * cx + cy * cy - LEG_RADIUS * LEG_RADIUS);
  if (disc >= 0 && -b - std::sqrt(disc) > 0) {
    best = std::min(best, -b - std::sqrt(disc));
  }
  return best;
}

// A 270-degree scanner mounted 0.3 m ahead of the robot centre, facing forward.
LaserScan::SharedPtr scanOf(const Scene & scene, double stamp)
{
  auto scan = std::make_shared<LaserScan>();
  scan->header.stamp.sec = static_cast<int32_t>(stamp);
  scan->header.stamp.nanosec =
    static_cast<uint32_t>(std::lround((stamp - std::floor(stamp)) * 1e9));
  scan->header.frame_id = "base_scan_01";
  scan->angle_min = static_cast<float>(-0.75 * M_PI);
  scan->angle_increment = static_cast<float>(1.5 * M_PI / 539.0);
  scan->angle_max = scan->angle_min + 539 * scan->angle_increment;
  scan->range_min = 0.05f;
  scan->range_max = 30.0f;
  const double sx = scene.robot_x + 0.3;
  for (int i = 0; i < 540; ++i) {
    const double a = scan->angle_min + i * static_cast<double>(scan->angle_increment);
    scan->ranges.push_back(static_cast<float>(castRay(scene, sx, 0.0, std::cos(a), std::sin(a))));
  }
  return scan;
}

// This process's own folder for the configuration files it writes (ctest runs the cases in
// parallel), removed when the tests end so that nothing is left behind.
class ScratchFolder : public ::testing::Environment
{
public:
  static std::filesystem::path path()
  {
    static const std::filesystem::path folder = [] {
      const auto created = std::filesystem::temp_directory_path() /
        ("dynamic_laser_detector_test_" + std::to_string(::getpid()));
      std::filesystem::create_directories(created);
      return created;
    }();
    return folder;
  }
  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(path(), ignored);
  }
};
[[maybe_unused]] auto * const scratch_cleanup =
  ::testing::AddGlobalTestEnvironment(new ScratchFolder);

std::string writeConfig(const std::string & name, const std::string & text)
{
  const std::string path = (ScratchFolder::path() / name).string();
  std::ofstream(path) << text;
  return path;
}

bool isLegBeam(const Scene & scene, const LaserScan & scan, std::size_t i)
{
  const double a = scan.angle_min + i * static_cast<double>(scan.angle_increment);
  const double hx = scene.robot_x + 0.3 + scan.ranges[i] * std::cos(a);
  const double hy = scan.ranges[i] * std::sin(a);
  return std::hypot(hx - scene.leg_x, hy - scene.leg_y) < LEG_RADIUS + 0.01;
}

}  // namespace

// The robot drives forward at 0.3 m/s while a leg crosses in front of it at 1 m/s: after the
// first few scans, the leg's returns are moving and every wall return is static.
TEST(DynamicLaserDetector, ReportsTheMovingLegAndKeepsTheWallsStatic)
{
  DynamicLaserDetector detector(
    writeConfig("cfg.yaml", "dynamic_laser_detector:\n  reference_age: 0.2\n"));
  detector.sensor_to_base = Eigen::Matrix4f::Identity();
  detector.sensor_to_base(0, 3) = 0.3f;

  Scene scene;
  int leg_beams_checked = 0;
  for (int k = 0; k < 15; ++k) {
    const double t = 100.0 + 0.1 * k;
    scene.robot_x = 0.03 * k;
    scene.leg_x = -1.0 + 0.1 * k;
    const auto scan = scanOf(scene, t);
    geometry_msgs::msg::Pose pose;
    pose.position.x = scene.robot_x;
    auto dynamic_scan = std::make_shared<LaserScan>();
    auto static_scan = std::make_shared<LaserScan>();
    detector.Process(scan, pose, dynamic_scan, static_scan);

    ASSERT_EQ(dynamic_scan->ranges.size(), scan->ranges.size());
    ASSERT_EQ(static_scan->ranges.size(), scan->ranges.size());
    EXPECT_EQ(dynamic_scan->angle_min, scan->angle_min);
    EXPECT_EQ(dynamic_scan->angle_increment, scan->angle_increment);
    for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
      // Every beam lands in exactly one class; the other carries no return.
      const bool dynamic = std::isfinite(dynamic_scan->ranges[i]);
      const bool stat = std::isfinite(static_scan->ranges[i]);
      ASSERT_NE(dynamic, stat) << "scan " << k << " beam " << i;
      const bool leg = isLegBeam(scene, *scan, i);
      if (!leg) {
        EXPECT_FALSE(dynamic) << "wall beam " << i << " of scan " << k << " reported moving";
      } else if (k >= 2) {
        EXPECT_TRUE(dynamic) << "leg beam " << i << " of scan " << k << " reported static";
        ++leg_beams_checked;
      }
    }
  }
  EXPECT_GT(leg_beams_checked, 30);
}

TEST(DynamicLaserDetector, ReadsItsSectionAndRejectsUnreadableFiles)
{
  const DynamicLaserDetector defaults(writeConfig("empty.yaml", ""));
  EXPECT_DOUBLE_EQ(defaults.settings().reference_age, 0.2);
  EXPECT_EQ(defaults.settings().min_support_beams, 2);

  const DynamicLaserDetector tuned(writeConfig(
    "tuned.yaml",
    "local_map_max_range: 6.0\ndynamic_laser_detector:\n  free_space_margin: 0.5\n"
    "  min_support_beams: 3\n"));
  EXPECT_FLOAT_EQ(tuned.settings().free_space_margin, 0.5f);
  EXPECT_EQ(tuned.settings().min_support_beams, 3);

  EXPECT_THROW(DynamicLaserDetector("/nonexistent/cfg.yaml"), std::runtime_error);
  EXPECT_THROW(
    DynamicLaserDetector(writeConfig("bad.yaml", "dynamic_laser_detector:\n  max_range: far\n")),
    std::runtime_error);
  try {
    DynamicLaserDetector("/nonexistent/cfg.yaml");
  } catch (const std::runtime_error & e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/cfg.yaml"), std::string::npos);
  }
}

// A replayed recording steps time back: scans of the new run are not compared with the old run.
TEST(DynamicLaserDetector, ForgetsItsHistoryWhenTimeStepsBack)
{
  DynamicLaserDetector detector(writeConfig("cfg2.yaml", ""));
  Scene scene;
  const geometry_msgs::msg::Pose pose;
  auto run = [&](double t) {
    auto d = std::make_shared<LaserScan>();
    auto s = std::make_shared<LaserScan>();
    detector.Process(scanOf(scene, t), pose, d, s);
    int moving = 0;
    for (float r : d->ranges) {
      moving += std::isfinite(r) ? 1 : 0;
    }
    return moving;
  };
  scene.leg_x = 5.0;  // leg outside the room: an empty room first
  run(10.0);
  run(10.3);
  scene.leg_x = 0.0;
  EXPECT_GT(run(10.6), 0);  // the leg appeared in free space
  EXPECT_EQ(run(2.0), 0);   // after the jump back there is no reference yet
}
