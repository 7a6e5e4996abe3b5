#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_perception_libs/dynamic_laser_detector.hpp"
#include "support/scan_world.hpp"

using orvane::perception::DynamicLaserDetector;
using orvane::perception::PlanarPose;
using scan_world::Circle;
using scan_world::RobotPath;
using scan_world::Scanner;
using scan_world::World;
using scan_world::WorldAt;
using sensor_msgs::msg::LaserScan;

namespace
{

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

std::string defaultConfig() { return writeConfig("empty.yaml", ""); }
// Spots that stay occupied settle (as the profiles set it).
std::string settlingConfig()
{
  return writeConfig("settling.yaml", "dynamic_laser_detector:\n  settle_time: 0.7\n");
}

RobotPath standingAt(double x, double y, double yaw)
{
  return [=](double) { return PlanarPose{x, y, yaw}; };
}

// What became of each beam of one scan, by what it hit.
struct Tally
{
  int moving = 0;
  int total = 0;
  void add(bool is_moving)
  {
    ++total;
    moving += is_moving ? 1 : 0;
  }
  double share() const { return total == 0 ? 0.0 : static_cast<double>(moving) / total; }
};

// Feeds scans of a world to a detector and sorts the beams of every scan from `score_from` on
// by what they hit: the circles that `is_target` accepts, other circles, and the walls.
struct DetectorRun
{
  Scanner scanner;
  WorldAt world_at;
  RobotPath truth;
  RobotPath odometry;  // the pose the detector is given; the truth unless drift is simulated
  double score_from = 0.0;
  std::function<bool(const Circle &)> is_target = [](const Circle &) { return true; };
  // What the scanner's driver makes of the readings (a lost echo, say); none: as measured.
  std::function<void(LaserScan &, std::mt19937 &)> driver;

  Tally targets;
  Tally others;
  Tally walls;

  void run(DynamicLaserDetector & detector, double from, double to, unsigned seed = 7)
  {
    std::mt19937 noise(seed);
    detector.sensor_to_base(0, 3) = static_cast<float>(scanner.mount_x);
    if (!odometry) {
      odometry = truth;
    }
    for (double t = from; t < to; t += 1.0 / scanner.rate_hz) {
      const auto scan = scan_world::scanAt(scanner, world_at, truth, t, &noise);
      if (driver) {
        driver(*scan, noise);
      }
      auto dynamic_scan = std::make_shared<LaserScan>();
      auto static_scan = std::make_shared<LaserScan>();
      detector.Process(scan, scan_world::poseMessage(odometry(t)), dynamic_scan, static_scan);
      if (t >= score_from) {
        sort(*scan, *dynamic_scan, t);
      }
    }
  }

  void sort(const LaserScan & scan, const LaserScan & dynamic_scan, double stamp)
  {
    for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
      if (!std::isfinite(scan.ranges[i])) {
        continue;
      }
      const bool moving = std::isfinite(dynamic_scan.ranges[i]);
      const auto hit = scan_world::hitPoint(scanner, truth, scan, i, stamp);
      const World world = world_at(stamp + i * scanner.beamTimeStep());
      const Circle * met = nullptr;
      for (const Circle & c : world.circles) {
        if (scan_world::nearCircle(hit, c)) {
          met = &c;
        }
      }
      if (met == nullptr) {
        walls.add(moving);
      } else {
        (is_target(*met) ? targets : others).add(moving);
      }
    }
  }
};

// A person walking along y = 1.5 at 1.2 m/s with a two-leg gait: each foot stands for half a
// second while the other swings 1.2 m forward. Stance feet carry radius 0.061, swinging ones 0.06,
// so the tests can tell them apart.
struct Walker
{
  double start_x = -3.0;
  double start_time = 1.0;
  double stop_time = std::numeric_limits<double>::infinity();
  double speed = 1.2;
  double y = 1.5;

