#include "quillon_dynamic_detector/trailmerge_node.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "quillon_dynamic_detector/immediate_transform_buffer.hpp"
#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/object_fusion.hpp"
#include "quillon_dynamic_detector/object_transform.hpp"
#include "tf2/LinearMath/Transform.h"
#include "tf2/exceptions.h"
#include "tf2/time.h"
#include "tf2_geometry_msgs/tf2_geometry_msgs.hpp"
#include "tf2_ros/buffer_interface.h"

namespace quillon_dynamic_detector
{
namespace
{

constexpr uint8_t FUSED_SENSOR_TYPE = 3;
constexpr double TF_CACHE_TIME_S = 10.0;
constexpr int SUMMARY_THROTTLE_MS = 1000;
constexpr int TRANSFORM_WARNING_THROTTLE_MS = 2000;
constexpr int BAD_STAMP_THROTTLE_MS = 1000;
constexpr int TRACK_ID_WARNING_THROTTLE_MS = 5000;
constexpr char ODOM_FRAME[] = "odom";

long wholeMilliseconds(std::chrono::steady_clock::duration d)
{
  return static_cast<long>(
    std::chrono::duration_cast<std::chrono::nanoseconds>(d).count() / 1000000);
}

// A NaN or an infinity, sent so or grown by a transform or a merge of absurd magnitudes,
// would reach every consumer of the fused list.
bool hasOnlyFiniteValues(const quillon_protocol::msg::Object & o)
{
  const auto & p = o.pose.position;
  const auto & q = o.pose.orientation;
  const double values[] = {p.x,          p.y,           p.z,          q.x,
                           q.y,          q.z,           q.w,          o.reserved_0,
                           o.reserved_1, o.reserved_2,  o.reserved_3, o.reserved_4,
                           o.reserved_5, o.width,       o.length,     o.aspect_ratio,
                           o.area,       o.compactness, o.velocity_x, o.velocity_y,
                           o.speed,      o.range,       o.bearing};
  for (const double v : values) {
    if (!std::isfinite(v)) {
      return false;
    }
  }
  return std::all_of(o.polygon.begin(), o.polygon.end(), [](const auto & corner) {
    return std::isfinite(corner.x) && std::isfinite(corner.y) && std::isfinite(corner.z);
  });
}

// Removes the objects that hold a non-finite value, and their entries in `beside` (of the same
// length, or empty); returns how many went.
template <typename Entry>
std::size_t eraseNonFiniteObjects(
  std::vector<quillon_protocol::msg::Object> & objects, std::vector<Entry> & beside)
{
  const bool parallel = !beside.empty();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (!hasOnlyFiniteValues(objects[i])) {
      continue;
    }
    if (kept != i) {
      objects[kept] = std::move(objects[i]);
      if (parallel) {
        beside[kept] = std::move(beside[i]);
      }
    }
    ++kept;
  }
  const std::size_t erased = objects.size() - kept;
  objects.resize(kept);
  if (parallel) {
    beside.resize(kept);
  }
  return erased;
}

// The track ids that trailscan wrote into a list's objects.
std::vector<double> trackIdsOf(const quillon_protocol::msg::ObjectList & list)
{
  std::vector<double> ids;
  ids.reserve(list.objects.size());
  for (const auto & object : list.objects) {
    ids.push_back(object.reserved_0);
  }
  return ids;
}

// The source tracks of each fused object, from the fusion's `members` and the collected objects'
// `sources` (empty lists when the sources are not followed).
std::vector<std::vector<SourceTrack>> sourceTracksOfFused(
  const std::vector<std::vector<std::size_t>> & members,
  const std::vector<std::optional<SourceTrack>> & sources)
{
  std::vector<std::vector<SourceTrack>> of_fused(members.size());
  if (sources.empty()) {
    return of_fused;
  }
  for (std::size_t i = 0; i < members.size(); ++i) {
    for (const std::size_t member : members[i]) {
      if (sources[member]) {
        of_fused[i].push_back(*sources[member]);
      }
    }
  }
  return of_fused;
}

}  // namespace

