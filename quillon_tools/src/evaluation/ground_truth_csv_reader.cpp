#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/truth_velocity_estimation.hpp"

namespace quillon_tools
{
namespace
{

enum Column : std::size_t
{
  STAMP,
  KIND,
  ID,
  X,
  Y,
  VX,
  VY,
  YAW,
  FRAME,
  OMEGA,
  RADIUS,
  NAME,
  FOV,
  RANGE_MAX,
  BEAMS,
  SCAN_FRAME,
  COLUMN_COUNT
};

// Files written before scanners' views, beam counts and scan frames were known have only the
// first 12 columns; their rows read as if the later columns were empty.
constexpr std::size_t LEGACY_COLUMN_COUNT = NAME + 1;

constexpr const char * COLUMN_NAMES[COLUMN_COUNT] = {
  "stamp_ns", "kind",  "id",     "x",    "y",   "vx",        "vy",    "yaw",
  "frame",    "omega", "radius", "name", "fov", "range_max", "beams", "scan_frame"};

constexpr double FULL_CIRCLE = 6.283185307179586;

// A problem in one line of the file; the reader adds the file name.
struct LineError : std::runtime_error
{
  LineError(std::size_t line_number, const std::string & message)
  : std::runtime_error(message), line(line_number)
  {
  }
  std::size_t line;
};

std::string trim(const std::string & text)
{
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) {
    return "";
  }
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// One data line, split and trimmed.
struct Row
{
  std::size_t line = 0;
  std::vector<std::string> fields;

  const std::string & operator[](Column c) const { return fields[c]; }
  LineError error(const std::string & message) const { return LineError(line, message); }
};

// Splits a line of `columns` fields and pads it to COLUMN_COUNT with empty ones.
Row splitRow(const std::string & text, std::size_t line, std::size_t columns)
{
  Row row;
  row.line = line;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    row.fields.push_back(trim(text.substr(start, comma - start)));
    if (comma == std::string::npos) {
      break;
    }
    start = comma + 1;
  }
  if (row.fields.size() != columns) {
    throw row.error(
      "expected " + std::to_string(columns) + " columns, found " +
      std::to_string(row.fields.size()));
  }
  row.fields.resize(COLUMN_COUNT);
  return row;
}

template <typename Integer>
Integer integerField(const Row & row, Column column)
{
  const std::string & text = row[column];
  Integer value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    throw row.error(
      std::string("column '") + COLUMN_NAMES[column] + "' is not an integer: '" + text + "'");
  }
  return value;
}

std::optional<double> optionalNumber(const Row & row, Column column)
{
  const std::string & text = row[column];
  if (text.empty()) {
    return std::nullopt;
  }
  char * end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) {
    throw row.error(
      std::string("column '") + COLUMN_NAMES[column] + "' is not a number: '" + text + "'");
  }
  if (!std::isfinite(value) || errno == ERANGE) {
    throw row.error(
      std::string("column '") + COLUMN_NAMES[column] + "' is not finite: '" + text + "'");
  }
  return value;
}

std::optional<int32_t> optionalCount(const Row & row, Column column)
{
  if (row[column].empty()) {
    return std::nullopt;
  }
  const auto count = integerField<int32_t>(row, column);
  if (count < 0) {
    throw row.error(
      std::string("column '") + COLUMN_NAMES[column] + "' must not be negative, found " +
      row[column]);
  }
  return count;
}

double requiredNumber(const Row & row, Column column)
{
  const auto value = optionalNumber(row, column);
  if (!value) {
    throw row.error(
      std::string("column '") + COLUMN_NAMES[column] + "' is required for " + row[KIND] + " lines");
  }
  return *value;
}

// Columns that do not apply must stay empty, so that shifted columns are noticed.
void requireEmpty(const Row & row, std::initializer_list<Column> columns)
{
  for (const Column column : columns) {
    if (!row[column].empty()) {
      throw row.error(
        std::string("column '") + COLUMN_NAMES[column] + "' must be empty for " + row[KIND] +
        " lines, found '" + row[column] + "'");
    }
  }
}

// A scanner's frame id: not empty, and neither of the frames the robot moves in.
bool isScannerFrame(const std::string & frame)
{
  return !frame.empty() && frame != "odom" && frame != "base_footprint";
}

void requireOdomFrame(const Row & row)
{
  if (!row[FRAME].empty() && row[FRAME] != "odom") {
    throw row.error("frame of " + row[KIND] + " lines must be 'odom', found '" + row[FRAME] + "'");
  }
}

// Collects the rows into a GroundTruth, frame by frame.
class TruthBuilder
{
public:
  void add(const Row & row)
  {
    const std::string & kind = row[KIND];
    if (kind == "robot") {
      addRobot(row);
    } else if (kind == "person") {
      addPerson(row);
    } else if (kind == "mount") {
      addMount(row);
    } else if (kind == "furniture") {
      addFurniture(row);
    } else if (kind == "ignore") {
      addIgnored(row);
    } else {
      throw row.error(
        "unknown kind '" + kind + "' (expected robot, person, ignore, mount or furniture)");
    }
  }

