#include "quillon_tools/simulation/laser_scanner.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "quillon_tools/simulation/stamp.hpp"

namespace quillon_tools
{

namespace
{

constexpr double INF = std::numeric_limits<double>::infinity();
// Neighbouring beams whose ranges differ by more than this straddle a depth edge.
constexpr double EDGE_DEPTH_JUMP = 0.1;

void require(bool ok, const std::string & what)
{
  if (!ok) {
    throw std::invalid_argument("scan settings: " + what);
  }
}

bool isProbability(double p) { return std::isfinite(p) && p >= 0.0 && p <= 1.0; }

// The message without ranges: beam angles, timing and limits.
sensor_msgs::msg::LaserScan emptyScan(
  const ScanSettings & settings, const std::string & frame_id, int64_t stamp_ns)
{
  sensor_msgs::msg::LaserScan scan;
  scan.header.frame_id = frame_id;
  scan.header.stamp = stampFromNanoseconds(stamp_ns);
  scan.angle_min = static_cast<float>(-0.5 * settings.fov);
  scan.angle_increment = static_cast<float>(settings.fov / (settings.beams - 1));
  scan.angle_max = static_cast<float>(
    static_cast<double>(scan.angle_min) +
    (settings.beams - 1) * static_cast<double>(scan.angle_increment));
  scan.scan_time = static_cast<float>(1.0 / settings.rate_hz);
  // A turning mirror passes the beams at the pace of a full turn per period, as scanner drivers
  // report it; the idealised scanner spreads the period over its beams.
  scan.time_increment =
    settings.sweep_timing
      ? static_cast<float>(
          static_cast<double>(scan.angle_increment) / (2.0 * M_PI) / settings.rate_hz)
      : static_cast<float>(1.0 / settings.rate_hz / settings.beams);
  scan.range_min = static_cast<float>(settings.range_min);
  scan.range_max = static_cast<float>(settings.range_max);
  scan.ranges.resize(static_cast<size_t>(settings.beams));
  return scan;
}

// What one beam met.
struct Beam
{
  RayHit hit;
  // A person's cloth sends the echo away: the beam meets it too far off its normal.
  bool grazes_cloth = false;
};

bool grazesCloth(const RayHit & hit, const std::vector<PersonOutline> & people)
{
  for (const auto & person : people) {
    if (person.owner == hit.person) {
      return person.max_incidence < 0.5 * M_PI && hit.cosine < std::cos(person.max_incidence);
    }
  }
  return false;
}

// The nearest surface along every beam, each beam seeing the scene at its own time when the
// sweep is timed.
std::vector<Beam> castBeams(
  const ScanSettings & settings, const World & world, const SceneAt & scene_at,
  const sensor_msgs::msg::LaserScan & scan, int64_t stamp_ns)
{
  std::vector<Beam> beams(static_cast<size_t>(settings.beams));
  ScanScene scene;
  scene_at(stamp_ns, scene);
  for (int i = 0; i < settings.beams; ++i) {
    if (settings.sweep_timing && i > 0) {
      scene_at(stamp_ns + beamOffsetNs(scan, i), scene);
    }
    // Beam angles as a reader of the message reconstructs them from its float fields.
    const double angle = scene.scanner.yaw + static_cast<double>(scan.angle_min) +
                         i * static_cast<double>(scan.angle_increment);
    const Eigen::Vector2d direction(std::cos(angle), std::sin(angle));
    Beam & beam = beams[static_cast<size_t>(i)];
    beam.hit =
      world.castRay(Eigen::Vector2d(scene.scanner.x, scene.scanner.y), direction, scene.people);
    beam.grazes_cloth = beam.hit.person >= 0 && grazesCloth(beam.hit, scene.people);
  }
  return beams;
}

// When beam i lies on a depth edge (a neighbour sees another surface farther away), the range of
// what is behind the edge; +inf otherwise.
double behindEdge(const std::vector<Beam> & beams, size_t i, double range_max)
{
  const RayHit & edge = beams[i].hit;
  double behind = INF;
  if (!edge.hit() || edge.range > range_max) {
    return behind;
  }
  for (const size_t j : {i - 1, i + 1}) {
    if (j >= beams.size()) {  // i - 1 wraps around for the first beam
      continue;
    }
    const RayHit & neighbour = beams[j].hit;
    if (
      neighbour.range <= range_max && !neighbour.sameSurface(edge) &&
      neighbour.range > edge.range + EDGE_DEPTH_JUMP) {
      behind = std::min(behind, neighbour.range);
    }
  }
  return behind;
}

// How often the static surface a beam met sends no echo back.
double echoLossProbability(const ScanSettings & settings, const World & world, const RayHit & hit)
{
  if (!hit.hit() || hit.person >= 0) {
    return 0.0;
  }
  const EchoLoss & loss = settings.echo_loss;
  double base = loss.matte;
  switch (world.materialOf(hit.surface)) {
    case Material::Glass:
      return 1.0;
    case Material::Dark:
      base = loss.dark;
      break;
    case Material::Foliage:
      base = loss.foliage;
      break;
    case Material::Matte:
      break;
  }
  const double grazing = hit.cosine < loss.grazing_cosine
                           ? loss.grazing * (1.0 - hit.cosine / loss.grazing_cosine)
                           : 0.0;
  return std::min(1.0, base + grazing);
}

// The codes below range_min that drivers passing the scanner's codes on write for a lost echo.
constexpr double ERROR_CODES[] = {0.006, 0.007, 0.008, 0.009, 0.015};
constexpr double ERROR_CODE_SHARE = 0.14;
constexpr double RANGE_MAX_SHARE = 0.01;

// What a beam without an echo reads; `draw` in [0, 1) picks among a driver's codes.
double lostEchoReading(const ScanSettings & settings, double draw)
{
  switch (settings.no_return) {
    case NoReturnReading::NanAndNegativeInfinity:
      return std::numeric_limits<double>::quiet_NaN();
    case NoReturnReading::Zero:
      return 0.0;
    case NoReturnReading::Infinity:
      return INF;
    case NoReturnReading::ZeroOrErrorCode:
      break;
  }
  if (draw < ERROR_CODE_SHARE) {
    constexpr size_t CODES = sizeof(ERROR_CODES) / sizeof(ERROR_CODES[0]);
    return ERROR_CODES[static_cast<size_t>(draw / ERROR_CODE_SHARE * CODES) % CODES];
  }
  return draw < ERROR_CODE_SHARE + RANGE_MAX_SHARE ? settings.range_max : 0.0;
}

// What a beam closer than range_min reads.
double tooCloseReading(const ScanSettings & settings)
{
  switch (settings.no_return) {
    case NoReturnReading::Zero:
      return 0.0;
    case NoReturnReading::ZeroOrErrorCode:
      return ERROR_CODES[0];
    case NoReturnReading::NanAndNegativeInfinity:
    case NoReturnReading::Infinity:
      break;
  }
  return -INF;
}

}  // namespace

void validate(const ScanSettings & s)
{
  require(s.beams >= 2, "beams must be at least 2");
  require(std::isfinite(s.fov) && s.fov > 0.0 && s.fov <= 2.0 * M_PI, "fov must be in (0, 2 pi]");
  require(std::isfinite(s.rate_hz) && s.rate_hz > 0.0, "rate_hz must be positive");
  require(
    std::isfinite(s.range_min) && std::isfinite(s.range_max) && s.range_min >= 0.0 &&
      s.range_max > s.range_min,
    "need 0 <= range_min < range_max, both finite");
  require(std::isfinite(s.noise_stddev) && s.noise_stddev >= 0.0, "noise_stddev must be >= 0");
  require(isProbability(s.dropout_probability), "dropout_probability must be in [0, 1]");
  require(isProbability(s.mixed_pixel_probability), "mixed_pixel_probability must be in [0, 1]");
  const EchoLoss & e = s.echo_loss;
  require(
    isProbability(e.matte) && isProbability(e.dark) && isProbability(e.foliage) &&
      isProbability(e.grazing),
    "echo losses must be in [0, 1]");
  require(
    std::isfinite(e.grazing_cosine) && e.grazing_cosine > 0.0 && e.grazing_cosine <= 1.0,
    "echo_loss.grazing_cosine must be in (0, 1]");
}

RenderedScan renderScan(
  const ScanSettings & settings, const World & world, const SceneAt & scene_at,
  const std::string & frame_id, int64_t stamp_ns, SeededNoise & noise)
{
  RenderedScan out;
  out.scan = emptyScan(settings, frame_id, stamp_ns);
  out.person_of_beam.assign(static_cast<size_t>(settings.beams), -1);
  const std::vector<Beam> beams = castBeams(settings, world, scene_at, out.scan, stamp_ns);

  const double too_close = tooCloseReading(settings);
  const bool codes = settings.no_return == NoReturnReading::ZeroOrErrorCode;
  const double nothing_in_range = codes ? 0.0 : INF;
  const bool mixing = settings.mixed_pixel_probability > 0.0;
  const bool losing = settings.echo_loss.any();
  for (size_t i = 0; i < beams.size(); ++i) {
    const RayHit & hit = beams[i].hit;
    const bool dropped = noise.uniform() < settings.dropout_probability;
    const double error = settings.noise_stddev * noise.gaussian();
    // Mixing, echo loss and error codes draw only where they can happen, so the idealised
    // scanner's sequence stays.
    const bool mixed = mixing && noise.uniform() < settings.mixed_pixel_probability;
    const double blend = mixing ? noise.uniform() : 0.0;
    const double loss_draw = losing ? noise.uniform() : 1.0;
    const double code_draw = codes ? noise.uniform() : 0.0;
    const bool lost =
      loss_draw < echoLossProbability(settings, world, hit) ||
      (hit.hit() && hit.person < 0 && world.materialOf(hit.surface) == Material::Glass);
    const double no_echo = lostEchoReading(settings, code_draw);
    const double range = hit.range + error;
    const double behind = mixed ? behindEdge(beams, i, settings.range_max) : INF;

    double reported = range;
    bool on_person = false;
    if (dropped) {
      reported = no_echo;
    } else if (!hit.hit() || range > settings.range_max) {
      reported = nothing_in_range;
    } else if (lost) {
      reported = no_echo;
    } else if (range < settings.range_min) {
      reported = too_close;
    } else if (behind != INF) {
      reported = std::min(hit.range + blend * (behind - hit.range) + error, settings.range_max);
    } else if (beams[i].grazes_cloth) {
      reported = no_echo;
    } else {
      on_person = hit.person >= 0;
    }
    out.scan.ranges[i] = static_cast<float>(reported);
    out.person_of_beam[i] = on_person ? hit.person : -1;
  }
  return out;
}

int64_t beamOffsetNs(const sensor_msgs::msg::LaserScan & scan, int beam)
{
  return std::llround(beam * static_cast<double>(scan.time_increment) * 1e9);
}

RenderedScan renderScan(
  const ScanSettings & settings, const World & world, const ScanScene & scene,
  const std::string & frame_id, int64_t stamp_ns, SeededNoise & noise)
{
  return renderScan(
    settings, world, [&scene](int64_t, ScanScene & now) { now = scene; }, frame_id, stamp_ns,
    noise);
}

}  // namespace quillon_tools