  double bodyX(double t) const
  {
    const double walked = std::max(0.0, std::min(t, stop_time) - start_time);
    return start_x + speed * walked;
  }
  // Leg 0 stands during even half seconds of its walk, leg 1 during odd ones.
  Circle leg(int which, double t) const
  {
    const double half = 0.5;
    const double since = std::min(t, stop_time) - start_time;
    const double phase = since / half - which;
    const double k = std::floor(phase / 2.0);
    const double in_stride = phase - 2.0 * k;  // [0, 1): standing, [1, 2): swinging
    const double lateral = which == 0 ? 0.1 : -0.1;
    const double planted_at = bodyX(start_time + (2.0 * k + which + 0.5) * half);
    const bool stopped = t >= stop_time;
    if (since < 0.0) {
      return {start_x, y + lateral, 0.061};
    }
    if (in_stride < 1.0 || stopped) {
      return {planted_at, y + lateral, 0.061};
    }
    const double next = bodyX(start_time + (2.0 * k + 2.0 + which + 0.5) * half);
    return {planted_at + (in_stride - 1.0) * (next - planted_at), y + lateral, 0.06};
  }
};

World roomWith(std::vector<Circle> circles)
{
  World world;
  world.circles = std::move(circles);
  return world;
}

const std::vector<Circle> TABLE_LEGS = {
  {2.0, -1.0, 0.03}, {2.6, -1.0, 0.03}, {2.0, -1.6, 0.03}, {2.6, -1.6, 0.03}, {-2.0, 2.0, 0.2}};

}  // namespace

// Both feet of a walker land where the scanner saw free space a moment before, so the planted
// foot is moving as well as the swinging one; walls and table legs never are.
TEST(DynamicLaserDetector, BothLegsOfAWalkerMoveThePlantedFootIncluded)
{
  for (const auto & [config, rate] : std::vector<std::pair<std::string, double>>{
         {defaultConfig(), 40.0},
         {defaultConfig(), 7.5},
         {settlingConfig(), 40.0},
         {settlingConfig(), 7.5}}) {
    SCOPED_TRACE(config);
    DynamicLaserDetector detector(config);
    const Walker walker;
    DetectorRun stance;
    stance.scanner.rate_hz = rate;
    stance.world_at = [&](double t) {
      auto circles = TABLE_LEGS;
      circles.push_back(walker.leg(0, t));
      circles.push_back(walker.leg(1, t));
      return roomWith(circles);
    };
    stance.truth = standingAt(-0.3, -1.0, 0.3);
    stance.score_from = 1.6;
    stance.is_target = [](const Circle & c) { return c.radius > 0.05 && c.radius < 0.07; };
    stance.run(detector, 0.0, 5.5);

    EXPECT_GT(stance.targets.total, 200) << rate << " Hz";
    EXPECT_GT(stance.targets.share(), 0.9) << rate << " Hz: legs moving";
    EXPECT_EQ(stance.walls.moving, 0) << rate << " Hz";
    EXPECT_EQ(stance.others.moving, 0) << rate << " Hz: table legs";
  }
}

// The planted foot on its own: only its beams are scored.
TEST(DynamicLaserDetector, APlantedFootIsMoving)
{
  for (const std::string & config : {defaultConfig(), settlingConfig()}) {
    DynamicLaserDetector detector(config);
    const Walker walker;
    DetectorRun run;
    run.world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
    run.truth = standingAt(-0.3, -1.0, 0.3);
    run.score_from = 1.6;
    run.is_target = [](const Circle & c) { return c.radius > 0.0605; };
    run.run(detector, 0.0, 5.5);
    EXPECT_GT(run.targets.total, 300) << config;
    EXPECT_GT(run.targets.share(), 0.9) << config;
  }
}

// Someone stands in front of the wall for longer than the memory, then walks off: the wall they
// uncover was never seen free, only unknown, and stays static; so does the wall they shadow.
TEST(DynamicLaserDetector, AWallThatAPasserByUncoversOrShadowsStaysStatic)
{
  DynamicLaserDetector detector(defaultConfig());
  DetectorRun run;
  run.world_at = [](double t) {
    const double x = t < 3.0 ? 1.0 : 1.0 + 1.5 * (t - 3.0);
    return roomWith({{x, 2.5, 0.2}});
  };
  run.truth = standingAt(0.0, -1.0, M_PI / 2);
  run.run(detector, 0.0, 6.0);
  EXPECT_EQ(run.walls.moving, 0);
  EXPECT_GT(run.walls.total, 10000);
}

