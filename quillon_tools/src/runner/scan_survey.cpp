#include "quillon_tools/runner/scan_survey.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_reader.hpp"
#include "sensor_msgs/msg/laser_scan.hpp"

namespace quillon_tools
{
namespace
{

constexpr double UNDEFINED = std::numeric_limits<double>::quiet_NaN();

double median(std::vector<double> values)
{
  if (values.empty()) {
    return UNDEFINED;
  }
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

double share(uint64_t count, uint64_t total)
{
  return total > 0 ? static_cast<double>(count) / static_cast<double>(total) : UNDEFINED;
}

// Running sums of one topic.
struct TopicTally
{
  std::vector<int64_t> stamps_ns;
  std::map<uint32_t, uint64_t> beam_counts;
  std::vector<double> increments, fields, range_mins, range_maxs, time_increments;
  uint64_t zeros = 0, nans = 0, infinities = 0, negatives = 0, below_min = 0;
};

void add(const sensor_msgs::msg::LaserScan & scan, TopicTally & t, ScanSurvey & s)
{
  ++s.scans;
  t.stamps_ns.push_back(stampNanoseconds(scan.header.stamp));
  ++t.beam_counts[static_cast<uint32_t>(scan.ranges.size())];
  t.increments.push_back(scan.angle_increment);
  t.fields.push_back(static_cast<double>(scan.angle_max) - scan.angle_min);
  t.range_mins.push_back(scan.range_min);
  t.range_maxs.push_back(scan.range_max);
  t.time_increments.push_back(scan.time_increment);
  for (const float r : scan.ranges) {
    t.zeros += r == 0.0f ? 1 : 0;
    t.nans += std::isnan(r) ? 1 : 0;
    t.infinities += r == INFINITY ? 1 : 0;
    t.negatives += r < 0.0f ? 1 : 0;  // -inf included
    t.below_min += r > 0.0f && r < scan.range_min ? 1 : 0;
  }
  s.readings += scan.ranges.size();
}

double medianPeriod(std::vector<int64_t> stamps_ns)
{
  std::sort(stamps_ns.begin(), stamps_ns.end());
  std::vector<double> periods;
  for (std::size_t i = 1; i < stamps_ns.size(); ++i) {
    if (stamps_ns[i] > stamps_ns[i - 1]) {
      periods.push_back(static_cast<double>(stamps_ns[i] - stamps_ns[i - 1]) * 1e-9);
    }
  }
  return median(periods);
}

void summarise(const TopicTally & t, ScanSurvey & s)
{
  s.median_period_s = medianPeriod(t.stamps_ns);
  s.rate_hz = s.median_period_s > 0.0 ? 1.0 / s.median_period_s : UNDEFINED;
  const auto most = std::max_element(
    t.beam_counts.begin(), t.beam_counts.end(),
    [](const auto & a, const auto & b) { return a.second < b.second; });
  s.beams = most == t.beam_counts.end() ? 0 : most->first;
  s.angle_increment_rad = median(t.increments);
  s.field_of_view_rad = median(t.fields);
  s.range_min_m = median(t.range_mins);
  s.range_max_m = median(t.range_maxs);
  s.time_increment_s = median(t.time_increments);
  s.zero_share = share(t.zeros, s.readings);
  s.nan_share = share(t.nans, s.readings);
  s.infinite_share = share(t.infinities, s.readings);
  s.negative_share = share(t.negatives, s.readings);
  s.below_range_min_share = share(t.below_min, s.readings);
}

}  // namespace

std::vector<ScanSurvey> surveyLaserScans(const std::filesystem::path & bag)
{
  BagReader reader;
  reader.open(bag);
  std::vector<std::string> topics;
  for (const auto & topic : reader.topics()) {
    if (topic.type == rosidl_generator_traits::name<sensor_msgs::msg::LaserScan>()) {
      topics.push_back(topic.name);
    }
  }
  std::vector<ScanSurvey> surveys(topics.size());
  std::vector<TopicTally> tallies(topics.size());
  if (topics.empty()) {
    return surveys;
  }
  reader.setTopicFilter(topics);
  BagMessage message;
  while (reader.readNext(message)) {
    const auto i = static_cast<std::size_t>(
      std::find(topics.begin(), topics.end(), message.topic) - topics.begin());
    try {
      add(deserialize<sensor_msgs::msg::LaserScan>(message), tallies[i], surveys[i]);
    } catch (const BagError &) {
      ++surveys[i].unreadable;
    }
  }
  for (std::size_t i = 0; i < topics.size(); ++i) {
    surveys[i].topic = topics[i];
    summarise(tallies[i], surveys[i]);
  }
  return surveys;
}

}  // namespace quillon_tools
