#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/track_svg.hpp"
#include "scratch_folder.hpp"

namespace quillon_tools
{
namespace
{

using test::MS;
using test::object;
using test::person;
using test::scoredList;
using test::truthFrame;

std::size_t count(const std::string & text, const std::string & needle)
{
  std::size_t n = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

// Every element is closed in order; a browser refuses a picture that is not well-formed XML.
bool tagsBalance(const std::string & svg)
{
  std::vector<std::string> open;
  for (auto lt = svg.find('<'); lt != std::string::npos; lt = svg.find('<', lt + 1)) {
    const auto gt = svg.find('>', lt);
    if (gt == std::string::npos) {
      return false;
    }
    const std::string tag = svg.substr(lt + 1, gt - lt - 1);
    if (tag.front() == '?' || tag.back() == '/') {
      continue;
    }
    const std::string name =
      tag.substr(tag.front() == '/', tag.find_first_of(" \n") - (tag.front() == '/'));
    if (tag.front() != '/') {
      open.push_back(name);
    } else if (open.empty() || open.back() != name) {
      return false;
    } else {
      open.pop_back();
    }
  }
  return open.empty();
}

TEST(TrackSvg, DrawsOnePathPerPersonAndEveryDetection)
{
  GroundTruth truth;
  truth.mounts["base_scan_01"] = {0.3, 0.0, 0.0};
  truth.furniture = {{"table_leg", 2.0, 2.0, 0.03}};
  for (int k = 0; k < 5; ++k) {
    truth.frames.push_back(truthFrame(
      k * 100 * MS, {person(1, 1.0 + 0.1 * k, 0.0), person(2, -1.0, 0.1 * k), person(5, 3.0, 3.0)},
      {0.05 * k, 0.0, 0.0}));
  }
  const std::vector<ScoredList> lists = {
    scoredList(
      0, "base_footprint", {object(1.0, 0.0), object(-1.0, 0.0), object(4.0, 4.0, 0, 0, 0)},
      {11, 12, 13}),
    scoredList(100 * MS, "base_scan_01", {object(0.75, 0.0)}, {}),
    scoredList(200 * MS, "unknown_frame", {object(0.0, 0.0)}, {14}),
    scoredList(900 * MS, "base_footprint", {object(0.0, 0.0)}, {15})};
  SvgOptions options;
  options.title = "run <1> & \"two\"";
  const std::string path = (quillon_test::scratchFolder().path() / "tracks.svg").string();
  writeSvg(path, truth, lists, options);

  std::ifstream file(path);
  std::stringstream content;
  content << file.rdbuf();
  const std::string svg = content.str();
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_TRUE(tagsBalance(svg));
  EXPECT_EQ(count(svg, "class=\"truth-path\""), 3u);
  // Two pedestrians of the first list and one of the scanner list; the others have no pose.
  EXPECT_EQ(count(svg, "r=\"2.5\" fill="), 3u + 3u);  // plus the legend's three sample dots
  EXPECT_EQ(count(svg, "<title>track "), 2u);
  EXPECT_NE(svg.find("run &lt;1&gt; &amp; &quot;two&quot;"), std::string::npos);
  EXPECT_NE(svg.find("table_leg"), std::string::npos);
  EXPECT_NE(svg.find(" m</text>"), std::string::npos);

  const std::string bad_path =
    (quillon_test::scratchFolder().path() / "no_such_dir/tracks.svg").string();
  try {
    writeSvg(bad_path, truth, lists);
    FAIL() << "writing into a missing directory succeeded";
  } catch (const std::runtime_error & error) {
    EXPECT_NE(std::string(error.what()).find(bad_path), std::string::npos);
  }
}

}  // namespace
}  // namespace quillon_tools
