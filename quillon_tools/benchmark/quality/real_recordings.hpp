// The quality benchmark's section on real recordings: every recording of a folder in the layout
// of the shared pack (bags/NAME/, ground_truth/NAME_ground_truth.csv), run through each detector
// with the defaults and with the profile the recording's scanner suggests, scored where it has
// ground truth, and measured for what only real scans show: returns of walls and furniture marked
// moving, pedestrians that stay on them.
#ifndef QUILLON_TOOLS__BENCHMARK__QUALITY__REAL_RECORDINGS_HPP_
#define QUILLON_TOOLS__BENCHMARK__QUALITY__REAL_RECORDINGS_HPP_

#include <filesystem>
#include <fstream>
#include <vector>

namespace quillon_tools
{

// Prints one line per run and writes its rows to `csv`. False when a run was interrupted.
// Throws std::runtime_error for a folder without recordings.
bool runRealRecordings(
  const std::filesystem::path & folder, const std::vector<bool> & geometric, std::ofstream & csv);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__BENCHMARK__QUALITY__REAL_RECORDINGS_HPP_
