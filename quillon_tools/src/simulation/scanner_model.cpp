#include "quillon_tools/simulation/scanner_model.hpp"

#include <stdexcept>

namespace quillon_tools
{

namespace
{

ScannerModel model(
  const std::string & name, int beams, double rate_hz, double range_min, double range_max)
{
  ScannerModel m;
  m.name = name;
  m.scan.beams = beams;
  m.scan.fov = 1.5 * M_PI;
  m.scan.rate_hz = rate_hz;
  m.scan.range_min = range_min;
  m.scan.range_max = range_max;
  // What a real recording shows: a few centimetres of noise, about 5 % of the beams reading 0.0
  // ("no return"), blended ranges at edges, and beams taken one by one as the mirror turns.
  m.scan.noise_stddev = 0.03;
  m.scan.dropout_probability = 0.05;
  m.scan.no_return = NoReturnReading::Zero;
  m.scan.mixed_pixel_probability = 0.2;
  m.scan.sweep_timing = true;
  return m;
}

}  // namespace

const std::vector<ScannerModel> & scannerModels()
{
  static const std::vector<ScannerModel> models{
    model("lidar_1081_40hz", 1081, 40.0, 0.1, 30.0),  // 0.25 degrees
    model("lidar_811_15hz", 811, 15.0, 0.05, 25.0),   // 0.33 degrees
    model("lidar_768_7p5hz", 768, 7.5, 0.1, 20.0),    // 0.35 degrees
    model("lidar_541_10hz", 541, 10.0, 0.05, 20.0),   // 0.5 degrees
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
