#include "quillon_tools/runner/pipeline_records.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <utility>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/runner/detector_returns.hpp"
#include "quillon_tools/runner/float_cloud.hpp"

namespace quillon_tools
{
namespace
{

using quillon_dynamic_detector::TrackSnapshot;
using quillon_dynamic_detector::TrackState;
using sensor_msgs::msg::PointCloud2;

const std::vector<std::string> DETECTION_FIELDS{"x", "y", "z", "pedestrian"};
const std::vector<std::string> TRACK_FIELDS{"x", "y", "z", "id", "state", "pedestrian"};

// The four clouds of a record, as bits of a mask.
enum RecordPart : unsigned
{
  MOVING = 1U,
  STILL = 2U,
  DETECTIONS = 4U,
  TRACKS = 8U,
  WHOLE = 15U
};

struct Scanner
{
  std::string scan_topic;
  std::string frame;
};

const std::array<Scanner, 2> SCANNERS{{{"/scan_01", "base_scan_01"}, {"/scan_02", "base_scan_02"}}};

struct PartialRecord
{
  ScanRecord record;
  unsigned parts = 0;
};

std::vector<RecordedPoint> points(const std::vector<float> & xyz)
{
  std::vector<RecordedPoint> out;
  out.reserve(xyz.size() / 3);
  for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
    out.push_back({xyz[i], xyz[i + 1]});
  }
  return out;
}

RecordedTrack::State trackState(float code)
{
  if (code == static_cast<float>(TrackState::Confirmed)) {
    return RecordedTrack::State::confirmed;
  }
  return code == static_cast<float>(TrackState::Coasting) ? RecordedTrack::State::coasting
                                                          : RecordedTrack::State::tentative;
}

// Fills `part` of `record` from `cloud`; false when the cloud lacks the part's fields.
bool readPart(const PointCloud2 & cloud, RecordPart part, ScanRecord & record)
{
  if (part == MOVING || part == STILL) {
    const auto xyz = readFloatFields(cloud, {"x", "y", "z"});
    if (xyz) {
      (part == MOVING ? record.moving_returns : record.still_returns) = points(*xyz);
    }
    return xyz.has_value();
  }
  if (part == DETECTIONS) {
    const auto values = readFloatFields(cloud, DETECTION_FIELDS);
    for (std::size_t i = 0; values && i < values->size(); i += DETECTION_FIELDS.size()) {
      record.detections.push_back({{(*values)[i], (*values)[i + 1]}, (*values)[i + 3] != 0.0F});
    }
    return values.has_value();
  }
  const auto values = readFloatFields(cloud, TRACK_FIELDS);
  for (std::size_t i = 0; values && i < values->size(); i += TRACK_FIELDS.size()) {
    RecordedTrack track;
    track.position = {(*values)[i], (*values)[i + 1]};
    track.id = static_cast<int32_t>(std::lround((*values)[i + 3]));
    track.state = trackState((*values)[i + 4]);
    track.pedestrian = (*values)[i + 5] != 0.0F;
    record.tracks.push_back(track);
  }
  return values.has_value();
}

}  // namespace

std::string detectionCloudTopic(const std::string & scan_topic)
{
  return debugPrefix(scan_topic) + "/detection_cloud";
}

std::string trackCloudTopic(const std::string & scan_topic)
{
  return debugPrefix(scan_topic) + "/track_cloud";
}

PointCloud2 detectionCloud(
  const sensor_msgs::msg::LaserScan & scan,
  const std::vector<quillon_protocol::msg::Object> & detections)
{
  std::vector<float> values;
  for (const auto & d : detections) {
    values.insert(
      values.end(), {static_cast<float>(d.pose.position.x), static_cast<float>(d.pose.position.y),
                     0.0F, d.classification == 1 ? 1.0F : 0.0F});
  }
  return floatCloud(scan.header, DETECTION_FIELDS, values);
}

