#include "real_recordings.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "bare_clustering.hpp"
#include "benchmark_run.hpp"
#include "benchmark_support.hpp"
#include "quillon_tools/evaluation/frame_conversion.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "quillon_tools/evaluation/robot_only_truth.hpp"
#include "quillon_tools/evaluation/static_structure.hpp"
#include "quillon_tools/runner/detector_returns.hpp"
#include "quillon_tools/runner/profile_suggestion.hpp"
#include "quillon_tools/runner/scan_survey.hpp"
#include "quillon_tools/runner/scenario_replay.hpp"
#include "rclcpp/rclcpp.hpp"

namespace quillon_tools
{
namespace
{

namespace fs = std::filesystem;

// A pedestrian this close to a return of the walls and furniture stands on them.
constexpr double NEAR_STRUCTURE_M = 0.3;
// A robot whose odometry spans more than this drives: every return of its recording is static.
constexpr double DRIVING_SPAN_M = 0.5;
// The figures of the first scanner's list and of the fused list; the others have no scans here.
const char * const REAL_TOPICS[] = {"/objects_laser1", "/objects_laser"};

// A topic as the rows of a run name it (evaluateReplay's rows with an empty label).
std::string rowTopic(const char * topic) { return std::string(" ") + topic; }

struct RealRecording
{
  std::string name;
  fs::path bag;
  std::optional<GroundTruth> truth;  // people at labelled scans, if annotated
  GroundTruth robot;                 // the robot's poses and mounts from the recording itself
  bool driving = false;
  std::map<std::string, std::vector<sensor_msgs::msg::LaserScan>> scans;  // by scan topic
};

// Adds to `truth` the ignored regions of `extra`, frame by frame of the same stamp.
void addIgnoredRegions(GroundTruth & truth, const GroundTruth & extra)
{
  for (const TruthFrame & from : extra.frames) {
    const auto to = std::find_if(truth.frames.begin(), truth.frames.end(), [&](const auto & f) {
      return f.stamp_ns == from.stamp_ns;
    });
    if (to != truth.frames.end()) {
      to->ignored.insert(to->ignored.end(), from.ignored.begin(), from.ignored.end());
    }
  }
}

// The recording's ground truth, with the regions where a known person is not labelled: from the
// folder, else from the repository's copy (which has them for the shared pack).
std::optional<GroundTruth> truthOf(const fs::path & folder, const std::string & name)
{
  const fs::path csv = folder / "ground_truth" / (name + "_ground_truth.csv");
  if (!fs::exists(csv)) {
    return std::nullopt;
  }
  GroundTruth truth = readGroundTruthCsv(csv.string());
  for (const fs::path & dir :
       {folder / "ground_truth", fs::path(QUILLON_REALDATA_DIR) / "ground_truth"}) {
    const fs::path ignored = dir / (name + "_ignored.csv");
    if (fs::exists(ignored)) {
      addIgnoredRegions(truth, readGroundTruthCsv(ignored.string()));
      break;
    }
  }
  return truth;
}

bool drives(const GroundTruth & robot)
{
  for (const TruthFrame & f : robot.frames) {
    const Pose2D & start = robot.frames.front().robot;
    if (std::hypot(f.robot.x - start.x, f.robot.y - start.y) > DRIVING_SPAN_M) {
      return true;
    }
  }
  return false;
}

std::vector<RealRecording> findRealRecordings(const fs::path & folder)
{
  std::vector<RealRecording> recordings;
  const fs::path bags = folder / "bags";
  if (fs::is_directory(bags)) {
    for (const auto & entry : fs::directory_iterator(bags)) {
      if (fs::exists(entry.path() / "metadata.yaml")) {
        RealRecording r;
        r.name = entry.path().filename().string();
        r.bag = entry.path();
        recordings.push_back(std::move(r));
      }
    }
  }
  if (recordings.empty()) {
    throw std::runtime_error(
      "no recordings in " + bags.string() + " (one folder with a metadata.yaml per recording)");
  }
  std::sort(recordings.begin(), recordings.end(), [](const auto & a, const auto & b) {
    return a.name < b.name;
  });
  for (RealRecording & r : recordings) {
    r.truth = truthOf(folder, r.name);
    r.robot = robotOnlyTruth(r.bag);
    r.driving = drives(r.robot);
    r.scans = scansOf(r.bag);
  }
  return recordings;
}

// The profile quillon_suggest_profile names for the recording's first scanner.
ScannerProfile suggestedProfile(const RealRecording & r)
{
  const auto surveys = surveyLaserScans(r.bag);
  if (surveys.empty()) {
    throw std::runtime_error(r.name + ": no laser scans");
  }
  return scannerProfile(rankProfiles(surveys.front()).front().profile);
}

// Counts the returns the detector marks moving: all of them while the robot drives, else those
// of the walls and furniture its scanners keep seeing.
struct MovingTally
{
  std::map<std::string, StaticStructure> structures;  // by scan topic; robot at rest only
  int64_t returns = 0;
  int64_t moving = 0;