  GroundTruth finish()
  {
    closeFrame();
    estimateMissingVelocities(truth_, missing_);
    return std::move(truth_);
  }

private:
  void addRobot(const Row & row)
  {
    requireEmpty(row, {RADIUS, NAME, FOV, RANGE_MAX, BEAMS});
    requireOdomFrame(row);
    if (integerField<int32_t>(row, ID) != 0) {
      throw row.error("id of robot lines must be 0");
    }
    TruthFrame & frame = frameFor(row);
    if (has_robot_) {
      throw row.error("second robot line at stamp " + row[STAMP]);
    }
    has_robot_ = true;
    if (!row[SCAN_FRAME].empty() && !isScannerFrame(row[SCAN_FRAME])) {
      throw row.error(
        "column 'scan_frame' must name a scanner frame, found '" + row[SCAN_FRAME] + "'");
    }
    frame.scanner_frame = row[SCAN_FRAME];
    frame.robot = {requiredNumber(row, X), requiredNumber(row, Y), requiredNumber(row, YAW)};
    const auto velocity = optionalVelocity(row);
    const auto omega = optionalNumber(row, OMEGA);
    frame.robot_vx = velocity ? velocity->first : 0.0;
    frame.robot_vy = velocity ? velocity->second : 0.0;
    frame.robot_omega = omega.value_or(0.0);
    missing_.robot_linear.back() = !velocity;
    missing_.robot_angular.back() = !omega;
  }

  void addPerson(const Row & row)
  {
    requireEmpty(row, {YAW, OMEGA, RADIUS, NAME, FOV, RANGE_MAX, SCAN_FRAME});
    requireOdomFrame(row);
    PersonState person;
    person.id = integerField<int32_t>(row, ID);
    TruthFrame & frame = frameFor(row);
    if (!ids_in_frame_.insert(person.id).second) {
      throw row.error("person " + row[ID] + " appears twice at stamp " + row[STAMP]);
    }
    person.x = requiredNumber(row, X);
    person.y = requiredNumber(row, Y);
    const auto velocity = optionalVelocity(row);
    person.vx = velocity ? velocity->first : 0.0;
    person.vy = velocity ? velocity->second : 0.0;
    person.beams = optionalCount(row, BEAMS).value_or(-1);
    frame.people.push_back(person);
    missing_.people.back().push_back(!velocity);
  }

  // The name column of an ignore line is a free note for whoever reads the file.
  void addIgnored(const Row & row)
  {
    requireEmpty(row, {VX, VY, YAW, OMEGA, FOV, RANGE_MAX, BEAMS, SCAN_FRAME});
    requireOdomFrame(row);
    integerField<int32_t>(row, ID);
    TruthFrame & frame = frameFor(row);
    const IgnoredRegion region{
      requiredNumber(row, X), requiredNumber(row, Y), requiredNumber(row, RADIUS)};
    if (!(region.radius > 0.0)) {
      throw row.error("ignore radius must be positive, found " + row[RADIUS]);
    }
    frame.ignored.push_back(region);
  }

  void addMount(const Row & row)
  {
    requireEmpty(row, {VX, VY, OMEGA, RADIUS, NAME, BEAMS, SCAN_FRAME});
    requireStaticLine(row);
    if (!isScannerFrame(row[FRAME])) {
      throw row.error("mount lines need the scanner frame in column 'frame'");
    }
    const Pose2D pose{requiredNumber(row, X), requiredNumber(row, Y), requiredNumber(row, YAW)};
    if (!truth_.mounts.emplace(row[FRAME], pose).second) {
      throw row.error("second mount line for frame '" + row[FRAME] + "'");
    }
    addView(row);
  }

  // The scanner's view, when the mount line gives its field of view or range limit.
  void addView(const Row & row)
  {
    const auto fov = optionalNumber(row, FOV);
    const auto range_max = optionalNumber(row, RANGE_MAX);
    if (!fov && !range_max) {
      return;
    }
    ScannerView view;
    view.fov = fov.value_or(view.fov);
    view.range_max = range_max.value_or(view.range_max);
    // 2 pi written with a few digits may come out a little above it.
    if (!(view.fov > 0.0 && view.fov <= FULL_CIRCLE + 1e-6)) {
      throw row.error("fov must be in (0, 2 pi], found " + row[FOV]);
    }
    view.fov = std::min(view.fov, FULL_CIRCLE);
    if (!(view.range_max > 0.0)) {
      throw row.error("range_max must be positive, found " + row[RANGE_MAX]);
    }
    truth_.views[row[FRAME]] = view;
  }

