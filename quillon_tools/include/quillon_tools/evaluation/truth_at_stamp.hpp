#ifndef QUILLON_TOOLS__EVALUATION__TRUTH_AT_STAMP_HPP_
#define QUILLON_TOOLS__EVALUATION__TRUTH_AT_STAMP_HPP_

#include <cstdint>
#include <optional>

#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

constexpr int64_t DEFAULT_TRUTH_TOLERANCE_NS = 60000000;  // 60 ms

// The truth frame nearest to `stamp_ns` (the earlier one on a tie), advanced linearly to that
// exact stamp, or nullopt when no frame lies within `tolerance_ns`.
std::optional<TruthFrame> truthAtStamp(
  const GroundTruth & truth, int64_t stamp_ns, int64_t tolerance_ns = DEFAULT_TRUTH_TOLERANCE_NS);

// `frame` moved to `stamp_ns` at its constant velocities (robot and people).
TruthFrame advanceTruthFrame(const TruthFrame & frame, int64_t stamp_ns);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__TRUTH_AT_STAMP_HPP_
