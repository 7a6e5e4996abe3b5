#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "quillon_tools/evaluation/ground_truth_csv.hpp"

namespace quillon_tools
{
namespace
{

// Shortest text that reads back to the same double.
std::string exact(double value)
{
  if (!std::isfinite(value)) {
    throw std::invalid_argument("non-finite value " + std::to_string(value));
  }
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

// Names go into unquoted CSV fields.
const std::string & plainField(const std::string & text)
{
  if (
    text.find_first_of(",\r\n") != std::string::npos || text.empty() ||
    text.find_first_not_of(" \t") != 0 || text.find_last_not_of(" \t") != text.size() - 1) {
    throw std::invalid_argument("name '" + text + "' cannot be written as a CSV field");
  }
  return text;
}

// The mount line's fov and range_max columns: empty when the scanner's view is unknown.
std::string viewColumns(const GroundTruth & truth, const std::string & frame)
{
  const auto view = truth.views.find(frame);
  if (view == truth.views.end()) {
    return ",";
  }
  return exact(view->second.fov) + ',' + exact(view->second.range_max);
}

void writeStaticRows(std::ostream & out, const GroundTruth & truth)
{
  for (const auto & [frame, view] : truth.views) {
    if (truth.mounts.count(frame) == 0) {
      throw std::invalid_argument("the view of '" + frame + "' has no mount");
    }
  }
  for (const auto & [frame, pose] : truth.mounts) {
    out << "0,mount,0," << exact(pose.x) << ',' << exact(pose.y) << ",,," << exact(pose.yaw) << ','
        << plainField(frame) << ",,,," << viewColumns(truth, frame) << ",,\n";
  }
  for (std::size_t i = 0; i < truth.furniture.size(); ++i) {
    const Furniture & item = truth.furniture[i];
    out << "0,furniture," << i << ',' << exact(item.x) << ',' << exact(item.y) << ",,,,odom,,"
        << exact(item.radius) << ',' << plainField(item.kind) << ",,,,\n";
  }
}

void writeFrameRows(std::ostream & out, const TruthFrame & frame)
{
  out << frame.stamp_ns << ",robot,0," << exact(frame.robot.x) << ',' << exact(frame.robot.y) << ','
      << exact(frame.robot_vx) << ',' << exact(frame.robot_vy) << ',' << exact(frame.robot.yaw)
      << ",odom," << exact(frame.robot_omega) << ",,,,,,"
      << (frame.scanner_frame.empty() ? "" : plainField(frame.scanner_frame)) << '\n';
  for (const auto & person : frame.people) {
    out << frame.stamp_ns << ",person," << person.id << ',' << exact(person.x) << ','
        << exact(person.y) << ',' << exact(person.vx) << ',' << exact(person.vy) << ",,odom,,,,,,"
        << (person.beams >= 0 ? std::to_string(person.beams) : "") << ",\n";
  }
  for (const auto & region : frame.ignored) {
    // The reader refuses what is not a circle.
    if (!(region.radius > 0.0)) {
      throw std::invalid_argument(
        "ignored region at stamp " + std::to_string(frame.stamp_ns) + " has radius " +
        std::to_string(region.radius));
    }
    out << frame.stamp_ns << ",ignore,0," << exact(region.x) << ',' << exact(region.y)
        << ",,,,odom,," << exact(region.radius) << ",,,,,\n";
  }
}

void writeRows(std::ostream & out, const GroundTruth & truth)
{
  out << "# Ground truth: mounts in base_footprint, furniture and people in odom.\n"
      << "# Columns: " << GROUND_TRUTH_CSV_HEADER << "\n"
      << GROUND_TRUTH_CSV_HEADER << '\n';
  writeStaticRows(out, truth);
  for (const auto & frame : truth.frames) {
    writeFrameRows(out, frame);
  }
}

}  // namespace

void writeGroundTruthCsv(const std::string & path, const GroundTruth & truth)
{
  // Rendered first, so that unwritable truth leaves no half-written file behind.
  std::ostringstream text;
  try {
    writeRows(text, truth);
  } catch (const std::invalid_argument & error) {
    throw std::runtime_error(path + ": " + error.what());
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    throw std::runtime_error(path + ": cannot open for writing");
  }
  out << text.str();
  out.close();
  if (!out) {
    throw std::runtime_error(path + ": write failed");
  }
}

}  // namespace quillon_tools
