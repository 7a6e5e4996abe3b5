#include "quillon_tools/evaluation/robot_only_truth.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"
#include "tf2_msgs/msg/tf_message.hpp"

namespace quillon_tools
{
namespace
{

constexpr const char * ODOM_FRAME = "odom";
constexpr double PI = 3.14159265358979323846;

// A static transform: the child frame's pose in its parent.
struct StaticLink
{
  std::string parent;
  Pose2D pose;
};

struct OdometrySample
{
  int64_t stamp_ns = 0;
  Pose2D pose;
};

// What one scan tells: when, which scanner, and what that scanner could see.
struct ScanRecord
{
  int64_t stamp_ns = 0;
  std::string frame;
  double fov = 0.0;
  double range_max = 0.0;
};

struct RecordingContents
{
  std::map<std::string, StaticLink> static_links;  // by child frame; a later one replaces
  std::vector<OdometrySample> odometry;
  std::vector<ScanRecord> scans;
};

double wrapAngle(double angle) { return std::atan2(std::sin(angle), std::cos(angle)); }

// The pose of a transform in the plane; nullopt when it holds a non-finite value.
std::optional<Pose2D> planarPose(const geometry_msgs::msg::Transform & t)
{
  const auto & q = t.rotation;
  const Pose2D pose{
    t.translation.x, t.translation.y,
    std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z))};
  if (!std::isfinite(pose.x) || !std::isfinite(pose.y) || !std::isfinite(pose.yaw)) {
    return std::nullopt;
  }
  return pose;
}

void addTransforms(const BagMessage & message, RecordingContents & contents)
{
  const bool fixed = message.topic == "/tf_static";
  for (const auto & t : deserialize<tf2_msgs::msg::TFMessage>(message).transforms) {
    const auto pose = planarPose(t.transform);
    if (!pose) {
      continue;
    }
    if (fixed) {
      contents.static_links[t.child_frame_id] = {t.header.frame_id, *pose};
    } else if (t.header.frame_id == ODOM_FRAME && t.child_frame_id == ROBOT_FRAME) {
      contents.odometry.push_back({stampNanoseconds(t.header.stamp), *pose});
    }
  }
}

void addScan(const BagMessage & message, RecordingContents & contents)
{
  const auto scan = deserialize<sensor_msgs::msg::LaserScan>(message);
  ScanRecord record;
  record.stamp_ns = stampNanoseconds(scan.header.stamp);
  record.frame = scan.header.frame_id;
  const double fov = static_cast<double>(scan.angle_max) - scan.angle_min + scan.angle_increment;
  record.fov = std::min(std::abs(fov), 2.0 * PI);
  record.range_max = scan.range_max;
  contents.scans.push_back(std::move(record));
}

RecordingContents readRecording(const std::filesystem::path & recording)
{
  BagReader reader;
  reader.open(recording);
  std::vector<std::string> topics = {"/tf_static", "/tf"};
  for (const auto & topic : reader.topics()) {
    if (topic.type == rosidl_generator_traits::name<sensor_msgs::msg::LaserScan>()) {
      topics.push_back(topic.name);
    }
  }
  reader.setTopicFilter(topics);
  RecordingContents contents;
  BagMessage message;
  while (reader.readNext(message)) {
    try {
      if (message.topic == "/tf" || message.topic == "/tf_static") {
        addTransforms(message, contents);
      } else {
        addScan(message, contents);
      }
    } catch (const BagError &) {
      // A message that does not deserialize tells nothing; the tracker never saw it either.
    }
  }
  return contents;
}

// The odometry in stamp order, one sample per stamp (the last one recorded).
std::vector<OdometrySample> sortedOdometry(std::vector<OdometrySample> samples)
{
  std::stable_sort(samples.begin(), samples.end(), [](const auto & a, const auto & b) {
    return a.stamp_ns < b.stamp_ns;
  });
  std::vector<OdometrySample> unique;
  for (const auto & sample : samples) {
    if (!unique.empty() && unique.back().stamp_ns == sample.stamp_ns) {
      unique.back() = sample;
    } else {
      unique.push_back(sample);
    }
  }
  return unique;
}

// The scanner frame's pose in "base_footprint", composed along its static transforms.
Pose2D mountPose(
  const std::string & scanner, const std::map<std::string, StaticLink> & links,
  const std::string & where)
{
  if (scanner.empty() || scanner == ROBOT_FRAME || scanner == ODOM_FRAME) {
    throw std::runtime_error(
      where + ": scans in frame '" + scanner + "' are not in a scanner frame of their own");
  }
  Pose2D pose;  // the scanner in `frame`
  std::string frame = scanner;
  for (std::size_t steps = 0; frame != ROBOT_FRAME; ++steps) {
    const auto link = links.find(frame);
    if (link == links.end()) {
      throw std::runtime_error(
        where + ": cannot place scanner frame '" + scanner +
        "' on base_footprint: /tf_static has no transform to '" + frame + "'");
    }
    if (steps == links.size()) {
      throw std::runtime_error(
        where + ": the static transforms above scanner frame '" + scanner + "' form a loop");
    }
    pose = composePoses(link->second.pose, pose);
    frame = link->second.parent;
  }
  pose.yaw = wrapAngle(pose.yaw);
  return pose;
}

