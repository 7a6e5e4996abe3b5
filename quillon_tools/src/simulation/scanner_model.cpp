#include "quillon_tools/simulation/scanner_model.hpp"

#include <stdexcept>

namespace quillon_tools
{

namespace
{

ScannerModel model(
  const std::string & name, int beams, double rate_hz, double range_min, double range_max,
  NoReturnReading driver, double matte_echo_loss)
{
  ScannerModel m;
  m.name = name;
  m.scan.beams = beams;
  m.scan.fov = 1.5 * M_PI;
  m.scan.rate_hz = rate_hz;
  m.scan.range_min = range_min;
  m.scan.range_max = range_max;
  // What real recordings show: a few centimetres of noise, blended ranges at edges, beams taken
  // one by one as the mirror turns, and surfaces that now and then send no echo back: walls and
  // furniture seldom, dark things and leaves often, any surface met at a grazing angle more
  // often. The driver writes a lost echo by its own convention.
  m.scan.noise_stddev = 0.03;
  m.scan.dropout_probability = 0.01;
  m.scan.no_return = driver;
  m.scan.echo_loss.matte = matte_echo_loss;
  m.scan.echo_loss.dark = 0.3;
  m.scan.echo_loss.foliage = 0.4;
  m.scan.echo_loss.grazing = 0.3;
  m.scan.mixed_pixel_probability = 0.2;
  m.scan.sweep_timing = true;
  return m;
}

// Calibrated on real recordings of scanners at rest: of the returns at 2-5 m, the share whose
// beam brings no echo in the next scan. A 512-beam 10 Hz scanner whose driver writes +inf: 5.3 %
// (the demo recording); a 768-beam 7.5 Hz scanner whose driver writes 0.0 and error codes:
// 1.3-1.6 % (the positive recordings).
constexpr double INFINITY_DRIVER_ECHO_LOSS = 0.035;
constexpr double CODE_DRIVER_ECHO_LOSS = 0.002;

}  // namespace

const std::vector<ScannerModel> & scannerModels()
{
  static const std::vector<ScannerModel> models{
    // 0.25 degrees; drivers of this class follow ROS's convention (+inf).
    model(
      "lidar_1081_40hz", 1081, 40.0, 0.1, 30.0, NoReturnReading::Infinity,
      INFINITY_DRIVER_ECHO_LOSS),
    // 0.33 degrees; +inf.
    model(
      "lidar_811_15hz", 811, 15.0, 0.05, 25.0, NoReturnReading::Infinity,
      INFINITY_DRIVER_ECHO_LOSS),
    // 0.35 degrees; the driver of the real recordings of this class writes 0.0 and codes.
    model(
      "lidar_768_7p5hz", 768, 7.5, 0.1, 20.0, NoReturnReading::ZeroOrErrorCode,
      CODE_DRIVER_ECHO_LOSS),
    // 0.5 degrees; +inf, as the 10 Hz scanner of the demo recording.
    model(
      "lidar_541_10hz", 541, 10.0, 0.05, 20.0, NoReturnReading::Infinity,
      INFINITY_DRIVER_ECHO_LOSS),
  };
  return models;
}

std::vector<std::string> scannerModelNames()
{
  std::vector<std::string> names;
  for (const auto & m : scannerModels()) {
    names.push_back(m.name);
  }
  return names;
}

const ScannerModel & scannerModel(const std::string & name)
{
  std::string known;
  for (const auto & m : scannerModels()) {
    if (m.name == name) {
      return m;
    }
    known += (known.empty() ? "" : ", ") + m.name;
  }
  throw std::invalid_argument("unknown scanner model \"" + name + "\"; known: " + known);
}

LegShape realisticLegs()
{
  LegShape legs;
  // Trouser legs 12 cm across at the scanners' height, set down on nearly one line: side by side
  // they overlap, so that one hides much of the other, and the cloth joins them.
  legs.radius = 0.06;
  legs.side_offset = 0.04;
  legs.trouser_gap = 0.03;
  // Dark cloth returns only beams that meet it within about 32 degrees of its normal. With the
  // above this gives what a 0.35-degree scanner shows of a walking person: a median of 7
  // returns at 2-3 m and 4 at 4-5 m.
  legs.max_incidence = 0.555;
  return legs;
}

OdometrySettings realisticOdometry()
{
  OdometrySettings odometry;
  odometry.rate_hz = 100.0;
  odometry.scale_error = 0.02;
  odometry.yaw_rate_bias = 0.001;
  return odometry;
}

}  // namespace quillon_tools
