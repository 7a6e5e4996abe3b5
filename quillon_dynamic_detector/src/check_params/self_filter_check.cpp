#include "quillon_dynamic_detector/check_params/self_filter_check.hpp"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "quillon_dynamic_detector/check_params/value_rules.hpp"
#include "quillon_dynamic_detector/self_filter_config.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

// Why trailscan would refuse the list `numbers` for the self-filter key `name`, if it would.
std::optional<std::string> refusal(const std::string & name, const std::vector<double> & numbers)
{
  try {
    if (name == "self_filter.footprint") {
      footprintFromValues(name, numbers);
    } else {
      angleRangesFromValues(name, numbers);
    }
  } catch (const std::invalid_argument & e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

bool reported(const std::vector<Finding> & findings, int line, const std::string & text)
{
  for (const Finding & finding : findings) {
    if (finding.line == line && finding.text.find(text) != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

void checkSelfFilterLists(const std::vector<SetKey> & keys, std::vector<Finding> & findings)
{
  std::map<std::string, const SetKey *> last;
  for (const SetKey & key : keys) {
    if (
      key.name == "self_filter.footprint" || key.name == "self_filter.scan1_angle_ranges" ||
      key.name == "self_filter.scan2_angle_ranges") {
      last[key.name] = &key;
    }
  }
  for (const auto & [name, key] : last) {
    const ReadValue value = rosParameterValue(key->value);
    const auto * list = std::get_if<TypedValue>(&value);
    if (list == nullptr || !list->list || list->type != ValueType::number) {
      continue;
    }
    const auto text = refusal(name, list->numbers);
    if (text && !reported(findings, key->line, *text)) {
      findings.push_back({key->line, Severity::error, *text});
    }
  }
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
