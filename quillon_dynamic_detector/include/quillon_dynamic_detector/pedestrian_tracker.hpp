#ifndef QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_
#define QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_

#include "quillon_dynamic_detector/tracker_config.hpp"

namespace quillon_dynamic_detector
{

// Follows the moving objects of one scanner from scan to scan.
class PedestrianTracker
{
public:
  explicit PedestrianTracker(const TrackerConfig & config);

  const TrackerConfig & config() const { return config_; }

private:
  TrackerConfig config_;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__PEDESTRIAN_TRACKER_HPP_