  void addFurniture(const Row & row)
  {
    requireEmpty(row, {VX, VY, YAW, OMEGA, FOV, RANGE_MAX, BEAMS, SCAN_FRAME});
    requireStaticLine(row);
    requireOdomFrame(row);
    integerField<int32_t>(row, ID);
    Furniture item;
    item.kind = row[NAME];
    item.x = requiredNumber(row, X);
    item.y = requiredNumber(row, Y);
    item.radius = requiredNumber(row, RADIUS);
    if (item.kind.empty()) {
      throw row.error("furniture lines need a kind in column 'name'");
    }
    if (!(item.radius > 0.0)) {
      throw row.error("furniture radius must be positive, found " + row[RADIUS]);
    }
    truth_.furniture.push_back(item);
  }

  static void requireStaticLine(const Row & row)
  {
    if (integerField<int64_t>(row, STAMP) != 0) {
      throw row.error("stamp_ns of " + row[KIND] + " lines must be 0");
    }
  }

  static std::optional<std::pair<double, double>> optionalVelocity(const Row & row)
  {
    const auto vx = optionalNumber(row, VX);
    const auto vy = optionalNumber(row, VY);
    if (vx.has_value() != vy.has_value()) {
      throw row.error("columns 'vx' and 'vy' must both be given or both be empty");
    }
    if (!vx) {
      return std::nullopt;
    }
    return std::make_pair(*vx, *vy);
  }

  // The frame of the row's stamp: the open one, or a new one after it.
  TruthFrame & frameFor(const Row & row)
  {
    const int64_t stamp = integerField<int64_t>(row, STAMP);
    if (!truth_.frames.empty() && stamp == truth_.frames.back().stamp_ns) {
      return truth_.frames.back();
    }
    if (!truth_.frames.empty() && stamp < truth_.frames.back().stamp_ns) {
      throw row.error(
        "stamp " + std::to_string(stamp) + " is earlier than the previous stamp " +
        std::to_string(truth_.frames.back().stamp_ns));
    }
    closeFrame();
    truth_.frames.emplace_back();
    truth_.frames.back().stamp_ns = stamp;
    frame_line_ = row.line;
    frame_kind_ = row[KIND];
    has_robot_ = false;
    ids_in_frame_.clear();
    missing_.robot_linear.push_back(true);
    missing_.robot_angular.push_back(true);
    missing_.people.emplace_back();
    return truth_.frames.back();
  }

  void closeFrame()
  {
    if (!truth_.frames.empty() && !has_robot_) {
      throw LineError(
        frame_line_, "stamp " + std::to_string(truth_.frames.back().stamp_ns) + " has " +
                       frame_kind_ + " lines but no robot line");
    }
  }

  GroundTruth truth_;
  MissingVelocities missing_;
  std::size_t frame_line_ = 0;
  std::string frame_kind_;  // of the frame's first line, to name it when the robot is missing
  bool has_robot_ = false;
  std::set<int32_t> ids_in_frame_;
};

bool isBlankOrComment(const std::string & line)
{
  const std::string text = trim(line);
  return text.empty() || text.front() == '#';
}

// The number of columns the header line announces: all of them, or the legacy first 12.
std::size_t headerColumns(const std::string & text, std::size_t line)
{
  const auto columns = static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')) + 1;
  bool known = columns == COLUMN_COUNT || columns == LEGACY_COLUMN_COUNT;
  if (known) {
    const Row header = splitRow(text, line, columns);
    for (std::size_t c = 0; c < columns; ++c) {
      known = known && header.fields[c] == COLUMN_NAMES[c];
    }
  }
  if (!known) {
    throw LineError(
      line, std::string("header must be '") + GROUND_TRUTH_CSV_HEADER + "' or its first " +
              std::to_string(LEGACY_COLUMN_COUNT) + " columns");
  }
  return columns;
}

GroundTruth parse(std::istream & in)
{
  TruthBuilder builder;
  std::string text;
  std::size_t line = 0;
  std::size_t columns = 0;  // 0 until the header is read
  while (std::getline(in, text)) {
    ++line;
    if (isBlankOrComment(text)) {
      continue;
    }
    if (columns == 0) {
      columns = headerColumns(text, line);
      continue;
    }
    builder.add(splitRow(text, line, columns));
  }
  if (columns == 0) {
    throw LineError(line, std::string("no header line '") + GROUND_TRUTH_CSV_HEADER + "'");
  }
  return builder.finish();
}

}  // namespace

GroundTruth readGroundTruthCsv(const std::string & path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error(path + ": cannot open ground-truth file");
  }
  try {
    GroundTruth truth = parse(in);
    if (in.bad()) {
      throw std::runtime_error(path + ": read error");
    }
    return truth;
  } catch (const LineError & error) {
    throw std::runtime_error(path + ":" + std::to_string(error.line) + ": " + error.what());
  }
}

}  // namespace quillon_tools