// A robot driving 1.5 m/s on a curve and then turning on the spot at 1.5 rad/s, with range noise
// and drifting odometry, at a fast fine scanner and at a slow coarse one whose mirror takes
// 0.1 s per sweep: each beam is placed where the scanner was, so nothing static moves.
TEST(DynamicLaserDetector, ADrivingAndTurningRobotSeesItsSurroundingsStandStill)
{
  struct Model
  {
    int beams;
    double rate_hz;
  };
  for (const Model model : {Model{1081, 40.0}, Model{768, 7.5}, Model{541, 10.0}}) {
    DynamicLaserDetector detector(defaultConfig());
    DetectorRun run;
    run.scanner.beams = model.beams;
    run.scanner.rate_hz = model.rate_hz;
    run.scanner.noise_sigma = 0.03;
    run.world_at = [](double) {
      World world = roomWith(TABLE_LEGS);
      world.half_length = 8.0;
      world.half_width = 6.0;
      return world;
    };
    // 3 s on a circle of 3 m at 1.5 m/s, then stopping and turning on the spot, its turn rate
    // rising by 2 rad/s^2 to 1.5 rad/s.
    run.truth = [](double t) {
      const double arc = std::min(t, 3.0);
      const double turn = std::max(0.0, t - 3.0);
      const double ramp = 0.5;
      const double turned = turn < ramp ? 0.5 * turn + 1.0 * turn * turn
                                        : 0.5 * ramp + 1.0 * ramp * ramp + 1.5 * (turn - ramp);
      const double heading = 0.5 * arc;
      return PlanarPose{
        3.0 * std::sin(heading) - 3.0, 3.0 - 3.0 * std::cos(heading) - 2.0, heading + turned};
    };
    // Odometry that overestimates the distance driven by 2 % and the turning by 1 %.
    run.odometry = [&run](double t) {
      const PlanarPose p = run.truth(t);
      const PlanarPose start = run.truth(0.0);
      return PlanarPose{
        start.x + 1.02 * (p.x - start.x), start.y + 1.02 * (p.y - start.y),
        start.yaw + 1.01 * (p.yaw - start.yaw)};
    };
    run.run(detector, 0.0, 5.0);
    EXPECT_GT(run.walls.total, 5000) << model.beams;
    EXPECT_EQ(run.walls.moving, 0) << model.beams << " beams at " << model.rate_hz << " Hz";
    // A table leg passed at 0.3 m may show a beam or two whose noise puts it in front of the leg;
    // clustering never makes a detection of so few.
    EXPECT_LE(run.others.moving, 4) << model.beams << " beams at " << model.rate_hz << " Hz";
  }
}

// A post on the robot itself rides along: it keeps its range on its beam and stays static,
// although the robot drives into space that its scans saw free.
TEST(DynamicLaserDetector, TheRobotsOwnBodyStaysStatic)
{
  DynamicLaserDetector detector(defaultConfig());
  DetectorRun run;
  run.truth = [](double t) { return PlanarPose{-3.0 + 1.0 * t, 0.0, 0.0}; };
  run.world_at = [&run](double t) {
    const PlanarPose robot = run.truth(t);
    return roomWith({{robot.x, robot.y + 0.4, 0.03}});  // beside the robot, behind the scanner
  };
  run.run(detector, 0.0, 5.0);
  EXPECT_GT(run.targets.total, 300);
  EXPECT_EQ(run.targets.moving, 0);
  EXPECT_EQ(run.walls.moving, 0);
}

