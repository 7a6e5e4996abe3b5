#ifndef QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_CHOICE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_CHOICE_HPP_

namespace quillon_dynamic_detector
{

// Where the tracker works: the scanner frame; "odom", each scan's returns carried there with the
// scanner's pose at the scan's stamp; or "odom", each return carried with the scanner's pose at
// the moment its own beam was measured (see SweptMotion).
enum class TrackingFrame
{
  Scanner,
  Odom,
  OdomAtBeamTime,
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACKING_FRAME_CHOICE_HPP_
