#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FINDING_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FINDING_HPP_

#include <string>

namespace quillon_dynamic_detector
{
namespace check_params
{

enum class Severity
{
  warning,
  error
};

// One thing wrong with a file, at a line (1-based; 0 when it concerns the whole file).
struct Finding
{
  int line = 0;
  Severity severity = Severity::error;
  std::string text;
};

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__FINDING_HPP_
