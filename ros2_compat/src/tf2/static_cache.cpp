#include <string>

#include "tf2/time_cache.h"

namespace tf2
{

bool StaticCache::getData(TimePoint time, TransformStorage & data_out, std::string *) const
{
  data_out = storage_;
  data_out.stamp_ = time;
  return true;
}

bool StaticCache::insertData(const TransformStorage & new_data)
{
  storage_ = new_data;
  return true;
}

void StaticCache::clearList() {}

CompactFrameID StaticCache::getParent(TimePoint, std::string *) const { return storage_.frame_id_; }

P_TimeAndFrameID StaticCache::getLatestTimeAndParent() const
{
  return P_TimeAndFrameID(TimePoint(), storage_.frame_id_);
}

unsigned int StaticCache::getListLength() const { return 1; }

TimePoint StaticCache::getLatestTimestamp() const { return TimePoint(); }

TimePoint StaticCache::getOldestTimestamp() const { return TimePoint(); }

}  // namespace tf2
