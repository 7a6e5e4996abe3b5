#include "quillon_tools/evaluation/identity_scores.hpp"

#include <algorithm>
#include <limits>
#include <set>

#include "quillon_tools/evaluation/gated_assignment.hpp"

namespace quillon_tools
{

void IdentityTally::add(const IdentityFrame & frame)
{
  for (const auto & person : frame.people) {
    Together & frames = person_frames_[person.id];
    (person.standing ? frames.standing : frames.walking) += 1;
  }
  detections_ += static_cast<int64_t>(frame.detection_ids.size());
  // A person within the gate of two detections of one id counts once for that id.
  std::set<std::pair<int32_t, int32_t>> counted;
  for (const auto & [p, d] : frame.within_gate) {
    const int32_t output_id = frame.detection_ids[d];
    const auto & person = frame.people[p];
    if (output_id < 0 || !counted.insert({person.id, output_id}).second) {
      continue;
    }
    Together & frames = together_[{person.id, output_id}];
    (person.standing ? frames.standing : frames.walking) += 1;
  }
}

IdentityScores IdentityTally::summarise() const
{
  std::vector<int32_t> people;
  for (const auto & entry : person_frames_) {
    people.push_back(entry.first);
  }
  std::vector<int32_t> outputs;
  for (const auto & entry : together_) {
    outputs.push_back(entry.first.second);
  }
  std::sort(outputs.begin(), outputs.end());
  outputs.erase(std::unique(outputs.begin(), outputs.end()), outputs.end());
  std::vector<std::vector<int64_t>> weights(people.size(), std::vector<int64_t>(outputs.size()));
  for (const auto & [pair, frames] : together_) {
    const auto row = std::lower_bound(people.begin(), people.end(), pair.first) - people.begin();
    const auto column =
      std::lower_bound(outputs.begin(), outputs.end(), pair.second) - outputs.begin();
    weights[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
      frames.walking + frames.standing;
  }
  const std::vector<int> assigned = heaviestAssignment(weights);

  IdentityScores s;
  for (std::size_t row = 0; row < people.size(); ++row) {
    const Together & all = person_frames_.at(people[row]);
    Together matched;
    if (assigned[row] >= 0) {
      matched = together_.at({people[row], outputs[static_cast<std::size_t>(assigned[row])]});
    }
    s.idtp_walking += matched.walking;
    s.idtp_standing += matched.standing;
    s.idfn_walking += all.walking - matched.walking;
    s.idfn_standing += all.standing - matched.standing;
  }
  s.idtp = s.idtp_walking + s.idtp_standing;
  s.idfn = s.idfn_walking + s.idfn_standing;
  s.idfp = detections_ - s.idtp;
  const double denominator = static_cast<double>(2 * s.idtp + s.idfp + s.idfn);
  s.idf1 = denominator > 0.0 ? 2.0 * static_cast<double>(s.idtp) / denominator
                             : std::numeric_limits<double>::quiet_NaN();
  return s;
}

std::vector<int> heaviestAssignment(const std::vector<std::vector<int64_t>> & weights)
{
  // The cheapest perfect matching of the negated weights, padded square with zeros (a padded
  // pair is no pair); counts of frames are exact as doubles.
  const std::size_t rows = weights.size();
  const std::size_t columns = rows == 0 ? 0 : weights[0].size();
  const std::size_t n = std::max(rows, columns);
  std::vector<std::vector<double>> cost(n, std::vector<double>(n, 0.0));
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      cost[r][c] = -static_cast<double>(weights[r][c]);
    }
  }
  const std::vector<std::size_t> column_of_row = minimumCostMatching(cost);
  std::vector<int> assigned(rows, -1);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t c = column_of_row[r];
    if (c < columns && weights[r][c] > 0) {
      assigned[r] = static_cast<int>(c);
    }
  }
  return assigned;
}

}  // namespace quillon_tools