// Someone who stops stays moving while the free space they stepped into is remembered
// (free_space_memory), and becomes static once it has aged out; their legs moved beside the spots
// they stand on a moment before, so those spots do not settle.
TEST(DynamicLaserDetector, APersonWhoStopsStaysMovingForTheMemoryThenTurnsStatic)
{
  Walker walker;
  walker.stop_time = 3.0;
  auto world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
  for (const std::string & config : {defaultConfig(), settlingConfig()}) {
    auto legs_moving_share = [&](double from, double to) {
      DynamicLaserDetector detector(config);
      DetectorRun run;
      run.world_at = world_at;
      run.truth = standingAt(-0.3, -1.0, 0.3);
      run.score_from = from;
      run.run(detector, 0.0, to);
      return run.targets.share();
    };
    EXPECT_GT(legs_moving_share(3.2, 4.5), 0.9) << config;
    EXPECT_EQ(legs_moving_share(5.5, 6.5), 0.0) << config;
  }
}

// A post that the scans could not see at first (glass at a slant, a dark surface) comes into view
// where they saw through, with nothing moving beside it: it moves at first, and settles once it
// has stayed for settle_time. Without settling it moves while the memory lasts.
TEST(DynamicLaserDetector, SomethingThatComesIntoViewAndStaysSettles)
{
  const Circle post{1.5, 0.5, 0.05};
  auto post_moving_share = [&](const std::string & config, double from, double to) {
    DynamicLaserDetector detector(config);
    DetectorRun run;
    run.world_at = [&](double t) { return t >= 2.0 ? roomWith({post}) : roomWith({}); };
    run.truth = standingAt(-0.3, -1.0, 0.3);
    run.score_from = from;
    run.run(detector, 0.0, to);
    EXPECT_GT(run.targets.total, 20);
    return run.targets.share();
  };
  EXPECT_GT(post_moving_share(settlingConfig(), 2.0, 2.5), 0.9);
  EXPECT_EQ(post_moving_share(settlingConfig(), 3.0, 3.8), 0.0);
  EXPECT_GT(post_moving_share(defaultConfig(), 3.0, 3.8), 0.9);
}

// A glass pane shows only at some angles: a driving robot sees it, sees through it for a second,
// then sees it again. Remembered as structure, it stays static; without the memory it moves. A
// scanner that stands still and sees a spot through from where it saw it static knows that
// something there has gone: the next one to step there moves, memory or not.
TEST(DynamicLaserDetector, StructureSeenAgainFromElsewhereStaysStaticButALeftSpotMoves)
{
  const std::string remembering =
    writeConfig("structure.yaml", "dynamic_laser_detector:\n  structure_memory: 30.0\n");
  const Circle pane{1.5, 1.5, 0.1};
  auto pane_moving_share = [&](const std::string & config, const RobotPath & path) {
    DynamicLaserDetector detector(config);
    DetectorRun run;
    run.world_at = [&](double t) { return t >= 1.2 && t < 2.2 ? roomWith({}) : roomWith({pane}); };
    run.truth = path;
    run.score_from = 2.2;
    run.run(detector, 0.0, 2.6);
    EXPECT_GT(run.targets.total, 20);
    return run.targets.share();
  };
  const RobotPath driving = [](double t) { return PlanarPose{-1.5 + 0.5 * t, -0.5, 0.0}; };
  EXPECT_EQ(pane_moving_share(remembering, driving), 0.0);
  EXPECT_GT(pane_moving_share(defaultConfig(), driving), 0.9);
  EXPECT_GT(pane_moving_share(remembering, standingAt(-1.0, -0.5, 0.0)), 0.9);
}

