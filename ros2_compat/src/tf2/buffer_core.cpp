#include "tf2/buffer_core.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "console_log.hpp"
#include "tf2/LinearMath/Transform.h"

namespace tf2
{

namespace
{

// Accepted like tf2: within 10e-3 of unit squared length.
constexpr double QUATERNION_NORMALIZATION_TOLERANCE = 10e-3;

std::string stripSlash(const std::string & frame_id)
{
  return !frame_id.empty() && frame_id[0] == '/' ? frame_id.substr(1) : frame_id;
}

TimePoint toTimePoint(const builtin_interfaces::msg::Time & stamp)
{
  return TimePoint(std::chrono::seconds(stamp.sec) + std::chrono::nanoseconds(stamp.nanosec));
}

builtin_interfaces::msg::Time toStamp(const TimePoint & time)
{
  const auto ns = time.time_since_epoch().count();
  builtin_interfaces::msg::Time stamp;
  stamp.sec = static_cast<int32_t>(ns / 1000000000);
  stamp.nanosec = static_cast<uint32_t>(ns % 1000000000);
  return stamp;
}

bool hasNan(const Transform & transform)
{
  const Vector3 & t = transform.getOrigin();
  const Quaternion q = transform.getRotation();
  return std::isnan(t.x()) || std::isnan(t.y()) || std::isnan(t.z()) || std::isnan(q.x()) ||
         std::isnan(q.y()) || std::isnan(q.z()) || std::isnan(q.w());
}

// Logs every reason tf2 refuses this transform; true if there is any.
bool reportInvalidInput(
  const Transform & transform, const std::string & frame_id, const std::string & child_frame_id,
  const std::string & authority)
{
  using console::fixed;
  bool invalid = false;
  if (child_frame_id == frame_id) {
    TF2_CONSOLE_ERROR(
      "TF_SELF_TRANSFORM: Ignoring transform from authority \"" + authority +
      "\" with frame_id and  child_frame_id \"" + child_frame_id + "\" because they are the same");
    invalid = true;
  }
  if (child_frame_id.empty()) {
    TF2_CONSOLE_ERROR(
      "TF_NO_CHILD_FRAME_ID: Ignoring transform from authority \"" + authority +
      "\" because child_frame_id not set ");
    invalid = true;
  }
  if (frame_id.empty()) {
    TF2_CONSOLE_ERROR(
      "TF_NO_FRAME_ID: Ignoring transform with child_frame_id \"" + child_frame_id +
      "\"  from authority \"" + authority + "\" because frame_id not set");
    invalid = true;
  }
  const Vector3 & t = transform.getOrigin();
  const Quaternion q = transform.getRotation();
  if (hasNan(transform)) {
    TF2_CONSOLE_ERROR(
      "TF_NAN_INPUT: Ignoring transform for child_frame_id \"" + child_frame_id +
      "\" from authority \"" + authority + "\" because of a nan value in the transform (" +
      fixed(t.x()) + " " + fixed(t.y()) + " " + fixed(t.z()) + ") (" + fixed(q.x()) + " " +
      fixed(q.y()) + " " + fixed(q.z()) + " " + fixed(q.w()) + ")");
    invalid = true;
  }
  // The rotation has been through the 3x3 basis, which normalises it, so only degenerate
  // quaternions (zero or infinite length) fail this check, as in tf2.
  const double norm2 = q.w() * q.w() + q.x() * q.x() + q.y() * q.y() + q.z() * q.z();
  if (!(std::abs(norm2 - 1.0f) < QUATERNION_NORMALIZATION_TOLERANCE)) {
    TF2_CONSOLE_ERROR(
      "TF_DENORMALIZED_QUATERNION: Ignoring transform for child_frame_id \"" + child_frame_id +
      "\" from authority \"" + authority +
      "\" because of an invalid quaternion in the transform (" + fixed(q.x()) + " " + fixed(q.y()) +
      " " + fixed(q.z()) + " " + fixed(q.w()) + ")");
    invalid = true;
  }
  return invalid;
}

geometry_msgs::msg::TransformStamped toMessage(
  const Transform & transform, const TimePoint & time, const std::string & target_frame,
  const std::string & source_frame)
{
  geometry_msgs::msg::TransformStamped msg;
  msg.header.stamp = toStamp(time);
  msg.header.frame_id = target_frame;
  msg.child_frame_id = source_frame;
  msg.transform.translation.x = transform.getOrigin().x();
  msg.transform.translation.y = transform.getOrigin().y();
  msg.transform.translation.z = transform.getOrigin().z();
  const Quaternion q = transform.getRotation();
  msg.transform.rotation.x = q.x();
  msg.transform.rotation.y = q.y();
  msg.transform.rotation.z = q.z();
  msg.transform.rotation.w = q.w();
  return msg;
}

TimePoint orZero(TimePoint common_time)
{
  return common_time == TimePoint::max() ? TimePointZero : common_time;
}

}  // namespace

void BufferCore::Chain::prependParentLink(const TransformStorage & link)
{
  translation = quatRotate(link.rotation_, translation) + link.translation_;
  rotation = link.rotation_ * rotation;
}

BufferCore::BufferCore(tf2::Duration cache_time)
: cache_time_(cache_time), frame_names_{"NO_PARENT"}, frames_{nullptr}
{
}

BufferCore::~BufferCore() = default;

void BufferCore::clear()
{
  std::lock_guard<std::mutex> lock(frame_mutex_);
  for (const TimeCacheInterfacePtr & cache : frames_) {
    if (cache) {
      cache->clearList();
    }
  }
}

bool BufferCore::setTransform(
  const geometry_msgs::msg::TransformStamped & msg, const std::string & authority, bool is_static)
{
  // tf2 takes the rotation through a tf2::Transform (a 3x3 basis) before storing it.
  const auto & r = msg.transform.rotation;
  const auto & t = msg.transform.translation;
  const Transform transform(Quaternion(r.x, r.y, r.z, r.w), Vector3(t.x, t.y, t.z));
  const std::string frame_id = stripSlash(msg.header.frame_id);
  const std::string child_frame_id = stripSlash(msg.child_frame_id);
  if (reportInvalidInput(transform, frame_id, child_frame_id, authority)) {
    return false;
  }
  const TimePoint stamp = toTimePoint(msg.header.stamp);
  const TransformStorage data(stamp, transform.getRotation(), transform.getOrigin(), 0, 0);
  if (!insertTransform(child_frame_id, frame_id, data, is_static)) {
    TF2_CONSOLE_WARN(
      "TF_OLD_DATA ignoring data from the past for frame " + child_frame_id + " at time " +
      displayTimePoint(stamp) + " according to authority " + authority +
      "\nPossible reasons are listed at http://wiki.ros.org/tf/Errors%20explained");
    return false;
  }
  return true;
}

bool BufferCore::insertTransform(
  const std::string & child_frame_id, const std::string & frame_id, const TransformStorage & data,
  bool is_static)
{
  std::lock_guard<std::mutex> lock(frame_mutex_);
  TransformStorage stored = data;
  stored.child_frame_id_ = lookupOrInsertFrameNumber(child_frame_id);
  stored.frame_id_ = lookupOrInsertFrameNumber(frame_id);
  TimeCacheInterfacePtr & cache = frames_[stored.child_frame_id_];
  // A frame switches between static and dynamic with the kind of its latest input.
  const bool cache_is_static = dynamic_cast<StaticCache *>(cache.get()) != nullptr;
  if (!cache || cache_is_static != is_static) {
    cache = is_static ? TimeCacheInterfacePtr(std::make_shared<StaticCache>())
                      : TimeCacheInterfacePtr(std::make_shared<TimeCache>(cache_time_));
  }
  return cache->insertData(stored);
}

geometry_msgs::msg::TransformStamped BufferCore::lookupTransform(
  const std::string & target_frame, const std::string & source_frame, const TimePoint & time) const
{
  Result result;
  {
    std::lock_guard<std::mutex> lock(frame_mutex_);
    if (target_frame == source_frame) {
      // Identity without validation; "latest" is the frame's newest stamp (0 if unknown).
      const TimeCacheInterfacePtr cache = getFrame(lookupFrameNumber(target_frame));
      result.time = (time == TimePointZero && cache) ? cache->getLatestTimestamp() : time;
    } else {
      const CompactFrameID target_id =
        validateFrameId("lookupTransform argument target_frame", target_frame);
      const CompactFrameID source_id =
        validateFrameId("lookupTransform argument source_frame", source_frame);
      std::string error;
      switch (walkToTopParent(time, target_id, source_id, result, error)) {
        case TF2Error::TF2_NO_ERROR:
          break;
        case TF2Error::TF2_CONNECTIVITY_ERROR:
          throw ConnectivityException(error);
        case TF2Error::TF2_EXTRAPOLATION_ERROR:
          throw ExtrapolationException(error);
        default:
          throw LookupException(error);
      }
    }
  }
  return toMessage(
    Transform(result.rotation, result.translation), result.time, target_frame, source_frame);
}

bool BufferCore::canTransform(
  const std::string & target_frame, const std::string & source_frame, const TimePoint & time,
  std::string * error_msg) const
{
  if (target_frame == source_frame) {
    return true;
  }
  std::lock_guard<std::mutex> lock(frame_mutex_);
  const CompactFrameID target_id =
    validateFrameId("canTransform argument target_frame", target_frame, error_msg);
  if (target_id == 0) {
    return false;
  }
  const CompactFrameID source_id =
    validateFrameId("canTransform argument source_frame", source_frame, error_msg);
  if (source_id == 0) {
    return false;
  }
  Result unused;
  std::string error;
  if (walkToTopParent(time, target_id, source_id, unused, error) == TF2Error::TF2_NO_ERROR) {
    return true;
  }
  if (error_msg) {
    *error_msg = error;
  }
  return false;
}

TF2Error BufferCore::walkToTopParent(
  TimePoint time, CompactFrameID target_id, CompactFrameID source_id, Result & result,
  std::string & error) const
{
  result = Result();
  if (source_id == target_id) {
    result.time = time;
    return TF2Error::TF2_NO_ERROR;
  }
  if (time == TimePointZero) {
    const TF2Error status = getLatestCommonTime(target_id, source_id, time, error);
    if (status != TF2Error::TF2_NO_ERROR) {
      return status;
    }
  }
  result.time = time;
  auto in_context = [&](const std::string & cache_error) {
    return cache_error + ", when looking up transform from frame [" + lookupFrameString(source_id) +
           "] to frame [" + lookupFrameString(target_id) + "]";
  };

  // Up from the source until the root, the target, or a link without data at this time (there
  // may still be a path from the target's side, so that is not an error yet).
  Chain source_chain;
  CompactFrameID frame = source_id;
  std::string source_error;
  bool source_stopped_early = false;
  for (uint32_t depth = 0;; ++depth) {
    const TimeCacheInterfacePtr cache = getFrame(frame);
    if (!cache) {
      break;
    }
    TransformStorage link;
    if (!cache->getData(time, link, &source_error)) {
      source_stopped_early = true;
      break;
    }
    if (frame == target_id) {
      result.rotation = source_chain.rotation;
      result.translation = source_chain.translation;
      return TF2Error::TF2_NO_ERROR;
    }
    source_chain.prependParentLink(link);
    frame = link.frame_id_;
    if (depth >= MAX_GRAPH_DEPTH) {
      error = loopError();
      return TF2Error::TF2_LOOKUP_ERROR;
    }
  }
  const CompactFrameID top = frame;

  // Up from the target until the frame where the source walk stopped.
  Chain target_chain;
  frame = target_id;
  for (uint32_t depth = 0; frame != top; ++depth) {
    const TimeCacheInterfacePtr cache = getFrame(frame);
    if (!cache) {
      break;
    }
    TransformStorage link;
    std::string target_error;
    if (!cache->getData(time, link, &target_error)) {
      error = in_context(target_error);
      return TF2Error::TF2_EXTRAPOLATION_ERROR;
    }
    if (frame == source_id) {
      result.rotation = target_chain.rotation.inverse();
      result.translation = quatRotate(result.rotation, -target_chain.translation);
      return TF2Error::TF2_NO_ERROR;
    }
    target_chain.prependParentLink(link);
    frame = link.frame_id_;
    if (depth >= MAX_GRAPH_DEPTH) {
      error = loopError();
      return TF2Error::TF2_LOOKUP_ERROR;
    }
  }
  if (frame != top) {
    if (source_stopped_early) {
      error = in_context(source_error);
      return TF2Error::TF2_EXTRAPOLATION_ERROR;
    }
    error = connectivityError(source_id, target_id);
    return TF2Error::TF2_CONNECTIVITY_ERROR;
  }
  // Both walks met: target <- top <- source.
  const Quaternion inverse_target = target_chain.rotation.inverse();
  result.translation = quatRotate(inverse_target, source_chain.translation) +
                       quatRotate(inverse_target, -target_chain.translation);
  result.rotation = inverse_target * source_chain.rotation;
  return TF2Error::TF2_NO_ERROR;
}

TF2Error BufferCore::getLatestCommonTime(
  CompactFrameID target_id, CompactFrameID source_id, TimePoint & time, std::string & error) const
{
  // Static links (stamp 0) do not limit the common time.
  TimePoint common_time = TimePoint::max();
  auto limit = [&common_time](TimePoint stamp) {
    if (stamp != TimePointZero) {
      common_time = std::min(common_time, stamp);
    }
  };

  // Newest (stamp, parent) of each link from the source towards the root.
  std::vector<P_TimeAndFrameID> source_links;
  CompactFrameID frame = source_id;
  for (uint32_t depth = 0;; ++depth) {
    const TimeCacheInterfacePtr cache = getFrame(frame);
    const P_TimeAndFrameID latest = cache ? cache->getLatestTimeAndParent() : P_TimeAndFrameID();
    if (latest.second == 0) {
      break;
    }
    limit(latest.first);
    source_links.push_back(latest);
    frame = latest.second;
    if (frame == target_id) {
      time = orZero(common_time);
      return TF2Error::TF2_NO_ERROR;
    }
    if (depth >= MAX_GRAPH_DEPTH) {
      error = loopError();
      return TF2Error::TF2_LOOKUP_ERROR;
    }
  }

  // From the target upwards until a parent on the source's path (the common parent).
  common_time = TimePoint::max();
  CompactFrameID common_parent = 0;
  frame = target_id;
  for (uint32_t depth = 0;; ++depth) {
    const TimeCacheInterfacePtr cache = getFrame(frame);
    const P_TimeAndFrameID latest = cache ? cache->getLatestTimeAndParent() : P_TimeAndFrameID();
    if (latest.second == 0) {
      break;
    }
    limit(latest.first);
    const bool on_source_path = std::any_of(
      source_links.begin(), source_links.end(),
      [&latest](const P_TimeAndFrameID & link) { return link.second == latest.second; });
    if (on_source_path) {
      common_parent = latest.second;
      break;
    }
    frame = latest.second;
    if (frame == source_id) {
      time = orZero(common_time);
      return TF2Error::TF2_NO_ERROR;
    }
    if (depth >= MAX_GRAPH_DEPTH) {
      error = loopError();
      return TF2Error::TF2_LOOKUP_ERROR;
    }
  }
  if (common_parent == 0) {
    error = connectivityError(source_id, target_id);
    return TF2Error::TF2_CONNECTIVITY_ERROR;
  }
  for (const P_TimeAndFrameID & link : source_links) {
    limit(link.first);
    if (link.second == common_parent) {
      break;
    }
  }
  time = orZero(common_time);
  return TF2Error::TF2_NO_ERROR;
}

std::string BufferCore::connectivityError(CompactFrameID source_id, CompactFrameID target_id) const
{
  return "Could not find a connection between '" + lookupFrameString(target_id) + "' and '" +
         lookupFrameString(source_id) + "' because they are not part of the same tree." +
         "Tf has two or more unconnected trees.";
}

std::string BufferCore::loopError() const
{
  return "The tf tree is invalid because it contains a loop.\n" + allFramesAsStringNoLock() + "\n";
}

CompactFrameID BufferCore::validateFrameId(
  const char * function_name_arg, const std::string & frame_id) const
{
  if (frame_id.empty()) {
    throw InvalidArgumentException(
      "Invalid argument \"\" passed to " + std::string(function_name_arg) +
      " - in tf2 frame_ids cannot be empty");
  }
  if (frame_id[0] == '/') {
    throw InvalidArgumentException(
      "Invalid argument \"" + frame_id + "\" passed to " + function_name_arg +
      " - in tf2 frame_ids cannot start with a '/'");
  }
  const CompactFrameID id = lookupFrameNumber(frame_id);
  if (id == 0) {
    throw LookupException(
      "\"" + frame_id + "\" passed to " + function_name_arg + " does not exist. ");
  }
  return id;
}

CompactFrameID BufferCore::validateFrameId(
  const char * function_name_arg, const std::string & frame_id, std::string * error_msg) const
{
  const char * rationale = nullptr;
  CompactFrameID id = 0;
  if (frame_id.empty()) {
    rationale = "in tf2 frame_ids cannot be empty";
  } else if (frame_id[0] == '/') {
    rationale = "in tf2 frame_ids cannot start with a '/'";
  } else {
    id = lookupFrameNumber(frame_id);
    rationale = "frame does not exist";
  }
  if (id == 0) {
    const std::string text =
      "Invalid frame ID \"" + frame_id + "\" passed to " + function_name_arg + " - " + rationale;
    if (error_msg) {
      *error_msg = text;
    } else {
      TF2_CONSOLE_WARN(text);
    }
  }
  return id;
}

CompactFrameID BufferCore::lookupFrameNumber(const std::string & frame_id) const
{
  const auto found = frame_ids_.find(frame_id);
  return found == frame_ids_.end() ? 0 : found->second;
}

CompactFrameID BufferCore::lookupOrInsertFrameNumber(const std::string & frame_id)
{
  const auto inserted =
    frame_ids_.emplace(frame_id, static_cast<CompactFrameID>(frame_names_.size()));
  if (inserted.second) {
    frame_names_.push_back(frame_id);
    frames_.push_back(nullptr);
  }
  return inserted.first->second;
}

const std::string & BufferCore::lookupFrameString(CompactFrameID id) const
{
  return frame_names_.at(id);
}

TimeCacheInterfacePtr BufferCore::getFrame(CompactFrameID id) const
{
  return id < frames_.size() ? frames_[id] : nullptr;
}

std::vector<std::string> BufferCore::getAllFrameNames() const
{
  std::lock_guard<std::mutex> lock(frame_mutex_);
  return std::vector<std::string>(frame_names_.begin() + 1, frame_names_.end());
}

std::string BufferCore::allFramesAsString() const
{
  std::lock_guard<std::mutex> lock(frame_mutex_);
  return allFramesAsStringNoLock();
}

std::string BufferCore::allFramesAsStringNoLock() const
{
  std::ostringstream out;
  for (CompactFrameID id = 1; id < frames_.size(); ++id) {
    if (!frames_[id]) {
      continue;
    }
    TransformStorage latest;
    const CompactFrameID parent =
      frames_[id]->getData(TimePointZero, latest) ? latest.frame_id_ : 0;
    out << "Frame " << frame_names_[id] << " exists with parent " << frame_names_[parent] << ".\n";
  }
  return out.str();
}

bool BufferCore::_frameExists(const std::string & frame_id_str) const
{
  std::lock_guard<std::mutex> lock(frame_mutex_);
  return frame_ids_.count(frame_id_str) != 0;
}

}  // namespace tf2
