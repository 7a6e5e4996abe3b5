// The fusion's pure functions without the node, in the order the node calls them on every
// list: objects carried through a transform (rotations, huge and non-finite translations),
// the non-finite ones dropped, the rest fused, display ids assigned with the ids remembered from
// earlier lists, markers drawn and removed. Several lists per input, so that ids carry over.
// Checks that fusion neither loses nor invents objects or points, that fused objects of finite
// inputs stay finite and in the hull of their sources, and that ids and markers are unique.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "finite_checks.hpp"
#include "fuzzed_bytes.hpp"
#include "fuzzed_objects.hpp"
#include "invariant.hpp"
#include "quillon_dynamic_detector/fused_markers.hpp"
#include "quillon_dynamic_detector/object_fusion.hpp"
#include "quillon_dynamic_detector/object_transform.hpp"
#include "unique_ids.hpp"

namespace
{

using namespace quillon_dynamic_detector;
using quillon_fuzz::FuzzedBytes;
using quillon_fuzz::invariantBroken;
using quillon_protocol::msg::Object;

// Fusion and display ids compare every object with every other: lists of hundreds come in rare
// inputs of their own (one in sixteen) with few lists, so that they do not slow the rest.
constexpr std::size_t OBJECT_COUNTS[] = {0, 1, 1, 2, 2, 3, 4, 6, 10, 20, 30};
constexpr std::size_t CROWD_COUNTS[] = {40, 100, 150};
constexpr int MAX_LISTS = 6;
constexpr int MAX_CROWD_LISTS = 2;
// Long outlines cost every copy a merge makes; a few corners show the same arithmetic.
constexpr std::size_t MAX_COPIED_OUTLINE = 8;
constexpr std::size_t MAX_PROTOTYPE_OUTLINE = 64;

geometry_msgs::msg::TransformStamped decodeTransform(FuzzedBytes & in)
{
  geometry_msgs::msg::TransformStamped t;
  const double yaw = 0.1 * static_cast<double>(in.byte());
  t.transform.rotation.z = std::sin(yaw / 2.0);
  t.transform.rotation.w = std::cos(yaw / 2.0);
  const uint8_t variant = in.byte();
  switch (variant % 6) {
    case 1:
      t.transform.translation.x = 0.3;
      t.transform.translation.y = -0.2;
      break;
    case 2:
      t.transform.translation.x = variant > 128 ? 1e300 : 1e5;
      break;
    case 3:
      t.transform.translation.y = std::numeric_limits<double>::quiet_NaN();
      break;
    case 4:
      t.transform.rotation.z = 3.0;
      t.transform.rotation.w = 4.0;  // not normalised
      break;
    default:
      break;
  }
  return t;
}

bool isFinite(const Object & o) { return quillon_fuzz::nonFiniteField(o) == nullptr; }

std::vector<Object> finiteOnly(std::vector<Object> objects)
{
  objects.erase(
    std::remove_if(objects.begin(), objects.end(), [](const Object & o) { return !isFinite(o); }),
    objects.end());
  return objects;
}

// Objects of moderate size: merges can neither overflow nor saturate the point counts.
bool isModerate(const Object & o)
{
  const double magnitudes[] = {o.pose.position.x, o.pose.position.y, o.velocity_x, o.velocity_y};
  return std::all_of(
           std::begin(magnitudes), std::end(magnitudes),
           [](double v) { return std::abs(v) < 1e6; }) &&
         std::abs(o.point_count) < 1000000;
}

// Every collected object is a member of exactly one fused object.
void checkMembers(
  const std::vector<std::vector<std::size_t>> & members, std::size_t collected, std::size_t fused)
{
  if (members.size() != fused) {
    invariantBroken("members not parallel to the fused objects");
  }
  std::vector<int> seen(collected, 0);
  for (const auto & member_indices : members) {
    for (const std::size_t index : member_indices) {
      if (index >= collected || ++seen[index] > 1) {
        invariantBroken("a member index out of range, or one object a member twice");
      }
    }
  }
  if (std::count(seen.begin(), seen.end(), 1) != static_cast<std::ptrdiff_t>(collected)) {
    invariantBroken("a collected object is no member of any fused object");
  }
}

void checkFusion(const std::vector<Object> & collected, const std::vector<Object> & fused)
{
  if (fused.size() > collected.size() || (fused.empty() != collected.empty())) {
    invariantBroken("fusion lost or invented objects");
  }
  if (!std::all_of(collected.begin(), collected.end(), isModerate)) {
    return;
  }
  int64_t points_in = 0, points_out = 0;
  double min_x = INFINITY, max_x = -INFINITY, min_y = INFINITY, max_y = -INFINITY;
  for (const Object & o : collected) {
    points_in += o.point_count;
    min_x = std::min(min_x, o.pose.position.x);
    max_x = std::max(max_x, o.pose.position.x);
    min_y = std::min(min_y, o.pose.position.y);
    max_y = std::max(max_y, o.pose.position.y);
  }
  const double slack = 1e-6 * (1.0 + max_x - min_x + max_y - min_y);
  for (const Object & o : fused) {
    points_out += o.point_count;
    if (!isFinite(o)) {
      invariantBroken("fusing finite objects of moderate size gave a non-finite one");
    }
    const auto & p = o.pose.position;
    if (p.x < min_x - slack || p.x > max_x + slack || p.y < min_y - slack || p.y > max_y + slack) {
      invariantBroken("a fused centre lies outside its sources");
    }
    if (std::abs(o.range - std::hypot(p.x, p.y)) > 1e-6 * (1.0 + o.range)) {
      invariantBroken("fused range is not the centre's distance");
    }
  }
  if (points_in != points_out) {
    invariantBroken("fusion lost or invented points");
  }
}

// What the node keeps between lists to draw them.
struct Drawing
{
  int32_t next_display_id = 0;
  std::set<int32_t> drawn_ids;
  DisplayPositions positions;
  DisplayPositions velocities;
  double stamp_s = 0.0;
  RecentlyDroppedIds dropped;
};

void draw(
  const std::vector<Object> & objects, double now_s, const FusedMarkerConfig & config,
  Drawing & drawing)
{
  DisplayCandidates candidates = candidatesWithin(drawing.positions, config.association_distance);
  drawing.dropped.addCandidates(
    candidates, now_s, config.id_memory, config.association_distance, config.id_reach_growth);
  const int32_t next_before = drawing.next_display_id;
  const std::vector<int32_t> ids = assignDisplayIds(objects, candidates, drawing.next_display_id);
  if (ids.size() != objects.size() || drawing.next_display_id < next_before) {
    invariantBroken("display ids: not one per object, or the next id went back");
  }
  quillon_fuzz::requireUniqueIds(ids, "display ids");
  std_msgs::msg::Header header;
  header.stamp.sec = static_cast<int32_t>(now_s);
  header.frame_id = "base_footprint";
  visualization_msgs::msg::MarkerArray array;
  std::set<int32_t> used(ids.begin(), ids.end());
  DisplayPositions positions;
  DisplayPositions velocities;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    appendObjectMarkers(objects[i], ids[i], header, config, array.markers);
    positions[ids[i]] = {objects[i].pose.position.x, objects[i].pose.position.y};
    velocities[ids[i]] = {objects[i].velocity_x, objects[i].velocity_y};
    if (fusedLabelText(ids[i], objects[i], 0.1).rfind("FUSED ID:", 0) != 0) {
      invariantBroken("label does not start with the display id");
    }
  }
  for (const int32_t id : drawing.drawn_ids) {
    if (used.count(id) == 0) {
      appendRemovalMarkers(id, array.markers);
      if (config.id_memory > 0.0) {
        drawing.dropped.remember(
          id, drawing.positions.at(id), drawing.velocities.at(id), drawing.stamp_s);
      }
    }
  }
  drawing.dropped.forget(used, now_s, config.id_memory);
  quillon_fuzz::requireFiniteMarkers(array, "fused markers");
  quillon_fuzz::requireUniqueMarkerIds(array.markers, "fused markers");
  drawing.stamp_s = now_s;
  drawing.drawn_ids = std::move(used);
  drawing.positions = std::move(positions);
  drawing.velocities = std::move(velocities);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  FuzzedBytes in(data, size);
  FusionConfig fusion;
  const double merge_distances[] = {0.45, 0.45, 0.0, 2.0, 1e9};
  fusion.merge_distance = in.pick(merge_distances);
  fusion.prefer_more_points = in.flag();
  FusedMarkerConfig markers;
  const double association_distances[] = {0.6, 0.0, 5.0};
  const double id_memories[] = {0.0, 0.5, 2.0};  // the scanner profiles use 0.5 s
  markers.association_distance = in.pick(association_distances);
  markers.id_memory = in.pick(id_memories);
  const double reach_growths[] = {0.0, 0.5, 1e9};
  markers.id_reach_growth = in.pick(reach_growths);

