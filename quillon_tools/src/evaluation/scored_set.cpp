#include "quillon_tools/evaluation/scored_set.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace quillon_tools
{
namespace
{

// In view since before the truth can tell: nothing known limits what the scanner sees.
constexpr int64_t NO_VIEW_LIMIT = std::numeric_limits<int64_t>::min();

double distance(const PlanarVector & a, const PlanarVector & b)
{
  return std::hypot(a.x - b.x, a.y - b.y);
}

// A frame of an unknown scanner may be any scanner's scan, so it counts for each.
bool isSampleOf(const TruthFrame & frame, const std::string & scanner)
{
  return frame.scanner_frame.empty() || frame.scanner_frame == scanner;
}

// Whether the scanner's scan in `frame` can show `person`; nullopt when the truth knows neither
// the scanner's view nor the person's returns in this scan.
std::optional<bool> inView(
  const TruthFrame & frame, const std::string & scanner, const Pose2D & mount,
  const ScannerView * view, const PersonState & person, int32_t min_beams)
{
  const bool beams_known = frame.scanner_frame == scanner && person.beams >= 0;
  if (view == nullptr && !beams_known) {
    return std::nullopt;
  }
  if (beams_known && person.beams < min_beams) {
    return false;
  }
  if (view == nullptr) {
    return true;
  }
  const PlanarVector seen = pointIntoFrame(composePoses(frame.robot, mount), {person.x, person.y});
  return std::hypot(seen.x, seen.y) <= view->range_max &&
         std::abs(std::atan2(seen.y, seen.x)) <= 0.5 * view->fov;
}

}  // namespace

ScoredSet::ScoredSet(const GroundTruth & truth, const EvaluationOptions & options)
: options_(options)
{
  for (const auto & mount : truth.mounts) {
    scanners_.emplace(mount.first, timeline(truth, mount.first));
  }
}

ScoredSet::ScannerTimeline ScoredSet::timeline(
  const GroundTruth & truth, const std::string & scanner) const
{
  ScannerTimeline line;
  line.mount = truth.mounts.at(scanner);
  const auto view = truth.views.find(scanner);
  const ScannerView * known_view = view == truth.views.end() ? nullptr : &view->second;
  std::map<int32_t, int64_t> previous;
  for (const auto & frame : truth.frames) {
    if (!isSampleOf(frame, scanner)) {
      continue;
    }
    std::map<int32_t, int64_t> current;
    std::set<int32_t> out_of_view;
    for (const auto & person : frame.people) {
      const auto seen = inView(frame, scanner, line.mount, known_view, person, options_.min_beams);
      if (seen.has_value() && !*seen) {
        out_of_view.insert(person.id);
        continue;
      }
      const auto before = previous.find(person.id);
      current[person.id] = before != previous.end() ? before->second
                           : seen.has_value()       ? frame.stamp_ns
                                                    : NO_VIEW_LIMIT;
    }
    line.stamps.push_back(frame.stamp_ns);
    line.in_view_since.push_back(current);
    line.out_of_view.push_back(std::move(out_of_view));
    previous = std::move(current);
  }
  return line;
}

std::vector<ScoredSet::Viewpoint> ScoredSet::viewpoints(const std::string & list_frame) const
{
  if (list_frame != ROBOT_FRAME) {
    const auto scanner = scanners_.find(list_frame);
    if (scanner == scanners_.end()) {
      return {};
    }
    return {{&scanner->second, {0.0, 0.0}}};
  }
  if (scanners_.empty()) {
    return {{nullptr, {0.0, 0.0}}};
  }
  std::vector<Viewpoint> all;
  for (const auto & [frame_id, scanner] : scanners_) {
    all.push_back({&scanner, {scanner.mount.x, scanner.mount.y}});
  }
  return all;
}

bool ScoredSet::inViewLongEnough(
  const ScannerTimeline & scanner, int64_t stamp_ns, int32_t person) const
{
  const auto after = std::upper_bound(scanner.stamps.begin(), scanner.stamps.end(), stamp_ns);
  if (after == scanner.stamps.begin()) {
    return false;  // the scanner has not scanned yet
  }
  const auto latest = static_cast<std::size_t>(after - scanner.stamps.begin()) - 1;
  const auto since = scanner.in_view_since[latest].find(person);
  if (since == scanner.in_view_since[latest].end()) {
    return false;
  }
  const int64_t required_ns = std::llround(options_.min_time_in_view_s * 1e9);
  return since->second == NO_VIEW_LIMIT || scanner.stamps[latest] - since->second > required_ns;
}

bool ScoredSet::scores(
  const std::string & list_frame, int64_t stamp_ns, const PersonInFrame & person) const
{
  for (const Viewpoint & viewpoint : viewpoints(list_frame)) {
    if (
      distance(person.position, viewpoint.origin) <= options_.max_range_m &&
      (viewpoint.scanner == nullptr || inViewLongEnough(*viewpoint.scanner, stamp_ns, person.id))) {
      return true;
    }
  }
  return false;
}

double ScoredSet::longestOutOfSight(int32_t person, int64_t from_ns, int64_t to_ns) const
{
  // Every scanner's frames in the span as (stamp, out of view), in stamp order.
  std::vector<std::pair<int64_t, bool>> frames;
  for (const auto & [frame_id, scanner] : scanners_) {
    const auto first = std::lower_bound(scanner.stamps.begin(), scanner.stamps.end(), from_ns);
    const auto last = std::upper_bound(first, scanner.stamps.end(), to_ns);
    for (auto it = first; it != last; ++it) {
      const auto index = static_cast<std::size_t>(it - scanner.stamps.begin());
      frames.emplace_back(*it, scanner.out_of_view[index].count(person) != 0);
    }
  }
  std::stable_sort(
    frames.begin(), frames.end(), [](const auto & a, const auto & b) { return a.first < b.first; });
  int64_t longest_ns = 0;
  std::optional<int64_t> run_start;
  for (const auto & [stamp, out_of_view] : frames) {
    if (!out_of_view) {
      run_start.reset();
    } else {
      run_start = run_start.value_or(stamp);
      longest_ns = std::max(longest_ns, stamp - *run_start);
    }
  }
  return 1e-9 * static_cast<double>(longest_ns);
}

bool ScoredSet::inRange(const std::string & list_frame, const PlanarVector & point) const
{
  return scannerDistance(list_frame, point) <= options_.max_range_m;
}

double ScoredSet::scannerDistance(const std::string & list_frame, const PlanarVector & point) const
{
  double nearest = std::numeric_limits<double>::infinity();
  for (const Viewpoint & viewpoint : viewpoints(list_frame)) {
    nearest = std::min(nearest, distance(point, viewpoint.origin));
  }
  return nearest;
}

}  // namespace quillon_tools
