#ifndef QUILLON_DYNAMIC_DETECTOR__CLOSEST_SPELLING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLOSEST_SPELLING_HPP_

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace quillon_dynamic_detector
{

// Optimal string alignment distance: Levenshtein plus the swap of two neighbours, the commonest
// typing slip.
inline std::size_t editDistance(const std::string & a, const std::string & b)
{
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) {
    d[i][0] = i;
  }
  for (std::size_t j = 0; j <= b.size(); ++j) {
    d[0][j] = j;
  }
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// The candidate nearest to `word` in edits (insert, delete, replace, swap of neighbours) when it
// is near enough to be a misspelling of it: at most one edit per four characters, at least one.
// Header-only, so that trailmerge, which links no library of this package, names them too.
inline std::optional<std::string> closestSpelling(
  const std::string & word, const std::vector<std::string> & candidates)
{
  const std::size_t allowed = std::max<std::size_t>(1, word.size() / 4);
  std::optional<std::string> best;
  std::size_t best_distance = allowed + 1;
  for (const std::string & candidate : candidates) {
    const std::size_t distance = editDistance(word, candidate);
    if (distance < best_distance) {
      best_distance = distance;
      best = candidate;
    }
  }
  return best;
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLOSEST_SPELLING_HPP_
