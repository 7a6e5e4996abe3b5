#include "quillon_tools/evaluation/report_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace quillon_tools
{
namespace
{

constexpr int TOPIC_WIDTH_MIN = 5;

std::string fixed(double value, int decimals)
{
  if (!std::isfinite(value)) {
    return "-";
  }
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string padLeft(const std::string & text, std::size_t width)
{
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string padRight(const std::string & text, std::size_t width)
{
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

struct Column
{
  const char * heading;
  std::size_t width;
};

// Heading and width of every numeric column, in the order of cells().
const std::vector<Column> & columns()
{
  static const std::vector<Column> all = {
    {"frames", 7}, {"GT", 6},       {"TP", 6},     {"FP", 6},        {"FN", 6},
    {"IDSW", 5},   {"prec", 6},     {"recall", 6}, {"F1", 6},        {"MOTA", 6},
    {"pos[m]", 7}, {"vel[m/s]", 8}, {"FPfurn", 6}, {"lat50[ms]", 9}, {"latmax[ms]", 10}};
  return all;
}

std::vector<std::string> cells(const EvaluationResult & r)
{
  return {
    std::to_string(r.lists_scored),
    std::to_string(r.ground_truth),
    std::to_string(r.true_positives),
    std::to_string(r.false_positives),
    std::to_string(r.false_negatives),
    std::to_string(r.id_switches),
    fixed(r.precision, 3),
    fixed(r.recall, 3),
    fixed(r.f1, 3),
    fixed(r.mota, 3),
    fixed(r.mean_position_error_m, 3),
    fixed(r.mean_velocity_error_mps, 3),
    std::to_string(r.false_positives_on_furniture),
    fixed(r.latency_median_ms, 1),
    fixed(r.latency_max_ms, 1)};
}

std::string skippedNote(const std::string & topic, const EvaluationResult & r)
{
  if (r.lists_without_truth == 0 && r.lists_in_unknown_frame == 0 && r.detections_dropped == 0) {
    return "";
  }
  std::ostringstream note;
  note << "note: " << topic << ": not scored: " << r.lists_without_truth
       << " lists without truth near their stamp, " << r.lists_in_unknown_frame
       << " lists in an unknown frame, " << r.detections_dropped
       << " detections with non-finite values\n";
  return note.str();
}

}  // namespace

std::string formatTable(const std::vector<std::pair<std::string, EvaluationResult>> & rows)
{
  std::size_t topic_width = TOPIC_WIDTH_MIN;
  for (const auto & row : rows) {
    topic_width = std::max(topic_width, row.first.size());
  }
  std::ostringstream table;
  table << padRight("topic", topic_width);
  std::size_t line_width = topic_width;
  for (const auto & column : columns()) {
    table << ' ' << padLeft(column.heading, column.width);
    line_width += 1 + column.width;
  }
  table << '\n' << std::string(line_width, '-') << '\n';
  std::string notes;
  for (const auto & [topic, result] : rows) {
    table << padRight(topic, topic_width);
    const auto values = cells(result);
    for (std::size_t i = 0; i < values.size(); ++i) {
      table << ' ' << padLeft(values[i], columns()[i].width);
    }
    table << '\n';
    notes += skippedNote(topic, result);
  }
  return table.str() + notes;
}

}  // namespace quillon_tools
