#ifndef QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_
#define QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_

#include <string>
#include <utility>
#include <vector>

#include "quillon_tools/evaluation/evaluation.hpp"

namespace quillon_tools
{

// A fixed-width text table with one block per gate ("Matched within 0.5 m", ...). Each block
// has a row per (topic, result), followed by its walking and standing people; the first block
// also shows latency. A note follows for every topic that had lists or detections left out.
// Undefined values print as "-"; cells that do not apply to a row stay blank.
std::string formatTable(const std::vector<std::pair<std::string, EvaluationResult>> & rows);

// A value as the table prints it: `decimals` after the point, "-" when undefined.
std::string tableNumber(double value, int decimals);

// A few lines saying who is scored under `options` and what the columns mean.
std::string scoringLegend(const EvaluationOptions & options);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__REPORT_TABLE_HPP_
