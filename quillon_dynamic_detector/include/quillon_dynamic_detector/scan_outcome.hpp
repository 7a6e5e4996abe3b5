#ifndef QUILLON_DYNAMIC_DETECTOR__SCAN_OUTCOME_HPP_
#define QUILLON_DYNAMIC_DETECTOR__SCAN_OUTCOME_HPP_

#include <cstdint>

namespace quillon_dynamic_detector
{

// What became of one scan handed to a scanner's processing.
enum class ScanOutcome
{
  kProcessed,    // an object list was published
  kMalformed,    // dropped: invalid stamp, non-finite angles or too many beams
  kStale,        // dropped: older than the input age limit
  kNoTransform,  // dropped: the robot pose at the scan stamp could not be looked up
};

// Scans of one scanner by outcome, since start.
struct ScanOutcomeCounts
{
  uint64_t processed = 0;
  uint64_t malformed = 0;
  uint64_t stale = 0;
  uint64_t no_transform = 0;

  void add(ScanOutcome outcome)
  {
    switch (outcome) {
      case ScanOutcome::kProcessed:
        ++processed;
        break;
      case ScanOutcome::kMalformed:
        ++malformed;
        break;
      case ScanOutcome::kStale:
        ++stale;
        break;
      case ScanOutcome::kNoTransform:
        ++no_transform;
        break;
    }
  }
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__SCAN_OUTCOME_HPP_
