#include "quillon_perception_libs/free_space_settings.hpp"

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>

#include <yaml-cpp/yaml.h>

namespace orvane
{
namespace perception
{
namespace
{

std::runtime_error badValue(const std::string & path, const char * key, const std::string & why)
{
  return std::runtime_error(
    "dynamic laser detector: '" + path + "': dynamic_laser_detector." + key + " " + why);
}

std::string describe(const YAML::Node & node)
{
  if (node.IsScalar()) {
    return "'" + node.Scalar() + "'";
  }
  return node.IsMap() ? "a map" : node.IsSequence() ? "a list" : "nothing";
}

template <typename T>
std::string text(T value)
{
  std::ostringstream out;
  out << value;
  return out.str();
}

enum class Bound
{
  positive,
  non_negative
};

// Reads `key` when present. Values that cannot work (NaN, infinite, below the bound) are refused
// here, so that a mistyped value does not silently switch detection off.
template <typename T>
void readKey(
  const std::string & path, const YAML::Node & section, const char * key, Bound bound, T & value)
{
  const YAML::Node node = section[key];
  if (!node) {
    return;
  }
  T read{};
  try {
    read = node.as<T>();
  } catch (const YAML::Exception &) {
    const char * kind = std::is_integral<T>::value ? "a whole number" : "a number";
    throw badValue(path, key, std::string("must be ") + kind + ", not " + describe(node));
  }
  const double number = static_cast<double>(read);
  if (!std::isfinite(number)) {
    throw badValue(path, key, "must be finite, not " + text(read));
  }
  if (bound == Bound::positive && !(number > 0.0)) {
    throw badValue(path, key, "must be greater than 0, not " + text(read));
  }
  if (bound == Bound::non_negative && number < 0.0) {
    throw badValue(path, key, "must not be negative, not " + text(read));
  }
  value = read;
}

}  // namespace

FreeSpaceSettings loadFreeSpaceSettings(const std::string & path)
{
  YAML::Node root;
  try {
    root = YAML::LoadFile(path);
  } catch (const YAML::Exception & e) {
    throw std::runtime_error(
      "dynamic laser detector: cannot read configuration '" + path + "': " + e.what());
  }
  FreeSpaceSettings s;
  if (root.IsNull()) {
    return s;  // an empty file: every key keeps its default
  }
  if (!root.IsMap()) {
    throw std::runtime_error("dynamic laser detector: '" + path + "' must be a map of keys");
  }
  const YAML::Node section = root["dynamic_laser_detector"];
  if (!section) {
    return s;
  }
  if (!section.IsMap()) {
    throw std::runtime_error(
      "dynamic laser detector: '" + path + "': dynamic_laser_detector must be a map of keys");
  }
  readKey(path, section, "free_space_memory", Bound::positive, s.free_space_memory);
  readKey(path, section, "memory_spacing", Bound::positive, s.memory_spacing);
  readKey(path, section, "free_space_margin", Bound::non_negative, s.free_space_margin);
  readKey(path, section, "free_space_margin_per_m", Bound::non_negative, s.free_space_margin_per_m);
  readKey(path, section, "lateral_margin", Bound::non_negative, s.lateral_margin);
  readKey(path, section, "odometry_drift", Bound::non_negative, s.odometry_drift);
  readKey(path, section, "at_rest_margin_share", Bound::non_negative, s.at_rest_margin_share);
  readKey(path, section, "max_range", Bound::positive, s.max_range);
  readKey(path, section, "min_support_beams", Bound::positive, s.min_support_beams);
  readKey(path, section, "body_range_tolerance", Bound::non_negative, s.body_range_tolerance);
  readKey(path, section, "body_min_travel", Bound::positive, s.body_min_travel);
  readKey(path, section, "uncovered_depth", Bound::non_negative, s.uncovered_depth);
  readKey(path, section, "settle_time", Bound::non_negative, s.settle_time);
  readKey(path, section, "structure_memory", Bound::non_negative, s.structure_memory);
  readKey(path, section, "unseen_join_range_gap", Bound::non_negative, s.unseen_join_range_gap);
  return s;
}

}  // namespace perception
}  // namespace orvane