// The remembered scans vote on a spot: it moves when more of them saw through it than saw it
// occupied before the newest one that saw through it. Here every scan of the last 0.95 s is
// remembered (scans 11 to 19 when scan 20 is scored) and a post is missing from some of them.
TEST(DynamicLaserDetector, TheRememberedScansVoteOnASpot)
{
  const std::string config = writeConfig(
    "every_scan.yaml",
    "dynamic_laser_detector:\n  free_space_memory: 0.95\n  memory_spacing: 0.05\n");
  const Circle post{1.5, 0.5, 0.05};
  auto post_moving_share = [&](const std::vector<int> & scans_without_post) {
    DynamicLaserDetector detector(config);
    DetectorRun run;
    run.scanner.rate_hz = 10.0;
    run.world_at = [&](double t) {
      const auto missing = std::count(
        scans_without_post.begin(), scans_without_post.end(),
        static_cast<int>(std::lround(t * 10)));
      return missing > 0 ? roomWith({}) : roomWith({post});
    };
    run.truth = standingAt(-0.3, -1.0, 0.3);
    run.score_from = 1.95;
    run.run(detector, 0.0, 2.05);
    EXPECT_GT(run.targets.total, 5);
    return run.targets.share();
  };
  EXPECT_EQ(post_moving_share({14, 15, 16}), 0.0);         // three free after three occupied
  EXPECT_GT(post_moving_share({13, 14, 15, 16}), 0.9);     // four free after two occupied
  EXPECT_GT(post_moving_share({11}), 0.9);                 // only the oldest saw through: arrived
  EXPECT_EQ(post_moving_share({19}), 0.0);                 // only the newest: a lost echo
  EXPECT_EQ(post_moving_share({5, 6, 7, 8, 9, 10}), 0.0);  // forgotten
}

// +inf means the beam met nothing up to its range limit: it clears the ray. 0.0 and NaN say
// nothing, and returns outside [range_min, range_max] are never moving.
TEST(DynamicLaserDetector, OnlyReturnsWithinTheScannersLimitsMoveAndInfinityClearsTheRay)
{
  Scanner scanner;
  scanner.range_max = 3.0f;  // the walls lie beyond: every beam reads +inf
  scanner.range_min = 0.5f;
  const Circle leg{2.0, 0.0, 0.06};
  auto world_at = [&](double t) { return t < 1.0 ? roomWith({}) : roomWith({leg}); };
  const RobotPath still = standingAt(0.0, 0.0, 0.0);

  auto leg_beams_moving = [&](const std::function<float(float)> & reading) {
    DynamicLaserDetector detector(defaultConfig());
    detector.sensor_to_base(0, 3) = static_cast<float>(scanner.mount_x);
    int moving = 0;
    for (double t = 0.0; t < 1.5; t += 1.0 / scanner.rate_hz) {
      auto scan = scan_world::scanAt(scanner, world_at, still, t);
      for (float & r : scan->ranges) {
        r = std::isfinite(r) ? reading(r) : r;
      }
      auto dynamic_scan = std::make_shared<LaserScan>();
      auto static_scan = std::make_shared<LaserScan>();
      detector.Process(scan, scan_world::poseMessage(still(t)), dynamic_scan, static_scan);
      for (std::size_t i = 0; i < scan->ranges.size(); ++i) {
        const bool moving_here = std::isfinite(dynamic_scan->ranges[i]);
        const bool static_here =
          std::isfinite(static_scan->ranges[i]) || std::isnan(static_scan->ranges[i]);
        EXPECT_TRUE(moving_here != static_here || !std::isfinite(scan->ranges[i]));
        moving += moving_here ? 1 : 0;
      }
    }
    return moving;
  };
  EXPECT_GT(leg_beams_moving([](float r) { return r; }), 50);
  EXPECT_EQ(leg_beams_moving([](float) { return 0.0f; }), 0);
  EXPECT_EQ(leg_beams_moving([](float) { return std::numeric_limits<float>::quiet_NaN(); }), 0);
  EXPECT_EQ(leg_beams_moving([](float) { return 0.3f; }), 0);        // below range_min
  EXPECT_EQ(leg_beams_moving([](float r) { return r + 1.5f; }), 0);  // beyond range_max
  EXPECT_EQ(leg_beams_moving([](float) { return -1.0f; }), 0);
  // Some drivers write range_max for a lost echo: it clears nothing and never moves.
  EXPECT_EQ(leg_beams_moving([&scanner](float) { return scanner.range_max; }), 0);
}

