#include "quillon_perception_libs/view_memory.hpp"

#include <utility>

namespace orvane
{
namespace perception
{

ViewMemory::ViewMemory(double memory, double spacing) : memory_(memory), spacing_(spacing) {}

bool ViewMemory::wants(double stamp) const
{
  return views_.empty() || stamp - views_.back().stamp >= spacing_;
}

void ViewMemory::keep(RememberedView && view)
{
  const double stamp = view.stamp;
  views_.push_back(std::move(view));
  if (views_.size() > MAX_VIEWS) {
    spare_ = std::move(views_.front().reach);
    views_.pop_front();
  }
  expire(stamp);
}

void ViewMemory::expire(double stamp)
{
  while (!views_.empty() && stamp - views_.front().stamp > memory_) {
    spare_ = std::move(views_.front().reach);
    views_.pop_front();
  }
}

std::vector<float> ViewMemory::recycledReach()
{
  std::vector<float> reach = std::move(spare_);
  spare_ = {};
  return reach;
}

}  // namespace perception
}  // namespace orvane
