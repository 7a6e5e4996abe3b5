#include "quillon_tools/evaluation/gated_assignment.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace quillon_tools
{
namespace
{

using Matrix = std::vector<std::vector<double>>;

// Square cost matrix for the Hungarian method. A forbidden pair costs more than any set of
// allowed pairs can add up to, so the optimum first maximises the number of allowed pairs;
// padding rows and columns cost nothing.
Matrix gatedCosts(const Matrix & distances, std::size_t columns, double gate)
{
  const std::size_t n = std::max(distances.size(), columns);
  const double forbidden = static_cast<double>(n) * std::max(gate, 0.0) + 1.0;
  Matrix cost(n, std::vector<double>(n, 0.0));
  for (std::size_t r = 0; r < distances.size(); ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      const double d = distances[r][c];
      cost[r][c] = (std::isfinite(d) && d <= gate) ? d : forbidden;
    }
  }
  return cost;
}

}  // namespace

std::vector<std::size_t> minimumCostMatching(const Matrix & cost)
{
  const std::size_t n = cost.size();
  const double inf = std::numeric_limits<double>::infinity();
  // 1-based internally; index 0 is the virtual column that starts each augmenting search.
  std::vector<double> row_potential(n + 1, 0.0);
  std::vector<double> column_potential(n + 1, 0.0);
  std::vector<std::size_t> row_of_column(n + 1, 0);
  std::vector<std::size_t> previous_column(n + 1, 0);
  for (std::size_t row = 1; row <= n; ++row) {
    row_of_column[0] = row;
    std::size_t column = 0;
    std::vector<double> slack(n + 1, inf);
    std::vector<bool> visited(n + 1, false);
    do {
      visited[column] = true;
      const std::size_t current_row = row_of_column[column];
      double delta = inf;
      std::size_t next_column = 0;
      for (std::size_t j = 1; j <= n; ++j) {
        if (visited[j]) {
          continue;
        }
        const double reduced =
          cost[current_row - 1][j - 1] - row_potential[current_row] - column_potential[j];
        if (reduced < slack[j]) {
          slack[j] = reduced;
          previous_column[j] = column;
        }
        if (slack[j] < delta) {
          delta = slack[j];
          next_column = j;
        }
      }
      for (std::size_t j = 0; j <= n; ++j) {
        if (visited[j]) {
          row_potential[row_of_column[j]] += delta;
          column_potential[j] -= delta;
        } else {
          slack[j] -= delta;
        }
      }
      column = next_column;
    } while (row_of_column[column] != 0);
    while (column != 0) {
      const std::size_t before = previous_column[column];
      row_of_column[column] = row_of_column[before];
      column = before;
    }
  }
  std::vector<std::size_t> column_of_row(n, 0);
  for (std::size_t j = 1; j <= n; ++j) {
    column_of_row[row_of_column[j] - 1] = j - 1;
  }
  return column_of_row;
}

std::vector<int> gatedAssignment(const Matrix & distances, double gate)
{
  const std::size_t rows = distances.size();
  const std::size_t columns = rows == 0 ? 0 : distances.front().size();
  for (const auto & row : distances) {
    if (row.size() != columns) {
      throw std::invalid_argument("gatedAssignment: rows of the distance matrix differ in length");
    }
  }
  std::vector<int> matched(rows, NO_MATCH);
  if (rows == 0 || columns == 0) {
    return matched;
  }
  const std::vector<std::size_t> column_of_row =
    minimumCostMatching(gatedCosts(distances, columns, gate));
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t c = column_of_row[r];
    if (c < columns && std::isfinite(distances[r][c]) && distances[r][c] <= gate) {
      matched[r] = static_cast<int>(c);
    }
  }
  return matched;
}

}  // namespace quillon_tools