TrailmergeNode::TrailmergeNode(const rclcpp::NodeOptions & options, bool dedicated_tf_thread)
: rclcpp::Node("trailmerge", options),
  // A replay serves TF from this node's executor before the lists that need it: lookups must
  // not wait there, a missing transform fails at once.
  tf_buffer_(
    dedicated_tf_thread
      ? std::make_unique<tf2_ros::Buffer>(get_clock(), tf2::durationFromSec(TF_CACHE_TIME_S))
      : std::make_unique<ImmediateTransformBuffer>(
          get_clock(), tf2::durationFromSec(TF_CACHE_TIME_S))),
  tf_listener_(
    dedicated_tf_thread ? std::make_unique<tf2_ros::TransformListener>(*tf_buffer_)
                        : std::make_unique<tf2_ros::TransformListener>(*tf_buffer_, this, false)),
  settings_(declareTrailmergeParameters(*this)),
  object_publisher_(
    create_publisher<ObjectList>(settings_.output_topic, rclcpp::QoS(rclcpp::KeepLast(1)))),
  marker_publisher_(create_publisher<visualization_msgs::msg::MarkerArray>(
    settings_.marker_topic, rclcpp::QoS(rclcpp::KeepLast(1)))),
  subscription_1_(create_subscription<ObjectList>(
    settings_.input_topic_1, rclcpp::QoS(rclcpp::KeepLast(10)),
    [this](ObjectList::ConstSharedPtr msg) { inputCallback1(std::move(msg)); })),
  subscription_2_(create_subscription<ObjectList>(
    settings_.input_topic_2, rclcpp::QoS(rclcpp::KeepLast(10)),
    [this](ObjectList::ConstSharedPtr msg) { inputCallback2(std::move(msg)); }))
{
  RCLCPP_INFO(
    get_logger(),
    "trailmerge started: inputs=(%s,%s) output=%s target_frame=%s merge_distance=%.2f",
    settings_.input_topic_1.c_str(), settings_.input_topic_2.c_str(),
    settings_.output_topic.c_str(), settings_.target_frame.c_str(),
    settings_.fusion.merge_distance);
}

TrailmergeNode::~TrailmergeNode() = default;

void TrailmergeNode::inputCallback1(ObjectList::ConstSharedPtr msg)
{
  storeAndFuse(std::move(msg), latest_message_1_, settings_.input_topic_1);
}

void TrailmergeNode::inputCallback2(ObjectList::ConstSharedPtr msg)
{
  storeAndFuse(std::move(msg), latest_message_2_, settings_.input_topic_2);
}

void TrailmergeNode::storeAndFuse(
  ObjectList::ConstSharedPtr msg, ObjectList::ConstSharedPtr & latest, const std::string & topic)
{
  // A negative stamp cannot be a ROS time (rclcpp::Time refuses it): such a list could never
  // be aged or transformed, so it is dropped as if it had not arrived.
  if (msg->header.stamp.sec < 0) {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), BAD_STAMP_THROTTLE_MS,
      "dropping object list from %s: stamp %d.%09u is not a valid ROS time", topic.c_str(),
      msg->header.stamp.sec, msg->header.stamp.nanosec);
    return;
  }
  latest = std::move(msg);
  publishFusion();
}

bool TrailmergeNode::transformObject(
  const Object & object, const std_msgs::msg::Header & header, Object & out)
{
  const std::string & source = header.frame_id;
  if (source.empty() || source == settings_.target_frame) {
    out = object;
    updateRangeAndBearing(out);
    return true;
  }
  try {
    // One lookup serves the pose, the outline and the velocity, so they cannot disagree.
    const auto transform = tf_buffer_->lookupTransform(
      settings_.target_frame, source, tf2_ros::fromMsg(header.stamp),
      tf2::durationFromSec(settings_.tf_timeout));
    out = applyTransform(object, transform);
    return true;
  } catch (const tf2::TransformException & e) {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), TRANSFORM_WARNING_THROTTLE_MS,
      "failed to transform object from %s to %s: %s", source.c_str(),
      settings_.target_frame.c_str(), e.what());
    return false;
  }
}

