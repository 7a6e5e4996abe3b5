#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SPELLING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SPELLING_HPP_

#include <optional>
#include <string>
#include <vector>

namespace quillon_dynamic_detector
{
namespace check_params
{

// The candidate nearest to `word` in edits (insert, delete, replace, swap of neighbours) when it
// is near enough to be a misspelling of it: at most one edit per four characters, at least one.
std::optional<std::string> closestSpelling(
  const std::string & word, const std::vector<std::string> & candidates);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SPELLING_HPP_
