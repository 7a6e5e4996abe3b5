#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_NODE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_NODE_HPP_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/fused_markers.hpp"
#include "quillon_dynamic_detector/source_track_links.hpp"
#include "quillon_dynamic_detector/trailmerge_settings.hpp"
#include "quillon_protocol/msg/object.hpp"
#include "quillon_protocol/msg/object_list.hpp"
#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/header.hpp"
#include "tf2_ros/buffer.h"
#include "tf2_ros/transform_listener.h"
#include "visualization_msgs/msg/marker_array.hpp"

namespace quillon_dynamic_detector
{

// The fusion node: keeps the newest object list of each scanner and, on every arrival of
// either, publishes both fused into one list in the target frame, with markers.
class TrailmergeNode : public rclcpp::Node
{
public:
  using Object = quillon_protocol::msg::Object;
  using ObjectList = quillon_protocol::msg::ObjectList;

  // The options exist for tests and composition; the program uses the defaults. TF is heard
  // on a thread of its own, as tf2_ros does by default; a deterministic replay serves it from
  // this node's executor instead (`dedicated_tf_thread` false).
  explicit TrailmergeNode(
    const rclcpp::NodeOptions & options = rclcpp::NodeOptions(), bool dedicated_tf_thread = true);
  ~TrailmergeNode() override;

private:
  struct InputState
  {
    bool fresh;
    double age_ms;  // -1.0 before the first message
    std::size_t objects;
  };

  void inputCallback1(ObjectList::ConstSharedPtr msg);
  void inputCallback2(ObjectList::ConstSharedPtr msg);
  void storeAndFuse(
    ObjectList::ConstSharedPtr msg, ObjectList::ConstSharedPtr & latest, const std::string & topic);

  // Copies `object` into `out` expressed in the target frame; false when the transform from the
  // list's frame at its stamp cannot be looked up (the object is then dropped).
  bool transformObject(const Object & object, const std_msgs::msg::Header & header, Object & out);

  void publishFusion();
  InputState assessInput(const ObjectList::ConstSharedPtr & msg, const rclcpp::Time & now) const;
  // The source tracks of the list's objects by the track ids they carry; none (warned when the
  // ids cannot be track ids) when the list or its input gives no usable ids.
  std::optional<std::vector<SourceTrack>> sourceTracksOfList(
    const ObjectList & list, int32_t input);
  // Adds the list's objects, in the target frame, to `collected`; with "follow_track_ids" also
  // their source tracks to `sources` (none where the list carries no track ids).
  void collectObjects(
    const ObjectList & list, int32_t input, std::vector<Object> & collected,
    std::vector<std::optional<SourceTrack>> & sources);
  // How the target frame moved in "odom" from `stamp` to the newest pose (whose stamp goes to
  // `newest_stamp` when given); false (logged) when either pose is unknown.
  bool robotMotionSince(
    const builtin_interfaces::msg::Time & stamp, geometry_msgs::msg::TransformStamped & motion,
    builtin_interfaces::msg::Time * newest_stamp = nullptr);
  std::optional<builtin_interfaces::msg::Time> newestPoseStamp() const;

  // Display ids of the fused list's objects, the ids their markers carry: an object near where
  // an id was drawn last (or dropped within the id memory) keeps it. Updates that memory; the
  // ids drawn last time that are gone now land in `vanished`.
  std::vector<int32_t> updateDisplayIds(
    const std::vector<Object> & objects, const std::vector<std::vector<SourceTrack>> & sources,
    const rclcpp::Time & stamp, std::set<int32_t> & vanished);
  // With "follow_track_ids": an object keeps the display id one of its `sources` was drawn
  // under; the others take theirs from `candidates` by position.
  std::vector<int32_t> idsFollowingTracks(
    const std::vector<Object> & objects, const std::vector<std::vector<SourceTrack>> & sources,
    DisplayCandidates & candidates, double now_s);
  void publishMarkers(
    const std::vector<Object> & objects, const std::vector<int32_t> & ids,
    const std::set<int32_t> & vanished, const rclcpp::Time & stamp);
  // With "compensate_list_age": carries where the last list's objects were drawn (and the
  // dropped ids) along the robot's motion since the pose they were drawn at, so that ids follow
  // objects while the robot turns.
  void carryDisplayMemoryAlongTheRobot();

  // Members in construction order, so that destruction runs in reverse.
  std::unique_ptr<tf2_ros::Buffer> tf_buffer_;
  std::unique_ptr<tf2_ros::TransformListener> tf_listener_;
  const TrailmergeSettings settings_;
  rclcpp::Publisher<ObjectList>::SharedPtr object_publisher_;
  rclcpp::Publisher<visualization_msgs::msg::MarkerArray>::SharedPtr marker_publisher_;
  rclcpp::Subscription<ObjectList>::SharedPtr subscription_1_;
  rclcpp::Subscription<ObjectList>::SharedPtr subscription_2_;

  ObjectList::ConstSharedPtr latest_message_1_;
  ObjectList::ConstSharedPtr latest_message_2_;

  int32_t next_display_id_ = 0;
  std::set<int32_t> drawn_ids_;
  DisplayPositions previous_positions_;
  DisplayPositions previous_velocities_;  // m/s, by display id
  double previous_marker_stamp_s_ = 0.0;
  // The robot pose (its stamp in "odom") that the remembered display positions refer to.
  std::optional<builtin_interfaces::msg::Time> display_pose_stamp_;
  RecentlyDroppedIds dropped_ids_;
  SourceTrackLinks source_links_;                // used with "follow_track_ids"
  std::set<int32_t> inputs_carrying_track_ids_;  // inputs seen with a track id other than 0
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILMERGE_NODE_HPP_