TrailmergeNode::InputState TrailmergeNode::assessInput(
  const ObjectList::ConstSharedPtr & msg, const rclcpp::Time & now) const
{
  if (!msg) {
    return {false, -1.0, 0};
  }
  const double age_s = (now - rclcpp::Time(msg->header.stamp)).seconds();
  // A stamp slightly ahead of this clock (another machine's) is as fresh as one behind it.
  return {std::abs(age_s) <= settings_.max_msg_age, age_s * 1000.0, msg->objects.size()};
}

bool TrailmergeNode::robotMotionSince(
  const builtin_interfaces::msg::Time & stamp, geometry_msgs::msg::TransformStamped & motion,
  builtin_interfaces::msg::Time * newest_stamp)
{
  try {
    const auto odom_from_then = tf_buffer_->lookupTransform(
      ODOM_FRAME, settings_.target_frame, tf2_ros::fromMsg(stamp),
      tf2::durationFromSec(settings_.tf_timeout));
    const auto newest_from_odom =
      tf_buffer_->lookupTransform(settings_.target_frame, ODOM_FRAME, tf2::TimePointZero);
    tf2::Transform then;
    tf2::Transform newest;
    tf2::fromMsg(odom_from_then.transform, then);
    tf2::fromMsg(newest_from_odom.transform, newest);
    motion.transform = tf2::toMsg(newest * then);
    if (newest_stamp != nullptr) {
      *newest_stamp = newest_from_odom.header.stamp;
    }
    return true;
  } catch (const tf2::TransformException & e) {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), TRANSFORM_WARNING_THROTTLE_MS, "list age not compensated: %s",
      e.what());
    return false;
  }
}

std::optional<builtin_interfaces::msg::Time> TrailmergeNode::newestPoseStamp() const
{
  try {
    return tf_buffer_->lookupTransform(settings_.target_frame, ODOM_FRAME, tf2::TimePointZero)
      .header.stamp;
  } catch (const tf2::TransformException &) {
    return std::nullopt;  // robotMotionSince warns when it matters
  }
}

std::optional<std::vector<SourceTrack>> TrailmergeNode::sourceTracksOfList(
  const ObjectList & list, int32_t input)
{
  const std::vector<double> track_ids = trackIdsOf(list);
  std::optional<std::vector<SourceTrack>> list_sources = sourceTracksOf(input, track_ids);
  if (!list_sources) {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), TRACK_ID_WARNING_THROTTLE_MS,
      "follow_track_ids: the objects of input %d carry no track ids in reserved_0 (set "
      "tracker.publish_track_ids on its trailscan); their display ids follow positions only",
      input);
    return std::nullopt;
  }
  // A tracker numbers its tracks from 0, and a list written without track ids holds 0 in every
  // object: a list of one object with 0 says nothing until its input has carried another id,
  // which a tracker that publishes its ids soon does.
  if (std::any_of(track_ids.begin(), track_ids.end(), [](double id) { return id != 0.0; })) {
    inputs_carrying_track_ids_.insert(input);
  }
  if (inputs_carrying_track_ids_.count(input) == 0) {
    return std::nullopt;
  }
  return list_sources;
}

void TrailmergeNode::collectObjects(
  const ObjectList & list, int32_t input, std::vector<Object> & collected,
  std::vector<std::optional<SourceTrack>> & sources)
{
  geometry_msgs::msg::TransformStamped motion;
  const bool compensate =
    settings_.compensate_list_age && robotMotionSince(list.header.stamp, motion);
  std::optional<std::vector<SourceTrack>> list_sources;
  if (settings_.follow_track_ids) {
    list_sources = sourceTracksOfList(list, input);
  }
  for (std::size_t i = 0; i < list.objects.size(); ++i) {
    Object out;
    if (transformObject(list.objects[i], list.header, out)) {
      collected.push_back(compensate ? applyTransform(out, motion) : std::move(out));
      if (settings_.follow_track_ids) {
        sources.push_back(
          list_sources ? std::optional<SourceTrack>((*list_sources)[i]) : std::nullopt);
      }
    }
  }
}

