#ifndef QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_
#define QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "quillon_tools/ground_truth.hpp"
#include "quillon_tools/simulation/person_outline.hpp"
#include "quillon_tools/simulation/seeded_noise.hpp"
#include "quillon_tools/simulation/world.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{

// How a beam without a usable echo is written into the scan: each scanner driver has its own
// convention.
enum class NoReturnReading
{
  // The LaserScan message's own conventions: a dropout NaN, closer than range_min -inf.
  NanAndNegativeInfinity,
  // 0.0 for both.
  Zero,
  // Drivers that follow ROS's convention: no echo +inf, as for nothing within range; closer
  // than range_min -inf.
  Infinity,
  // Drivers that pass the scanner's own codes on: no echo mostly 0.0, else one of a few error
  // codes below range_min (0.006-0.015 m) or, now and then, exactly range_max; nothing within
  // range 0.0; closer than range_min an error code.
  ZeroOrErrorCode
};

// How often a surface of the static scene sends no echo back, per scan and beam: dark and
// shiny surfaces more often, and any surface more often the more grazing the beam meets it.
// A glass pane never returns an echo, whatever the scanner.
struct EchoLoss
{
  double matte = 0.0;    // walls and furniture, met head-on
  double dark = 0.0;     // bins and bags
  double foliage = 0.0;  // a plant's thin leaves
  // Added as the beam's incidence cosine falls below grazing_cosine, up to this much at 0.
  double grazing = 0.0;
  double grazing_cosine = 0.3;

  bool any() const { return matte > 0.0 || dark > 0.0 || foliage > 0.0 || grazing > 0.0; }
};

// Properties shared by both simulated scanners. The defaults are the simulator's built-in,
// idealised scanner; scanner_model.hpp names real ones.
struct ScanSettings
{
  int beams = 1081;
  double fov = 1.5 * 3.141592653589793;  // centred on the mount's heading
  double rate_hz = 25.0;
  double range_min = 0.05;
  double range_max = 25.0;
  double noise_stddev = 0.01;
  // Share of beams that bring no echo back (dark clothing, glass).
  double dropout_probability = 0.002;
  NoReturnReading no_return = NoReturnReading::NanAndNegativeInfinity;
  EchoLoss echo_loss;
  // Share of the beams at a depth edge whose spot falls on both sides, so that their range lies
  // between the edge's and what is behind it.
  double mixed_pixel_probability = 0.0;
  // Whether each beam is taken at its own time as the mirror turns (a full turn takes
  // 1 / rate_hz, the field of view its share of it). Otherwise every beam is taken at the stamp
  // and time_increment spreads the whole period over the beams.
  bool sweep_timing = false;
};

// Throws std::invalid_argument naming the first bad field.
void validate(const ScanSettings & settings);

// What moves in a scanner's view at one instant: the scanner itself and the people around it.
struct ScanScene
{
  Pose2D scanner;  // in the world
  std::vector<PersonOutline> people;
};

// Fills in the scene at a stamp. The renderer passes the same scene to every call of a sweep, so
// what has not moved since the previous call may be left as it is.
using SceneAt = std::function<void(int64_t stamp_ns, ScanScene & scene)>;

// A scan and, per beam, whose return it is: the owner of the person outline its range lies on,
// or -1 (the static scene, no return, a mixed pixel).
struct RenderedScan
{
  sensor_msgs::msg::LaserScan scan;
  std::vector<int> person_of_beam;
};

// One sweep whose first beam is taken at stamp_ns: the scene is taken once at the stamp, or with
// sweep timing at each beam's own time. Beyond range_max a beam reads +inf (0.0 where the driver
// writes codes); a dropout, a lost echo, a beam closer than range_min or one that grazes a
// person's cloth reads as settings.no_return says; a beam on the near side of a depth edge may
// read a mixed range. Noise, dropout and echo loss are drawn for every beam, hit or not, so the
// random sequence does not depend on the scene.
RenderedScan renderScan(
  const ScanSettings & settings, const World & world, const SceneAt & scene_at,
  const std::string & frame_id, int64_t stamp_ns, SeededNoise & noise);

// The same for a scene that stands still during the sweep.
RenderedScan renderScan(
  const ScanSettings & settings, const World & world, const ScanScene & scene,
  const std::string & frame_id, int64_t stamp_ns, SeededNoise & noise);

// How long after the scan's stamp (its first beam) beam `beam` is taken, as a reader of the
// message reconstructs it from time_increment.
int64_t beamOffsetNs(const sensor_msgs::msg::LaserScan & scan, int beam);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__LASER_SCANNER_HPP_
