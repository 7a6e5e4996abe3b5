// The transforms buffered for one child frame: TimeCache keeps a time-sorted history pruned to
// the cache time and interpolates between samples; StaticCache keeps one transform valid at
// every time.
#ifndef TF2__TIME_CACHE_H_
#define TF2__TIME_CACHE_H_

#include <chrono>
#include <deque>
#include <memory>
#include <string>

#include "tf2/time.h"
#include "tf2/transform_storage.h"

namespace tf2
{

class TimeCacheInterface
{
public:
  virtual ~TimeCacheInterface() = default;

  // The transform at time (TimePointZero: the newest one). False if time is outside the data;
  // *error_str then explains why (extrapolation texts).
  virtual bool getData(
    TimePoint time, TransformStorage & data_out, std::string * error_str = nullptr) const = 0;
  // False if the sample is too old to be kept.
  virtual bool insertData(const TransformStorage & new_data) = 0;
  virtual void clearList() = 0;
  // The parent at time, or 0 (with *error_str) if time is outside the data.
  virtual CompactFrameID getParent(TimePoint time, std::string * error_str) const = 0;
  // Stamp and parent of the newest sample; (0, 0) when empty. Static: (0, parent).
  virtual P_TimeAndFrameID getLatestTimeAndParent() const = 0;
  virtual unsigned int getListLength() const = 0;
  virtual TimePoint getLatestTimestamp() const = 0;
  virtual TimePoint getOldestTimestamp() const = 0;
};

using TimeCacheInterfacePtr = std::shared_ptr<TimeCacheInterface>;

constexpr tf2::Duration TIMECACHE_DEFAULT_MAX_STORAGE_TIME = std::chrono::seconds(10);

class TimeCache : public TimeCacheInterface
{
public:
  explicit TimeCache(tf2::Duration max_storage_time = TIMECACHE_DEFAULT_MAX_STORAGE_TIME);

  bool getData(
    TimePoint time, TransformStorage & data_out, std::string * error_str = nullptr) const override;
  bool insertData(const TransformStorage & new_data) override;
  void clearList() override;
  CompactFrameID getParent(TimePoint time, std::string * error_str) const override;
  P_TimeAndFrameID getLatestTimeAndParent() const override;
  unsigned int getListLength() const override;
  TimePoint getLatestTimestamp() const override;
  TimePoint getOldestTimestamp() const override;

private:
  // The one or two samples that bracket time (older first); 0 with *error_str if none.
  int findClosest(
    const TransformStorage *& older, const TransformStorage *& newer, TimePoint time,
    std::string * error_str) const;
  void pruneList();

  std::deque<TransformStorage> storage_;  // sorted by stamp, oldest first
  tf2::Duration max_storage_time_;
};

class StaticCache : public TimeCacheInterface
{
public:
  bool getData(
    TimePoint time, TransformStorage & data_out, std::string * error_str = nullptr) const override;
  bool insertData(const TransformStorage & new_data) override;
  // Static transforms survive a clear, as in tf2.
  void clearList() override;
  CompactFrameID getParent(TimePoint time, std::string * error_str) const override;
  P_TimeAndFrameID getLatestTimeAndParent() const override;
  unsigned int getListLength() const override;
  TimePoint getLatestTimestamp() const override;
  TimePoint getOldestTimestamp() const override;

private:
  TransformStorage storage_;
};

}  // namespace tf2

#endif  // TF2__TIME_CACHE_H_