void TrailmergeNode::publishFusion()
{
  const auto t0 = std::chrono::steady_clock::now();
  const rclcpp::Time now = this->now();
  const InputState input1 = assessInput(latest_message_1_, now);
  const InputState input2 = assessInput(latest_message_2_, now);

  std::vector<Object> collected;
  std::vector<std::optional<SourceTrack>> sources;  // by collected object, when followed
  if (input1.fresh) {
    collectObjects(*latest_message_1_, 1, collected, sources);
  }
  std::size_t non_finite = eraseNonFiniteObjects(collected, sources);
  const std::size_t first_list_size = collected.size();
  if (input2.fresh) {
    collectObjects(*latest_message_2_, 2, collected, sources);
  }
  non_finite += eraseNonFiniteObjects(collected, sources);
  const auto t1 = std::chrono::steady_clock::now();

  ObjectList fused;
  fused.header.stamp = now;
  fused.header.frame_id = settings_.target_frame;
  fused.sensor_name = settings_.sensor_name;
  fused.sensor_type = FUSED_SENSOR_TYPE;
  std::vector<std::vector<std::size_t>> members;
  fused.objects = fuseObjects(collected, settings_.fusion, &members, first_list_size);
  pairAcrossLists(fused.objects, members, first_list_size, settings_.fusion);
  non_finite += eraseNonFiniteObjects(fused.objects, members);
  if (non_finite > 0) {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), BAD_STAMP_THROTTLE_MS,
      "dropping %zu objects with a NaN or infinite value", non_finite);
  }
  const auto t2 = std::chrono::steady_clock::now();

  const std::size_t pedestrians = static_cast<std::size_t>(std::count_if(
    fused.objects.begin(), fused.objects.end(), [](const Object & o) { return isPedestrian(o); }));
  RCLCPP_INFO_THROTTLE(
    get_logger(), *get_clock(), SUMMARY_THROTTLE_MS,
    "[FUSION] pedestrians=%zu total_objects=%zu frame=%s", pedestrians, fused.objects.size(),
    settings_.target_frame.c_str());

  std::vector<int32_t> display_ids;
  std::set<int32_t> vanished;
  if (settings_.publish_markers || settings_.publish_object_ids) {
    display_ids =
      updateDisplayIds(fused.objects, sourceTracksOfFused(members, sources), now, vanished);
  }
  if (settings_.publish_object_ids) {
    for (std::size_t i = 0; i < fused.objects.size(); ++i) {
      fused.objects[i].reserved_0 = static_cast<double>(display_ids[i]);
    }
  }
  object_publisher_->publish(fused);
  if (settings_.publish_markers) {
    publishMarkers(fused.objects, display_ids, vanished, now);
  }
  const auto t3 = std::chrono::steady_clock::now();

  RCLCPP_WARN_THROTTLE(
    get_logger(), *get_clock(), SUMMARY_THROTTLE_MS,
    "[FUSION_PERF] age1=%.1fms fresh1=%d input1=%zu age2=%.1fms fresh2=%d input2=%zu "
    "collected=%zu fused=%zu pedestrians=%zu collect=%ldms fuse=%ldms publish=%ldms "
    "total=%ldms",
    input1.age_ms, input1.fresh ? 1 : 0, input1.objects, input2.age_ms, input2.fresh ? 1 : 0,
    input2.objects, collected.size(), fused.objects.size(), pedestrians, wholeMilliseconds(t1 - t0),
    wholeMilliseconds(t2 - t1), wholeMilliseconds(t3 - t2), wholeMilliseconds(t3 - t0));
}

void TrailmergeNode::carryDisplayMemoryAlongTheRobot()
{
  if (!settings_.compensate_list_age) {
    return;
  }
  geometry_msgs::msg::TransformStamped motion;
  builtin_interfaces::msg::Time newest;
  if (!display_pose_stamp_ || !robotMotionSince(*display_pose_stamp_, motion, &newest)) {
    display_pose_stamp_ = newestPoseStamp();
    return;
  }
  display_pose_stamp_ = newest;
  tf2::Transform carried;
  tf2::fromMsg(motion.transform, carried);
  const auto carry_point = [&carried](PlanarPosition & p) {
    const tf2::Vector3 moved = carried * tf2::Vector3(p.x, p.y, 0.0);
    p = {moved.x(), moved.y()};
  };
  const auto carry_vector = [&carried](PlanarPosition & v) {
    const tf2::Vector3 turned = tf2::quatRotate(carried.getRotation(), tf2::Vector3(v.x, v.y, 0.0));
    v = {turned.x(), turned.y()};
  };
  for (auto & entry : previous_positions_) {
    carry_point(entry.second);
  }
  for (auto & entry : previous_velocities_) {
    carry_vector(entry.second);
  }
  dropped_ids_.carry(carry_point, carry_vector);
}

