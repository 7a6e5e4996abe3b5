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

constexpr int TOPIC_WIDTH_MIN = 10;  // room for the people rows' labels

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

// The columns of every gate's block, in the order of topicCells() and peopleCells().
const std::vector<Column> & gateColumns()
{
  static const std::vector<Column> all = {
    {"frames", 6},  {"GT", 6},       {"TP", 6},     {"FP", 6},     {"FN", 6},
    {"IDSW", 4},    {"IDSW/min", 8}, {"prec", 5},   {"recall", 6}, {"MOTA", 6},
    {"MOTP[m]", 7}, {"vel[m/s]", 8}, {"FPfurn", 6}, {"IDF1", 5}};
  return all;
}

// Latency does not depend on the gate: only the first block shows it.
const std::vector<Column> & latencyColumns()
{
  static const std::vector<Column> all = {{"lat50[ms]", 9}, {"latmax[ms]", 10}};
  return all;
}

std::vector<std::string> topicCells(const EvaluationResult & r, const GateScores & g)
{
  return {
    std::to_string(r.lists_scored),
    std::to_string(g.all.ground_truth),
    std::to_string(g.all.true_positives),
    std::to_string(g.false_positives),
    std::to_string(g.all.false_negatives),
    std::to_string(g.all.id_switches),
    tableNumber(g.all.id_switches_per_minute, 2),
    tableNumber(g.precision, 3),
    tableNumber(g.all.recall, 3),
    tableNumber(g.mota, 3),
    tableNumber(g.all.motp_m, 3),
    tableNumber(g.all.mean_velocity_error_mps, 3),
    std::to_string(g.false_positives_on_furniture),
    tableNumber(g.identity.idf1, 3)};
}

// False positives belong to nobody: the cells that count them stay blank (MOTA takes them in).
std::vector<std::string> peopleCells(const PeopleScores & p)
{
  return {
    "",
    std::to_string(p.ground_truth),
    std::to_string(p.true_positives),
    "",
    std::to_string(p.false_negatives),
    std::to_string(p.id_switches),
    tableNumber(p.id_switches_per_minute, 2),
    "",
    tableNumber(p.recall, 3),
    tableNumber(p.mota, 3),
    tableNumber(p.motp_m, 3),
    tableNumber(p.mean_velocity_error_mps, 3),
    "",
    ""};
}

std::vector<std::string> latencyCells(const EvaluationResult & r)
{
  return {tableNumber(r.latency_median_ms, 1), tableNumber(r.latency_max_ms, 1)};
}

// A result that lacks a gate shows it as undefined.
GateScores gateOf(const EvaluationResult & r, std::size_t g)
{
  if (g < r.gates.size()) {
    return r.gates[g];
  }
  const double undefined = std::nan("");
  GateScores missing;
  for (PeopleScores * p : {&missing.all, &missing.walking, &missing.standing}) {
    p->recall = p->motp_m = p->mean_velocity_error_mps = p->id_switches_per_minute = undefined;
  }
  missing.precision = missing.f1 = missing.mota = missing.identity.idf1 = undefined;
  return missing;
}

class TableWriter
{
public:
  TableWriter(std::size_t label_width, bool with_latency)
  : label_width_(label_width), with_latency_(with_latency)
  {
  }

  void heading()
  {
    std::vector<std::string> headings;
    for (const auto & column : columns()) {
      headings.push_back(column.heading);
    }
    row("topic", headings);
    std::size_t width = label_width_;
    for (const auto & column : columns()) {
      width += 1 + column.width;
    }
    text_ << std::string(width, '-') << '\n';
  }

  void row(const std::string & label, const std::vector<std::string> & cells)
  {
    std::string line = padRight(label, label_width_);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      line += ' ' + padLeft(cells[i], columns()[i].width);
    }
    text_ << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
  }

  std::string text() const { return text_.str(); }

private:
  std::vector<Column> columns() const
  {
    std::vector<Column> all = gateColumns();
    if (with_latency_) {
      all.insert(all.end(), latencyColumns().begin(), latencyColumns().end());
    }
    return all;
  }

  std::size_t label_width_;
  bool with_latency_;
  std::ostringstream text_;
};

std::string gateBlock(
  const std::vector<std::pair<std::string, EvaluationResult>> & rows, std::size_t gate,
  std::size_t label_width)
{
  TableWriter table(label_width, gate == 0);
  table.heading();
  for (const auto & [topic, result] : rows) {
    const GateScores g = gateOf(result, gate);
    auto cells = topicCells(result, g);
    if (gate == 0) {
      const auto latency = latencyCells(result);
      cells.insert(cells.end(), latency.begin(), latency.end());
    }
    table.row(topic, cells);
    table.row("  walking", peopleCells(g.walking));
    table.row("  standing", peopleCells(g.standing));
  }
  return table.text();
}

std::string gateTitle(
  const std::vector<std::pair<std::string, EvaluationResult>> & rows, std::size_t g)
{
  for (const auto & row : rows) {
    if (g < row.second.gates.size()) {
      char text[64];
      std::snprintf(text, sizeof(text), "Matched within %g m\n", row.second.gates[g].gate_m);
      return text;
    }
  }
  return "";
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

std::string tableNumber(double value, int decimals)
{
  if (!std::isfinite(value)) {
    return "-";
  }
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string formatTable(const std::vector<std::pair<std::string, EvaluationResult>> & rows)
{
  std::size_t label_width = TOPIC_WIDTH_MIN;
  std::size_t gates = 0;
  for (const auto & [topic, result] : rows) {
    label_width = std::max(label_width, topic.size());
    gates = std::max(gates, result.gates.size());
  }
  std::string table;
  for (std::size_t g = 0; g < std::max<std::size_t>(gates, 1); ++g) {
    table += (g == 0 ? "" : "\n") + gateTitle(rows, g) + gateBlock(rows, g, label_width);
  }
  for (const auto & [topic, result] : rows) {
    table += skippedNote(topic, result);
  }
  return table;
}

std::string scoringLegend(const EvaluationOptions & options)
{
  char text[1024];
  std::snprintf(
    text, sizeof(text),
    "Scored: people within %.1f m of the list's scanner (of either scanner for the fused list),\n"
    "inside its field of view, with at least %d returns in its scan and in view for more than\n"
    "%.1f s; a pedestrian object matched to anybody else counts neither way. Standing: true\n"
    "speed below %.1f m/s throughout the last %.1f s. MOTP: mean distance of matched pairs;\n"
    "IDSW/min: identity switches per minute of scored person-time; vel: velocity error relative\n"
    "to the robot; FPfurn: false positives near furniture; IDF1: identity F1 over the whole run\n"
    "(each person keeps the one output id they matched most often, one to one).\n",
    options.max_range_m, options.min_beams, options.min_time_in_view_s, options.standing_speed_mps,
    options.standing_window_s);
  return text;
}

}  // namespace quillon_tools
