#include "tf2/time_cache.h"

#include <algorithm>
#include <string>

#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Vector3.h"

namespace tf2
{

namespace
{

// The three texts tf2 gives when a time lies outside a frame's data.
void describeSingleSample(TimePoint requested, TimePoint only, std::string * error_str)
{
  if (error_str) {
    *error_str = "Lookup would require extrapolation at time " + displayTimePoint(requested) +
                 ", but only time " + displayTimePoint(only) + " is in the buffer";
  }
}

void describeFuture(TimePoint requested, TimePoint latest, std::string * error_str)
{
  if (error_str) {
    *error_str = "Lookup would require extrapolation into the future.  Requested time " +
                 displayTimePoint(requested) + " but the latest data is at time " +
                 displayTimePoint(latest);
  }
}

void describePast(TimePoint requested, TimePoint earliest, std::string * error_str)
{
  if (error_str) {
    *error_str = "Lookup would require extrapolation into the past.  Requested time " +
                 displayTimePoint(requested) + " but the earliest data is at time " +
                 displayTimePoint(earliest);
  }
}

bool stampBefore(TimePoint stamp, const TransformStorage & sample) { return stamp < sample.stamp_; }

// Linear in translation, spherical in rotation.
TransformStorage interpolate(
  const TransformStorage & older, const TransformStorage & newer, TimePoint time)
{
  const double ratio = static_cast<double>((time - older.stamp_).count()) /
                       static_cast<double>((newer.stamp_ - older.stamp_).count());
  TransformStorage out = older;
  out.translation_.setInterpolate3(older.translation_, newer.translation_, ratio);
  out.rotation_ = slerp(older.rotation_, newer.rotation_, ratio);
  out.stamp_ = time;
  return out;
}

}  // namespace

TimeCache::TimeCache(tf2::Duration max_storage_time) : max_storage_time_(max_storage_time) {}

int TimeCache::findClosest(
  const TransformStorage *& older, const TransformStorage *& newer, TimePoint time,
  std::string * error_str) const
{
  if (storage_.empty()) {
    return 0;
  }
  if (time == TimePointZero) {
    older = &storage_.back();
    return 1;
  }
  if (storage_.size() == 1) {
    if (storage_.front().stamp_ == time) {
      older = &storage_.front();
      return 1;
    }
    describeSingleSample(time, storage_.front().stamp_, error_str);
    return 0;
  }
  const TimePoint latest = storage_.back().stamp_;
  const TimePoint earliest = storage_.front().stamp_;
  if (time == latest) {
    older = &storage_.back();
    return 1;
  }
  if (time == earliest) {
    older = &storage_.front();
    return 1;
  }
  if (time > latest) {
    describeFuture(time, latest, error_str);
    return 0;
  }
  if (time < earliest) {
    describePast(time, earliest, error_str);
    return 0;
  }
  const auto after = std::upper_bound(storage_.begin(), storage_.end(), time, stampBefore);
  newer = &*after;
  older = &*(after - 1);
  return 2;
}

bool TimeCache::getData(TimePoint time, TransformStorage & data_out, std::string * error_str) const
{
  const TransformStorage * older = nullptr;
  const TransformStorage * newer = nullptr;
  const int found = findClosest(older, newer, time, error_str);
  if (found == 0) {
    return false;
  }
  // Samples with different parents are not blended; the older one answers.
  if (found == 2 && older->frame_id_ == newer->frame_id_) {
    data_out = interpolate(*older, *newer, time);
  } else {
    data_out = *older;
  }
  return true;
}

CompactFrameID TimeCache::getParent(TimePoint time, std::string * error_str) const
{
  const TransformStorage * older = nullptr;
  const TransformStorage * newer = nullptr;
  if (findClosest(older, newer, time, error_str) == 0) {
    return 0;
  }
  return older->frame_id_;
}

bool TimeCache::insertData(const TransformStorage & new_data)
{
  if (!storage_.empty() && storage_.back().stamp_ > new_data.stamp_ + max_storage_time_) {
    return false;
  }
  const auto position =
    std::upper_bound(storage_.begin(), storage_.end(), new_data.stamp_, stampBefore);
  // An exact repeat of a buffered sample (same stamp and values) is kept once.
  for (auto same = position; same != storage_.begin() && (same - 1)->stamp_ == new_data.stamp_;
       --same) {
    if (*(same - 1) == new_data) {
      return true;
    }
  }
  storage_.insert(position, new_data);
  pruneList();
  return true;
}

void TimeCache::pruneList()
{
  const TimePoint latest = storage_.back().stamp_;
  while (storage_.front().stamp_ + max_storage_time_ < latest) {
    storage_.pop_front();
  }
}

void TimeCache::clearList() { storage_.clear(); }

P_TimeAndFrameID TimeCache::getLatestTimeAndParent() const
{
  if (storage_.empty()) {
    return P_TimeAndFrameID(TimePoint(), 0);
  }
  return P_TimeAndFrameID(storage_.back().stamp_, storage_.back().frame_id_);
}

unsigned int TimeCache::getListLength() const { return static_cast<unsigned int>(storage_.size()); }

TimePoint TimeCache::getLatestTimestamp() const
{
  return storage_.empty() ? TimePoint() : storage_.back().stamp_;
}

TimePoint TimeCache::getOldestTimestamp() const
{
  return storage_.empty() ? TimePoint() : storage_.front().stamp_;
}

}  // namespace tf2