  Object prototypes[3];
  for (Object & p : prototypes) {
    p = quillon_fuzz::decodeObject(in);
    // Every merge copies the dominant object's outline; thousands of corners only slow the run
    // (object_list_fusion sends them).
    if (p.polygon.size() > MAX_PROTOTYPE_OUTLINE) {
      p.polygon.resize(MAX_PROTOTYPE_OUTLINE);
    }
  }
  Drawing drawing;
  double now_s = 1700000000.0;
  const uint8_t length = in.byte();
  const bool crowd = length >= 240;
  const int lists = 1 + length % (crowd ? MAX_CROWD_LISTS : MAX_LISTS);
  for (int l = 0; l < lists && (l == 0 || !in.empty()); ++l) {
    const geometry_msgs::msg::TransformStamped transform = decodeTransform(in);
    const std::size_t count = crowd ? in.pick(CROWD_COUNTS) : in.pick(OBJECT_COUNTS);
    const uint8_t layout = in.byte();
    std::vector<Object> collected;
    for (std::size_t k = 0; k < count; ++k) {
      Object o = prototypes[(layout + k) % 3];
      if (k >= 2 && o.polygon.size() > MAX_COPIED_OUTLINE) {
        o.polygon.resize(MAX_COPIED_OUTLINE);
      }
      o.pose.position.x += 0.2 * static_cast<double>(k % 20) + 0.01 * l;
      o.pose.position.y += 0.5 * static_cast<double>(k / 20);
      collected.push_back(applyTransform(o, transform));
    }
    collected = finiteOnly(std::move(collected));
    // The first half of the objects and the second are two scanners' lists; half the lists pair
    // them, and half keep apart what one list separates.
    const std::size_t first_list_size = collected.size() / 2;
    FusionConfig two_lists = fusion;
    two_lists.keep_separated_objects = (layout & 0x40U) != 0;
    std::vector<std::vector<std::size_t>> members;
    std::vector<Object> fused = fuseObjects(collected, two_lists, &members, first_list_size);
    two_lists.pair_distance = (layout & 0x80U) ? 0.6 : 0.0;
    pairAcrossLists(fused, members, first_list_size, two_lists);
    checkFusion(collected, fused);
    checkMembers(members, collected.size(), fused.size());
    now_s += 0.01 * static_cast<double>(in.byte()) - (in.flag() ? 0.5 : 0.0);
    draw(finiteOnly(fused), now_s, markers, drawing);
  }
  return 0;
}