std::vector<int32_t> TrailmergeNode::idsFollowingTracks(
  const std::vector<Object> & objects, const std::vector<std::vector<SourceTrack>> & sources,
  DisplayCandidates & candidates, double now_s)
{
  // First the objects made of a track drawn before, under that track's id; the others by
  // position, among the ids left.
  std::vector<std::optional<int32_t>> linked(objects.size());
  std::set<int32_t> taken;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    linked[i] = source_links_.displayIdOf(sources[i], taken);
    if (linked[i]) {
      taken.insert(*linked[i]);
      candidates.erase(*linked[i]);
    }
  }
  std::vector<Object> unlinked;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (!linked[i]) {
      unlinked.push_back(objects[i]);
    }
  }
  const std::vector<int32_t> by_position = assignDisplayIds(unlinked, candidates, next_display_id_);
  std::vector<int32_t> ids;
  ids.reserve(objects.size());
  auto next_by_position = by_position.begin();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    ids.push_back(linked[i] ? *linked[i] : *next_by_position++);
    source_links_.link(sources[i], ids.back(), now_s);
  }
  // A link outlives its track's absence from the lists as long as a vanished id is remembered.
  source_links_.forget(now_s, settings_.markers.id_memory);
  return ids;
}

std::vector<int32_t> TrailmergeNode::updateDisplayIds(
  const std::vector<Object> & objects, const std::vector<std::vector<SourceTrack>> & sources,
  const rclcpp::Time & stamp, std::set<int32_t> & vanished)
{
  carryDisplayMemoryAlongTheRobot();
  const double now_s = stamp.seconds();
  const FusedMarkerConfig & markers = settings_.markers;
  const double memory_s = markers.id_memory;
  DisplayCandidates candidates =
    candidatesWithin(previous_positions_, markers.association_distance);
  dropped_ids_.addCandidates(
    candidates, now_s, memory_s, markers.association_distance, markers.id_reach_growth);
  const std::vector<int32_t> ids = settings_.follow_track_ids
                                     ? idsFollowingTracks(objects, sources, candidates, now_s)
                                     : assignDisplayIds(objects, candidates, next_display_id_);
  std::set<int32_t> used_ids;
  DisplayPositions positions;
  DisplayPositions velocities;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    used_ids.insert(ids[i]);
    positions[ids[i]] = {objects[i].pose.position.x, objects[i].pose.position.y};
    velocities[ids[i]] = {objects[i].velocity_x, objects[i].velocity_y};
  }
  for (const int32_t id : drawn_ids_) {
    if (used_ids.count(id) == 0) {
      vanished.insert(id);
      if (memory_s > 0.0) {
        dropped_ids_.remember(
          id, previous_positions_.at(id), previous_velocities_.at(id), previous_marker_stamp_s_);
      }
    }
  }
  dropped_ids_.forget(used_ids, now_s, memory_s);
  previous_marker_stamp_s_ = now_s;
  drawn_ids_ = std::move(used_ids);
  previous_positions_ = std::move(positions);
  previous_velocities_ = std::move(velocities);
  return ids;
}

void TrailmergeNode::publishMarkers(
  const std::vector<Object> & objects, const std::vector<int32_t> & ids,
  const std::set<int32_t> & vanished, const rclcpp::Time & stamp)
{
  std_msgs::msg::Header header;
  header.stamp = stamp;
  header.frame_id = settings_.target_frame;
  visualization_msgs::msg::MarkerArray array;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    appendObjectMarkers(objects[i], ids[i], header, settings_.markers, array.markers);
  }
  for (const int32_t id : vanished) {
    appendRemovalMarkers(id, array.markers);
  }
  marker_publisher_->publish(array);
}

}  // namespace quillon_dynamic_detector
