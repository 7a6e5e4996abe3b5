// Reads back a table that formatTable() printed into a program's output.
#ifndef PRINTED_TABLE_HPP_
#define PRINTED_TABLE_HPP_

#include <sstream>
#include <string>
#include <vector>

namespace quillon_test
{

// The cells of the first row labelled "<label> <topic>" (so in the first gate's block), or of
// the row `below` it (1: its walking people, 2: its standing people), without the row's label;
// blank cells leave no word. Empty when there is no such row.
inline std::vector<std::string> tableRow(
  const std::string & output, const std::string & label, const std::string & topic, int below = 0)
{
  const std::string start = label + " " + topic + " ";
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(start, 0) != 0) {
      continue;
    }
    for (int i = 0; i < below; ++i) {
      if (!std::getline(lines, line)) {
        return {};
      }
    }
    std::istringstream words(below == 0 ? line.substr(start.size()) : line);
    std::vector<std::string> row;
    for (std::string word; words >> word;) {
      row.push_back(word);
    }
    if (below > 0 && !row.empty()) {
      row.erase(row.begin());  // "walking" or "standing"
    }
    return row;
  }
  return {};
}

}  // namespace quillon_test

#endif  // PRINTED_TABLE_HPP_