TEST(DynamicLaserDetector, ReadsItsSectionAndRefusesValuesThatCannotWork)
{
  const DynamicLaserDetector defaults(
    writeConfig("only_geometric.yaml", "local_map_max_range: 6.0\n"));
  EXPECT_DOUBLE_EQ(defaults.settings().free_space_memory, 2.0);
  const DynamicLaserDetector tuned(writeConfig(
    "tuned.yaml", "dynamic_laser_detector:\n  free_space_margin: 0.5\n  min_support_beams: 3\n"));
  EXPECT_DOUBLE_EQ(tuned.settings().free_space_margin, 0.5);
  EXPECT_EQ(tuned.settings().min_support_beams, 3);
  EXPECT_DOUBLE_EQ(tuned.settings().settle_time, 0.0);
  EXPECT_DOUBLE_EQ(tuned.settings().structure_memory, 0.0);
  EXPECT_DOUBLE_EQ(tuned.settings().unseen_join_range_gap, 0.0);
  EXPECT_DOUBLE_EQ(DynamicLaserDetector(settlingConfig()).settings().settle_time, 0.7);

  auto refusal = [](const std::string & key, const std::string & value) -> std::string {
    try {
      DynamicLaserDetector(
        writeConfig(key + ".yaml", "dynamic_laser_detector:\n  " + key + ": " + value + "\n"));
    } catch (const std::runtime_error & e) {
      return e.what();
    }
    return "";
  };
  for (const auto & [key, value] : std::vector<std::pair<std::string, std::string>>{
         {"free_space_memory", ".nan"},
         {"free_space_memory", "0"},
         {"memory_spacing", "-0.1"},
         {"free_space_margin", ".inf"},
         {"max_range", "-3"},
         {"min_support_beams", "-5"},
         {"min_support_beams", "0"},
         {"min_support_beams", "2.5"},
         {"lateral_margin", "far"},
         {"body_min_travel", "[1, 2]"},
         {"settle_time", "-0.5"},
         {"structure_memory", "-1"},
         {"unseen_join_range_gap", "-0.1"},
         {"at_rest_margin_share", "-1"}}) {
    const std::string message = refusal(key, value);
    EXPECT_NE(message.find("dynamic_laser_detector." + key), std::string::npos)
      << key << ": " << value;
    const std::string shown = value == "[1, 2]" ? "a list"
                              : value == ".nan" ? "nan"
                              : value == ".inf" ? "inf"
                                                : value;
    EXPECT_NE(message.find(shown), std::string::npos) << message;
  }
  try {
    DynamicLaserDetector("/nonexistent/cfg.yaml");
    ADD_FAILURE() << "an unreadable file was accepted";
  } catch (const std::runtime_error & e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/cfg.yaml"), std::string::npos);
  }
  EXPECT_THROW(
    DynamicLaserDetector(writeConfig("list.yaml", "dynamic_laser_detector: [1]\n")),
    std::runtime_error);
}

// A replayed recording steps time back: scans of the new run are not compared with the old run.
TEST(DynamicLaserDetector, ForgetsWhatItSawWhenTimeStepsBack)
{
  DynamicLaserDetector detector(defaultConfig());
  bool leg_there = false;
  const Circle leg{1.0, 1.5, 0.06};
  Scanner scanner;
  auto world_at = [&](double) { return leg_there ? roomWith({leg}) : roomWith({}); };
  const RobotPath still = standingAt(0.0, 0.0, 0.0);
  auto moving_beams = [&](double t) {
    auto d = std::make_shared<LaserScan>();
    auto s = std::make_shared<LaserScan>();
    detector.Process(
      scan_world::scanAt(scanner, world_at, still, t), scan_world::poseMessage(still(t)), d, s);
    int moving = 0;
    for (float r : d->ranges) {
      moving += std::isfinite(r) ? 1 : 0;
    }
    return moving;
  };
  moving_beams(10.0);
  moving_beams(10.3);
  leg_there = true;
  EXPECT_GT(moving_beams(10.6), 0);  // the leg appeared in free space
  EXPECT_EQ(moving_beams(2.0), 0);   // after the jump back nothing earlier is known
}

