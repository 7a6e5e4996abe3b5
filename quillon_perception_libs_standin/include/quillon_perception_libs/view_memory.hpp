#ifndef QUILLON_PERCEPTION_LIBS__VIEW_MEMORY_HPP_
#define QUILLON_PERCEPTION_LIBS__VIEW_MEMORY_HPP_

#include <cstddef>
#include <deque>

#include "quillon_perception_libs/remembered_view.hpp"

namespace orvane
{
namespace perception
{

// The earlier scans a detector asks about free space: at most one per `spacing` seconds, none
// older than `memory` seconds, and never more than MAX_VIEWS, so memory stays bounded at any scan
// rate and for any run length.
class ViewMemory
{
public:
  static constexpr std::size_t MAX_VIEWS = 256;

  ViewMemory(double memory, double spacing);

  // Whether a scan at `stamp` would be kept (the newest kept one is at least `spacing` older).
  bool wants(double stamp) const;
  // Keeps `view` (moved in) and forgets the views that are now too old.
  void keep(RememberedView && view);
  // Forgets the views older than `memory` before `stamp`.
  void expire(double stamp);
  void clear() { views_.clear(); }

  const std::deque<RememberedView> & views() const { return views_; }  // oldest first
  bool empty() const { return views_.empty(); }

  // A vector of an expired view, for the next view to fill without allocating.
  std::vector<float> recycledReach();

private:
  double memory_;
  double spacing_;
  std::deque<RememberedView> views_;
  std::vector<float> spare_;
};

}  // namespace perception
}  // namespace orvane

#endif  // QUILLON_PERCEPTION_LIBS__VIEW_MEMORY_HPP_