PointCloud2 trackCloud(
  const sensor_msgs::msg::LaserScan & scan, const std::vector<TrackSnapshot> & tracks)
{
  std::vector<float> values;
  for (const TrackSnapshot & t : tracks) {
    values.insert(
      values.end(), {t.x, t.y, 0.0F, static_cast<float>(t.id), static_cast<float>(t.state),
                     t.pedestrian ? 1.0F : 0.0F});
  }
  return floatCloud(scan.header, TRACK_FIELDS, values);
}

void readPipelineRecords(
  const std::filesystem::path & bag,
  const std::function<void(const std::string & scanner_frame, const ScanRecord & record)> &
    on_record)
{
  // topic -> (scanner index, part)
  std::map<std::string, std::pair<std::size_t, RecordPart>> parts;
  for (std::size_t s = 0; s < SCANNERS.size(); ++s) {
    const std::string & topic = SCANNERS[s].scan_topic;
    parts[detectorMovingTopic(topic)] = {s, MOVING};
    parts[detectorStaticTopic(topic)] = {s, STILL};
    parts[detectionCloudTopic(topic)] = {s, DETECTIONS};
    parts[trackCloudTopic(topic)] = {s, TRACKS};
  }
  BagReader reader;
  reader.open(bag);
  std::vector<std::string> wanted;
  for (const auto & topic : reader.topics()) {
    if (parts.count(topic.name) != 0) {
      wanted.push_back(topic.name);
    }
  }
  if (wanted.empty()) {
    return;
  }
  reader.setTopicFilter(wanted);
  // A record is complete once its four clouds are in; the clouds of one scan come together.
  std::array<std::map<int64_t, PartialRecord>, 2> partial;
  BagMessage message;
  while (reader.readNext(message)) {
    const auto [scanner, part] = parts.at(message.topic);
    std::optional<PointCloud2> cloud;
    try {
      cloud = deserialize<PointCloud2>(message);
    } catch (const BagError &) {
      continue;  // one unreadable cloud costs its record only
    }
    const int64_t stamp = stampNanoseconds(cloud->header.stamp);
    PartialRecord & entry = partial[scanner][stamp];
    entry.record.stamp_ns = stamp;
    entry.parts |= readPart(*cloud, part, entry.record) ? part : 0U;
    if (entry.parts == WHOLE) {
      on_record(SCANNERS[scanner].frame, entry.record);
      partial[scanner].erase(stamp);
    }
  }
}

std::string scannerFrame(const std::string & scan_topic)
{
  for (const Scanner & scanner : SCANNERS) {
    if (scanner.scan_topic == scan_topic) {
      return scanner.frame;
    }
  }
  throw std::invalid_argument("no scanner listens on '" + scan_topic + "'");
}

MissStageRecorder::MissStageRecorder(const GroundTruth & truth, MissStageTable & table)
: truth_(truth), table_(table)
{
}

void MissStageRecorder::observe(ReplayOptions & options)
{
  options.on_detector_output = [this](
                                 const std::string & scan_topic, const auto & scan,
                                 const auto & moving, const auto & still) {
    ScanRecord & record = pending_[scan_topic];
    record = ScanRecord();
    record.stamp_ns = stampNanoseconds(scan.header.stamp);
    record.moving_returns = classReturns(scan, moving);
    record.still_returns = classReturns(scan, still);
  };
  options.on_tracker_output = [this](
                                const std::string & scan_topic, const auto &,
                                const auto & detections, const auto & tracks) {
    ScanRecord & record = pending_[scan_topic];
    for (const auto & d : detections) {
      record.detections.push_back(
        {{static_cast<float>(d.pose.position.x), static_cast<float>(d.pose.position.y)},
         d.classification == 1});
    }
    for (const TrackSnapshot & t : tracks) {
      RecordedTrack track;
      track.position = {t.x, t.y};
      track.id = t.id;
      track.state = trackState(static_cast<float>(t.state));
      track.pedestrian = t.pedestrian;
      record.tracks.push_back(track);
    }
    table_.add(truth_, scannerFrame(scan_topic), record);
  };
}

}  // namespace quillon_tools