// Odometry that sends NaN or a pose beyond any map would poison what the detector adds up about
// the robot's travel: such a scan is passed on as static, and a leg that appears afterwards in
// space seen free before is still found moving.
TEST(DynamicLaserDetector, AScanWithAnUnusablePoseIsStaticAndLeavesTheMemoryIntact)
{
  DynamicLaserDetector detector(defaultConfig());
  bool leg_there = false;
  const Circle leg{1.0, 1.5, 0.06};
  Scanner scanner;
  auto world_at = [&](double) { return leg_there ? roomWith({leg}) : roomWith({}); };
  const RobotPath still = standingAt(0.0, 0.0, 0.0);
  auto moving_beams = [&](double t, const geometry_msgs::msg::Pose & pose) {
    auto d = std::make_shared<LaserScan>();
    auto s = std::make_shared<LaserScan>();
    detector.Process(scan_world::scanAt(scanner, world_at, still, t), pose, d, s);
    int moving = 0;
    for (float r : d->ranges) {
      moving += std::isfinite(r) ? 1 : 0;
    }
    return moving;
  };
  moving_beams(10.0, scan_world::poseMessage(still(10.0)));
  moving_beams(10.3, scan_world::poseMessage(still(10.3)));
  leg_there = true;
  auto nan_pose = scan_world::poseMessage(still(10.4));
  nan_pose.position.x = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(moving_beams(10.4, nan_pose), 0);
  auto far_pose = scan_world::poseMessage(still(10.5));
  far_pose.position.y = 1e300;
  EXPECT_EQ(moving_beams(10.5, far_pose), 0);
  EXPECT_GT(moving_beams(10.6, scan_world::poseMessage(still(10.6))), 0);
}

// Real walls now and then send no echo back: a driver writes +inf on a few beams of a scan. Such
// a beam says nothing was met, but the wall was seen there before and after, so it stays static;
// the walker in front of it still moves.
TEST(DynamicLaserDetector, AWallThatNowAndThenBringsNoEchoBackStaysStatic)
{
  DynamicLaserDetector detector(defaultConfig());
  const Walker walker;
  DetectorRun run;
  run.world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
  run.truth = standingAt(-0.3, -1.0, 0.3);
  run.score_from = 1.6;
  run.is_target = [](const Circle & c) { return c.radius > 0.05; };
  // Runs of three beams, so that a lost echo spans the spot's neighbours too.
  run.driver = [](LaserScan & scan, std::mt19937 & noise) {
    std::uniform_real_distribution<float> draw(0.0f, 1.0f);
    for (std::size_t i = 0; i + 3 <= scan.ranges.size(); i += 3) {
      if (draw(noise) < 0.05f) {
        std::fill(
          scan.ranges.begin() + static_cast<long>(i),
          scan.ranges.begin() + static_cast<long>(i + 3), INFINITY);
      }
    }
  };
  run.run(detector, 0.0, 5.5);
  EXPECT_GT(run.walls.total, 50000);
  EXPECT_EQ(run.walls.moving, 0);
  EXPECT_GT(run.targets.share(), 0.85);
}

// Someone walking straight away from the scanner steps into space their own legs hid a moment
// before: the spot right behind where a leg was is taken for a leg that moved on. Without that,
// about a fifth of the leg returns move; with it, a third or more (each leg is often hidden).
TEST(DynamicLaserDetector, SomeoneWalkingStraightAwayFromTheScannerMoves)
{
  for (const double rate : {40.0, 7.5}) {
    DynamicLaserDetector detector(defaultConfig());
    const Walker walker;
    DetectorRun run;
    run.scanner.rate_hz = rate;
    run.world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
    run.truth = standingAt(-3.9, 1.5, 0.0);  // looking along the walker's path
    run.score_from = 1.6;
    run.is_target = [](const Circle & c) { return c.radius > 0.05; };
    run.run(detector, 0.0, 5.5);
    EXPECT_GT(run.targets.total, 100) << rate << " Hz";
    EXPECT_GT(run.targets.share(), 0.3) << rate << " Hz";
    EXPECT_EQ(run.walls.moving, 0) << rate << " Hz";
  }
}

