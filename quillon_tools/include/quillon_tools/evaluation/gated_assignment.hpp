#ifndef QUILLON_TOOLS__EVALUATION__GATED_ASSIGNMENT_HPP_
#define QUILLON_TOOLS__EVALUATION__GATED_ASSIGNMENT_HPP_

#include <vector>

namespace quillon_tools
{

constexpr int NO_MATCH = -1;

// Optimal one-to-one matching of rows to columns of `distances` (rows x columns, all rows the
// same length) using only pairs with distance <= `gate`: as many pairs as possible, and among
// those the least total distance. Returns the matched column of each row or NO_MATCH.
// Deterministic: equal-cost choices always resolve the same way for the same input.
std::vector<int> gatedAssignment(const std::vector<std::vector<double>> & distances, double gate);

// Minimum-cost perfect matching of a square cost matrix (Hungarian method with row and column
// potentials, O(n^3)): the column of each row.
std::vector<std::size_t> minimumCostMatching(const std::vector<std::vector<double>> & cost);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__GATED_ASSIGNMENT_HPP_