  void add(
    const std::string & topic, const sensor_msgs::msg::LaserScan & scan,
    const sensor_msgs::msg::LaserScan & moving_scan)
  {
    const auto structure = structures.find(topic);
    for (std::size_t i = 0; i < scan.ranges.size(); ++i) {
      const bool counted =
        isReturn(scan, scan.ranges[i]) &&
        (structure == structures.end() || structure->second.isStructureReturn(i, scan.ranges[i]));
      returns += counted ? 1 : 0;
      moving += counted && inClass(scan, moving_scan, i) ? 1 : 0;
    }
  }
};

// Structure returns of every scanner in "odom" (the robot stands: its first pose holds).
std::vector<PlanarVector> structureInOdom(const RealRecording & r, const MovingTally & tally)
{
  std::vector<PlanarVector> points;
  for (const auto & [topic, structure] : tally.structures) {
    const auto & frame_id = r.scans.at(topic).front().header.frame_id;
    const auto scanner = outputFramePose(r.robot, r.robot.frames.front().robot, frame_id);
    if (!scanner) {
      continue;
    }
    for (const PlanarVector & p : structure.points()) {
      points.push_back(pointFromFrame(*scanner, p));
    }
  }
  return points;
}

bool nearAny(const PlanarVector & p, const std::vector<PlanarVector> & points)
{
  return std::any_of(points.begin(), points.end(), [&](const PlanarVector & q) {
    return std::hypot(p.x - q.x, p.y - q.y) <= NEAR_STRUCTURE_M;
  });
}

// Each list stands for the time to the next one; a gap longer than twice the usual step counts as
// one usual step.
std::vector<double> listSteps(const std::vector<ScoredList> & lists)
{
  std::vector<double> gaps;
  for (std::size_t i = 1; i < lists.size(); ++i) {
    gaps.push_back(
      1e-9 * static_cast<double>(
               stampNanoseconds(lists[i].list.header.stamp) -
               stampNanoseconds(lists[i - 1].list.header.stamp)));
  }
  const double usual = gaps.empty() ? 0.0 : median(gaps);
  std::vector<double> steps;
  for (const double gap : gaps) {
    steps.push_back(gap > 0.0 && gap <= 2.0 * usual ? gap : usual);
  }
  steps.push_back(usual);
  return steps;
}

StructureFigures structureFigures(
  const RealRecording & r, const std::vector<PlanarVector> & structure,
  const std::vector<ScoredList> & lists)
{
  StructureFigures figures{0.0, 0.0};
  const std::vector<double> steps = listSteps(lists);
  std::map<int32_t, double> runs;  // by id: time near structure without a break
  for (std::size_t i = 0; i < lists.size(); ++i) {
    const auto & list = lists[i].list;
    const auto frame = outputFramePose(r.robot, r.robot.frames.front().robot, list.header.frame_id);
    if (!frame) {
      continue;
    }
    std::map<int32_t, double> continued;
    for (std::size_t k = 0; k < list.objects.size(); ++k) {
      const auto & object = list.objects[k];
      if (object.classification != 1) {
        continue;
      }
      const PlanarVector at =
        pointFromFrame(*frame, {object.pose.position.x, object.pose.position.y});
      if (!nearAny(at, structure)) {
        figures.pedestrian_seconds_in_open_area += steps[i];
        continue;
      }
      const int32_t id = lists[i].ids.empty() ? -1 : lists[i].ids[k];
      continued[id] = runs[id] + steps[i];
      figures.longest_pedestrian_near_structure_s =
        std::max(figures.longest_pedestrian_near_structure_s, continued[id]);
    }
    runs = std::move(continued);
  }
  return figures;
}

void printRealHeader()
{
  std::printf(
    "\nReal recordings (first scanner's list L1 and fused list F, 0.5 m gate; false pedestrian\n"
    "entries and distinct false ids per minute of scored time; moving: share of returns marked\n"
    "moving, of all returns (driving) or of structure returns (at rest); near: the longest time\n"
    "one pedestrian stayed within 0.3 m of structure; open: pedestrian-seconds away from it)\n");
  std::printf(
    "%-36s %-9s %-16s | %7s %7s %6s %6s | %7s %7s %6s %6s | %7s %6s %8s | %7s\n", "recording",
    "detector", "profile", "L1 FP/m", "L1 id/m", "L1 wR", "L1 P", "F FP/m", "F id/m", "F wR", "F P",
    "moving", "near s", "open p-s", "cost ms");
}

void printRealRun(const Run & r)
{
  std::printf("%-36s %-9s %-16s |", r.scenario.c_str(), r.detector.c_str(), r.profile.c_str());
  for (const char * topic : REAL_TOPICS) {
    const auto scored = std::find_if(
      r.topics.begin(), r.topics.end(), [&](const auto & t) { return t.first == rowTopic(topic); });
    if (scored == r.topics.end()) {
      std::printf(" %7s %7s %6s %6s |", "-", "-", "-", "-");
      continue;
    }
    const GateScores & g = scored->second.gates.at(0);
    std::printf(
      " %7.1f %7.2f %6s %6s |", g.false_positives_per_minute, g.false_positive_ids_per_minute,
      fixed3(g.walking.recall).c_str(), fixed3(g.precision).c_str());
  }
  const auto & real = *r.real;
  const auto first = real.structure.find(rowTopic(REAL_TOPICS[0]));
  const bool at_rest = first != real.structure.end();
  std::printf(
    " %6.2f%% %6s %8s | %7.2f\n", 100.0 * real.moving_share,
    at_rest ? fixed3(first->second.longest_pedestrian_near_structure_s).c_str() : "-",
    at_rest ? fixed3(first->second.pedestrian_seconds_in_open_area).c_str() : "-",
    r.cost_median_ms);
  std::fflush(stdout);
}

Run runRecording(
  const RealRecording & recording, bool geometric, const std::optional<ScannerProfile> & profile)
{
  restartRosWith("", profile);
  MovingTally tally;
  if (!recording.driving) {
    for (const auto & [topic, scans] : recording.scans) {
      tally.structures.emplace(topic, StaticStructure(scans));
    }
  }
  BagReplayOptions options;
  options.nodes.geometric_detector = geometric;
  options.nodes.on_detector_output =
    [&tally](const std::string & topic, const auto & scan, const auto & moving, const auto &) {
      tally.add(topic, scan, moving);
    };
  const BagReplay replay = replayBag(recording.bag, options);

  Run run{
    recording.name,
    "real",
    geometric ? "geometric" : "closed",
    "defaults",
    profile ? profile->name : NO_PROFILE,
    {},
    processingMedian(replay.outputs),
    0.0,
    RealFigures{},
    {}};
  if (recording.truth) {
    for (auto & [topic, result] : evaluateReplay(*recording.truth, replay.outputs, "")) {
      if (result.lists_scored > 0) {
        run.topics.emplace_back(topic, std::move(result));
      }
    }
  }
  run.real->moving_share =
    tally.returns > 0 ? static_cast<double>(tally.moving) / static_cast<double>(tally.returns)
                      : std::nan("");
  run.real->moving_share_of = recording.driving ? "all_returns" : "structure_returns";
  if (!recording.driving) {
    const std::vector<PlanarVector> structure = structureInOdom(recording, tally);
    for (const char * topic : REAL_TOPICS) {
      run.real->structure[rowTopic(topic)] =
        structureFigures(recording, structure, scoredLists(replay.outputs, topic));
    }
  }
  return run;
}

}  // namespace

bool runRealRecordings(
  const fs::path & folder, const std::vector<bool> & geometric, std::ofstream & csv)
{
  const std::vector<RealRecording> recordings = findRealRecordings(folder);
  printRealHeader();
  for (const RealRecording & recording : recordings) {
    const std::optional<ScannerProfile> profiles[] = {std::nullopt, suggestedProfile(recording)};
    std::vector<sensor_msgs::msg::LaserScan> all_scans;
    for (const auto & [topic, scans] : recording.scans) {
      all_scans.insert(all_scans.end(), scans.begin(), scans.end());
    }
    const double bare_ms = median(bareClusteringMilliseconds(all_scans));
    for (const bool g : geometric) {
      for (const auto & profile : profiles) {
        if (!rclcpp::ok()) {
          return false;
        }
        Run run = runRecording(recording, g, profile);
        if (!rclcpp::ok()) {
          return false;  // cut short: not scored
        }
        run.bare_median_ms = bare_ms;
        printRealRun(run);
        writeCsvRows(csv, run);
      }
    }
  }
  return true;
}

}  // namespace quillon_tools