// In front of a scanner at rest, what lies beyond the walker sends nothing back that the driver
// reports as a distance (error codes: no information), so no earlier beam ever reached past the
// walker's spots: only the walker's own earlier returns say where they were. A leg that moved a
// step along its beam is then found only if that step exceeds the margins, which at rest need
// only cover range noise.
TEST(DynamicLaserDetector, AtRestSmallerMarginsFindSomeoneWalkingAlongTheBeamWithNothingBehind)
{
  const auto legs_moving_share = [](const std::string & config) {
    DynamicLaserDetector detector(config);
    Walker walker;
    walker.speed = 0.8;
    DetectorRun run;
    run.scanner.rate_hz = 7.5;
    run.world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
    run.truth = standingAt(-3.9, 1.5, 0.0);  // looking along the walker's path
    run.driver = [](LaserScan & scan, std::mt19937 &) {
      for (float & r : scan.ranges) {
        r = r > 4.5f ? 0.01f : r;  // the far wall gives error codes
      }
    };
    run.score_from = 1.6;
    run.run(detector, 0.0, 5.5);
    EXPECT_EQ(run.walls.moving, 0) << config;
    return run.targets.share();
  };
  const double full_margins = legs_moving_share(defaultConfig());
  const double at_rest = legs_moving_share(
    writeConfig("at_rest.yaml", "dynamic_laser_detector:\n  at_rest_margin_share: 0.5\n"));
  EXPECT_GT(at_rest, full_margins + 0.1) << full_margins << " -> " << at_rest;
}

// Someone walks towards a scanner at rest in front of a far wall that sends no echo back (error
// codes). Where a leg's step covers beams that last met the walker farther away, those returns
// move; its other beams met only error codes before, so nothing says where their spots were free
// or not. With unseen_join_range_gap such returns join the moving ones beside them at nearly the
// same range: more of each leg moves, and the wall still never does. A robot that drives brings
// unseen spots into view everywhere, so there the key changes nothing.
TEST(DynamicLaserDetector, AtRestTheUnseenRestOfAMovingLegMovesToo)
{
  const std::string joining =
    writeConfig("unseen_join.yaml", "dynamic_laser_detector:\n  unseen_join_range_gap: 0.1\n");
  const auto legs_moving = [](const std::string & config, const RobotPath & robot) {
    DynamicLaserDetector detector(config);
    Walker walker;
    walker.start_x = 0.6;
    walker.speed = -0.8;  // towards the scanner
    DetectorRun run;
    run.scanner.rate_hz = 7.5;
    run.world_at = [&](double t) { return roomWith({walker.leg(0, t), walker.leg(1, t)}); };
    run.truth = robot;
    run.driver = [](LaserScan & scan, std::mt19937 &) {
      for (float & r : scan.ranges) {
        r = r > 4.5f ? 0.01f : r;
      }
    };
    run.score_from = 1.6;
    run.run(detector, 0.0, 5.5);
    EXPECT_GT(run.targets.total, 200) << config;
    EXPECT_EQ(run.walls.moving, 0) << config;
    return run.targets;
  };
  const RobotPath at_rest = standingAt(-3.9, 1.5, 0.0);
  const Tally without = legs_moving(defaultConfig(), at_rest);
  const Tally with = legs_moving(joining, at_rest);
  EXPECT_GT(with.share(), without.share() + 0.2) << without.share() << " -> " << with.share();

  const RobotPath backing_away = [](double t) { return PlanarPose{-3.9 - 0.05 * t, 1.5, 0.0}; };
  EXPECT_EQ(
    legs_moving(joining, backing_away).moving, legs_moving(defaultConfig(), backing_away).moving);
}
