#ifndef QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_
#define QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_

#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation.hpp"

namespace quillon_tools
{

// A fixed-width text table, one row per (topic, result), followed by a note for every topic
// that had lists or detections left out. Undefined values print as "-".
std::string formatTable(const std::vector<std::pair<std::string, EvaluationResult>> & rows);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_