// The robot's velocities in "odom" between two samples.
void setVelocities(const OdometrySample & a, const OdometrySample & b, TruthFrame & frame)
{
  const double dt = static_cast<double>(b.stamp_ns - a.stamp_ns) * 1e-9;
  frame.robot_vx = (b.pose.x - a.pose.x) / dt;
  frame.robot_vy = (b.pose.y - a.pose.y) / dt;
  frame.robot_omega = wrapAngle(b.pose.yaw - a.pose.yaw) / dt;
}

// The robot at `stamp_ns` from the samples around it; nullopt outside their span or across a
// gap in them.
std::optional<TruthFrame> robotAt(const std::vector<OdometrySample> & samples, int64_t stamp_ns)
{
  const auto after = std::lower_bound(
    samples.begin(), samples.end(), stamp_ns,
    [](const OdometrySample & sample, int64_t stamp) { return sample.stamp_ns < stamp; });
  TruthFrame frame;
  frame.stamp_ns = stamp_ns;
  if (after != samples.end() && after->stamp_ns == stamp_ns) {
    frame.robot = after->pose;
    if (samples.size() > 1) {
      const auto from = std::next(after) == samples.end() ? std::prev(after) : after;
      setVelocities(*from, *std::next(from), frame);
    }
    return frame;
  }
  if (after == samples.end() || after == samples.begin()) {
    return std::nullopt;
  }
  const OdometrySample & before = *std::prev(after);
  if (
    stamp_ns - before.stamp_ns > ROBOT_ONLY_MAX_ODOMETRY_GAP_NS ||
    after->stamp_ns - stamp_ns > ROBOT_ONLY_MAX_ODOMETRY_GAP_NS) {
    return std::nullopt;
  }
  const double f = static_cast<double>(stamp_ns - before.stamp_ns) /
                   static_cast<double>(after->stamp_ns - before.stamp_ns);
  frame.robot.x = before.pose.x + f * (after->pose.x - before.pose.x);
  frame.robot.y = before.pose.y + f * (after->pose.y - before.pose.y);
  frame.robot.yaw = wrapAngle(before.pose.yaw + f * wrapAngle(after->pose.yaw - before.pose.yaw));
  setVelocities(before, *after, frame);
  return frame;
}

double median(std::vector<double> values)
{
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Each scanner's view from the scans that state a usable one; a scanner none of whose scans
// does gets no view (it then sees all around, without a range limit).
std::map<std::string, ScannerView> scannerViews(const std::vector<ScanRecord> & scans)
{
  std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> stated;
  for (const auto & scan : scans) {
    if (
      std::isfinite(scan.fov) && scan.fov > 0.0 && std::isfinite(scan.range_max) &&
      scan.range_max > 0.0) {
      stated[scan.frame].first.push_back(scan.fov);
      stated[scan.frame].second.push_back(scan.range_max);
    }
  }
  std::map<std::string, ScannerView> views;
  for (const auto & [frame, values] : stated) {
    views[frame] = {median(values.first), median(values.second)};
  }
  return views;
}

}  // namespace

GroundTruth robotOnlyTruth(const std::filesystem::path & recording)
{
  const std::string where = recording.string();
  RecordingContents contents = readRecording(recording);
  if (contents.scans.empty()) {
    throw std::runtime_error(where + ": holds no readable LaserScan messages");
  }
  const std::vector<OdometrySample> odometry = sortedOdometry(std::move(contents.odometry));
  if (odometry.empty()) {
    throw std::runtime_error(where + ": holds no odom -> base_footprint transforms on /tf");
  }
  GroundTruth truth;
  for (const auto & scan : contents.scans) {
    if (truth.mounts.count(scan.frame) == 0) {
      truth.mounts[scan.frame] = mountPose(scan.frame, contents.static_links, where);
    }
    if (auto frame = robotAt(odometry, scan.stamp_ns)) {
      frame->scanner_frame = scan.frame;
      truth.frames.push_back(std::move(*frame));
    }
  }
  std::stable_sort(truth.frames.begin(), truth.frames.end(), [](const auto & a, const auto & b) {
    return a.stamp_ns < b.stamp_ns;
  });
  truth.views = scannerViews(contents.scans);
  return truth;
}

}  // namespace quillon_tools
