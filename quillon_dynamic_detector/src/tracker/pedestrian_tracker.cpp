#include "quillon_dynamic_detector/pedestrian_tracker.hpp"

namespace quillon_dynamic_detector
{

PedestrianTracker::PedestrianTracker(const TrackerConfig & config) : config_(config) {}

}  // namespace quillon_dynamic_detector
