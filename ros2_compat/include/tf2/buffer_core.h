// tf2::BufferCore: the transform tree over time. One cache per child frame (a time-sorted
// history, or one static transform), lookups chained through the tree to the common parent.
// Thread-safe: one thread may set transforms while others look them up.
#ifndef TF2__BUFFER_CORE_H_
#define TF2__BUFFER_CORE_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/LinearMath/Quaternion.h"
#include "tf2/LinearMath/Vector3.h"
#include "tf2/exceptions.h"
#include "tf2/time.h"
#include "tf2/time_cache.h"
#include "tf2/transform_storage.h"

namespace tf2
{

constexpr tf2::Duration BUFFER_CORE_DEFAULT_CACHE_TIME = std::chrono::seconds(10);

class BufferCore
{
public:
  static const uint32_t MAX_GRAPH_DEPTH = 1000UL;

  explicit BufferCore(tf2::Duration cache_time_ = BUFFER_CORE_DEFAULT_CACHE_TIME);
  virtual ~BufferCore();

  // Forgets all buffered dynamic transforms; static transforms stay.
  void clear();

  // Adds one transform (child in the parent frame). Invalid input (empty or equal frame ids,
  // NaN, a degenerate rotation) and data older than the cache time are logged and refused
  // with false. A leading '/' of either frame id is dropped.
  bool setTransform(
    const geometry_msgs::msg::TransformStamped & transform, const std::string & authority,
    bool is_static = false);

  // The transform that maps data in source_frame into target_frame at time
  // (TimePointZero: the latest time all links of the chain have in common). Throws
  // LookupException, ConnectivityException, ExtrapolationException or InvalidArgumentException.
  geometry_msgs::msg::TransformStamped lookupTransform(
    const std::string & target_frame, const std::string & source_frame,
    const TimePoint & time) const;

  // Whether lookupTransform would succeed; *error_msg says why not.
  bool canTransform(
    const std::string & target_frame, const std::string & source_frame, const TimePoint & time,
    std::string * error_msg = nullptr) const;

  std::vector<std::string> getAllFrameNames() const;
  // One line per frame: "Frame <child> exists with parent <parent>."
  std::string allFramesAsString() const;
  bool _frameExists(const std::string & frame_id_str) const;

  tf2::Duration getCacheLength() { return cache_time_; }

  // Timeout waits are only meaningful when another thread fills the buffer.
  void setUsingDedicatedThread(bool value) { using_dedicated_thread_ = value; }
  bool isUsingDedicatedThread() const { return using_dedicated_thread_; }

private:
  // A transform built up link by link while walking towards the root of the tree.
  struct Chain
  {
    Quaternion rotation{0.0, 0.0, 0.0, 1.0};
    Vector3 translation{0.0, 0.0, 0.0};
    void prependParentLink(const TransformStorage & link);
  };

  struct Result
  {
    Quaternion rotation{0.0, 0.0, 0.0, 1.0};
    Vector3 translation{0.0, 0.0, 0.0};
    TimePoint time;
  };

  CompactFrameID lookupFrameNumber(const std::string & frame_id) const;
  CompactFrameID lookupOrInsertFrameNumber(const std::string & frame_id);
  const std::string & lookupFrameString(CompactFrameID id) const;
  TimeCacheInterfacePtr getFrame(CompactFrameID id) const;
  CompactFrameID validateFrameId(
    const char * function_name_arg, const std::string & frame_id) const;
  CompactFrameID validateFrameId(
    const char * function_name_arg, const std::string & frame_id, std::string * error_msg) const;

  bool insertTransform(
    const std::string & child_frame_id, const std::string & frame_id, const TransformStorage & data,
    bool is_static);
  // Both fill error when they return an error.
  TF2Error getLatestCommonTime(
    CompactFrameID target_id, CompactFrameID source_id, TimePoint & time,
    std::string & error) const;
  TF2Error walkToTopParent(
    TimePoint time, CompactFrameID target_id, CompactFrameID source_id, Result & result,
    std::string & error) const;
  std::string connectivityError(CompactFrameID source_id, CompactFrameID target_id) const;
  std::string loopError() const;
  std::string allFramesAsStringNoLock() const;

  tf2::Duration cache_time_;
  mutable std::mutex frame_mutex_;
  std::unordered_map<std::string, CompactFrameID> frame_ids_;
  std::vector<std::string> frame_names_;       // by id; 0 is "NO_PARENT"
  std::vector<TimeCacheInterfacePtr> frames_;  // by child frame id; null for roots
  std::atomic<bool> using_dedicated_thread_{false};
};

}  // namespace tf2

#endif  // TF2__BUFFER_CORE_H_
