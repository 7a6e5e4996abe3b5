#ifndef QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_
#define QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_

#include <vector>

#include "quillon_tools/evaluation/evaluation_options.hpp"
#include "quillon_tools/evaluation/evaluation_result.hpp"
#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/ground_truth.hpp"

namespace quillon_tools
{

// Scores the lists of one topic (in publication order) against `truth`. Each list is scored in
// its header frame against the truth nearest in stamp; lists in a frame that is neither
// "base_footprint" nor a mounted scanner, or with no truth near their stamp, are only counted.
// Under each gate, every truth person takes part in an optimal matching with the list's
// pedestrian objects, and only the people of the scored set (ScoredSet) count: an object matched
// to anybody else is neither a true nor a false positive, and an unmatched object is a false
// positive only within range of the list's scanner and outside the regions its truth ignores.
// Throws std::invalid_argument when a list's ids are neither empty nor parallel to its objects.
EvaluationResult evaluate(
  const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const EvaluationOptions & options = {});

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__EVALUATION_HPP_
