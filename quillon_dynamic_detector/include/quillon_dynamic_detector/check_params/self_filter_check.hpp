#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SELF_FILTER_CHECK_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SELF_FILTER_CHECK_HPP_

#include <vector>

#include "quillon_dynamic_detector/check_params/finding.hpp"
#include "quillon_dynamic_detector/check_params/schema_check.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// Each self-filter list among trailscan's `keys` (the last one of a name) read as trailscan reads
// it: an outline or angle ranges it would refuse are reported at the key's line, every key on its
// own, since start-up stops at the first. A refusal already among `findings` at that line is
// not reported again; lists that are no lists of numbers are left to the schema check.
void checkSelfFilterLists(const std::vector<SetKey> & keys, std::vector<Finding> & findings);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SELF_FILTER_CHECK_HPP_
