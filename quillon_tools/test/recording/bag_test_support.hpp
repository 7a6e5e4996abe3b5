// What the bag tests share: the golden recordings of a running Humble (and their JSON
// descriptions, which yaml-cpp reads as the YAML subset JSON is), scratch folders, hex.
#ifndef BAG_TEST_SUPPORT_HPP_
#define BAG_TEST_SUPPORT_HPP_

#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "scratch_folder.hpp"

namespace bag_test
{

namespace fs = std::filesystem;

// The two recordings of the same messages: Fast DDS (Humble's default) and Cyclone DDS.
inline const std::vector<std::string> & goldenRecordings()
{
  static const std::vector<std::string> names{"", "cyclonedds/"};
  return names;
}

inline fs::path goldenBag(const std::string & recording)
{
  return fs::path(QUILLON_GOLDEN_DIR) / "bag" / recording / "scans_tf_markers";
}

inline YAML::Node goldenJson(const std::string & recording)
{
  return YAML::LoadFile(
    (fs::path(QUILLON_GOLDEN_DIR) / "bag" / recording / "scans_tf_markers.json").string());
}

inline std::string fileText(const fs::path & file)
{
  std::ifstream stream(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

using quillon_test::scratch;

// A writable copy of a golden bag (the golden files are read-only).
inline fs::path copyOfGoldenBag(const std::string & recording, const std::string & name)
{
  const auto copy = scratch(name);
  fs::copy(goldenBag(recording), copy, fs::copy_options::recursive);
  for (const auto & entry : fs::directory_iterator(copy)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  }
  return copy;
}

inline std::vector<uint8_t> fromHex(const std::string & hex)
{
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// The JSON writes non-finite numbers as the strings "NaN", "Infinity" and "-Infinity".
template <typename FloatT>
FloatT number(const YAML::Node & node)
{
  const auto text = node.as<std::string>();
  if (text == "NaN") {
    return std::numeric_limits<FloatT>::quiet_NaN();
  }
  if (text == "Infinity" || text == "-Infinity") {
    return (text[0] == '-' ? -1 : 1) * std::numeric_limits<FloatT>::infinity();
  }
  return node.as<FloatT>();
}

// Equal values, or both NaN.
template <typename FloatT>
bool sameNumber(FloatT expected, FloatT actual)
{
  return (std::isnan(expected) && std::isnan(actual)) || expected == actual;
}

}  // namespace bag_test

#endif  // BAG_TEST_SUPPORT_HPP_
