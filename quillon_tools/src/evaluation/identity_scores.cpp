#include "quillon_tools/evaluation/identity_scores.hpp"

#include <algorithm>
#include <limits>
#include <set>

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
  // Hungarian method on costs -weight over a square matrix padded with zeros (a padded pair is
  // no pair). Potentials u, v; way[] holds the augmenting path.
  const std::size_t rows = weights.size();
  const std::size_t columns = rows == 0 ? 0 : weights[0].size();
  const std::size_t n = std::max(rows, columns);
  auto cost = [&](std::size_t r, std::size_t c) -> int64_t {
    return r < rows && c < columns ? -weights[r][c] : 0;
  };
  const int64_t INF = std::numeric_limits<int64_t>::max() / 4;
  std::vector<int64_t> u(n + 1, 0);
  std::vector<int64_t> v(n + 1, 0);
  std::vector<std::size_t> row_of(n + 1, 0);  // column j (1-based) -> row (1-based), 0: free
  std::vector<std::size_t> way(n + 1, 0);
  for (std::size_t i = 1; i <= n; ++i) {
    row_of[0] = i;
    std::size_t j0 = 0;
    std::vector<int64_t> least(n + 1, INF);
    std::vector<bool> used(n + 1, false);
    do {
      used[j0] = true;
      const std::size_t i0 = row_of[j0];
      int64_t delta = INF;
      std::size_t j1 = 0;
      for (std::size_t j = 1; j <= n; ++j) {
        if (used[j]) {
          continue;
        }
        const int64_t reduced = cost(i0 - 1, j - 1) - u[i0] - v[j];
        if (reduced < least[j]) {
          least[j] = reduced;
          way[j] = j0;
        }
        if (least[j] < delta) {
          delta = least[j];
          j1 = j;
        }
      }
      for (std::size_t j = 0; j <= n; ++j) {
        if (used[j]) {
          u[row_of[j]] += delta;
          v[j] -= delta;
        } else {
          least[j] -= delta;
        }
      }
      j0 = j1;
    } while (row_of[j0] != 0);
    do {
      const std::size_t j1 = way[j0];
      row_of[j0] = row_of[j1];
      j0 = j1;
    } while (j0 != 0);
  }
  std::vector<int> assigned(rows, -1);
  for (std::size_t j = 1; j <= n; ++j) {
    const std::size_t r = row_of[j];
    if (r >= 1 && r <= rows && j <= columns && weights[r - 1][j - 1] > 0) {
      assigned[r - 1] = static_cast<int>(j - 1);
    }
  }
  return assigned;
}

}  // namespace quillon_tools
