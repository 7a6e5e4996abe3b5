#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <stdexcept>

#include "quillon_tools/evaluation/gated_assignment.hpp"

namespace quillon_tools
{
namespace
{

using Matrix = std::vector<std::vector<double>>;

// Number of pairs and total distance of an assignment.
std::pair<int, double> quality(const Matrix & distances, const std::vector<int> & match)
{
  int pairs = 0;
  double total = 0.0;
  for (std::size_t r = 0; r < match.size(); ++r) {
    if (match[r] != NO_MATCH) {
      ++pairs;
      total += distances[r][static_cast<std::size_t>(match[r])];
    }
  }
  return {pairs, total};
}

// Best (most pairs, then least total) over every injective map of rows into columns or none.
std::pair<int, double> bruteForceBest(const Matrix & distances, double gate)
{
  const std::size_t rows = distances.size();
  const std::size_t columns = distances.front().size();
  std::vector<int> slots(columns + rows, NO_MATCH);
  std::iota(slots.begin(), slots.begin() + static_cast<long>(columns), 0);
  std::sort(slots.begin(), slots.end());
  std::pair<int, double> best{0, 0.0};
  do {
    std::vector<int> match(slots.begin(), slots.begin() + static_cast<long>(rows));
    bool allowed = true;
    for (std::size_t r = 0; r < rows; ++r) {
      allowed = allowed &&
                (match[r] == NO_MATCH || distances[r][static_cast<std::size_t>(match[r])] <= gate);
    }
    const auto q = quality(distances, match);
    if (allowed && (q.first > best.first || (q.first == best.first && q.second < best.second))) {
      best = q;
    }
  } while (std::next_permutation(slots.begin(), slots.end()));
  return best;
}

TEST(GatedAssignment, PrefersMorePairsThenLessDistance)
{
  // Greedy would take (0, 0) and leave row 1 without a partner inside the gate.
  EXPECT_EQ(gatedAssignment({{0.1, 0.2}, {0.15, 0.6}}, 0.5), (std::vector<int>{1, 0}));
  // 0.2 + 0.2 beats 0.1 + 0.45.
  EXPECT_EQ(gatedAssignment({{0.1, 0.2}, {0.2, 0.45}}, 0.5), (std::vector<int>{1, 0}));
  // Pairs beyond the gate are never made, whatever the shape.
  EXPECT_EQ(gatedAssignment({{0.7, 0.3, 0.9}}, 0.5), (std::vector<int>{1}));
  EXPECT_EQ(gatedAssignment({{0.7}, {0.6}, {0.51}}, 0.5), (std::vector<int>(3, NO_MATCH)));
  EXPECT_EQ(gatedAssignment({{}, {}}, 0.5), (std::vector<int>(2, NO_MATCH)));
  EXPECT_TRUE(gatedAssignment({}, 0.5).empty());
  EXPECT_THROW(gatedAssignment({{0.1, 0.2}, {0.3}}, 0.5), std::invalid_argument);

  const Matrix ties = {{0.3, 0.3}, {0.3, 0.3}};
  EXPECT_EQ(gatedAssignment(ties, 0.5), gatedAssignment(ties, 0.5));
  EXPECT_EQ(quality(ties, gatedAssignment(ties, 0.5)).first, 2);
}

TEST(GatedAssignment, MatchesExhaustiveSearchOnRandomScenes)
{
  std::mt19937 generator(17);
  std::uniform_real_distribution<double> distance(0.0, 1.0);
  std::uniform_int_distribution<int> size(1, 5);
  for (int trial = 0; trial < 300; ++trial) {
    Matrix distances(static_cast<std::size_t>(size(generator)));
    const auto columns = static_cast<std::size_t>(size(generator));
    for (auto & row : distances) {
      for (std::size_t c = 0; c < columns; ++c) {
        row.push_back(distance(generator));
      }
    }
    const auto match = gatedAssignment(distances, 0.5);
    const auto expected = bruteForceBest(distances, 0.5);
    const auto found = quality(distances, match);
    ASSERT_EQ(found.first, expected.first) << "trial " << trial;
    ASSERT_NEAR(found.second, expected.second, 1e-12) << "trial " << trial;
    std::vector<int> used;
    for (std::size_t r = 0; r < match.size(); ++r) {
      const int c = match[r];
      if (c != NO_MATCH) {
        ASSERT_LE(distances[r][static_cast<std::size_t>(c)], 0.5) << "trial " << trial;
        used.push_back(c);
      }
    }
    std::sort(used.begin(), used.end());
    ASSERT_EQ(std::adjacent_find(used.begin(), used.end()), used.end()) << "trial " << trial;
  }
}

}  // namespace
}  // namespace quillon_tools
