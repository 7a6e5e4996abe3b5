#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/ground_truth_csv.hpp"
#include "scratch_folder.hpp"

namespace quillon_tools
{
namespace
{

using test::person;
using test::scanOf;
using test::truthFrame;
using test::withBeams;

std::string tmpPath(const std::string & name)
{
  return (quillon_test::scratchFolder().path() / name).string();
}

std::string writeText(const std::string & name, const std::string & text)
{
  const std::string path = tmpPath(name);
  std::ofstream(path) << text;
  return path;
}

std::string readError(const std::string & path)
{
  try {
    readGroundTruthCsv(path);
  } catch (const std::runtime_error & error) {
    return error.what();
  }
  return "no error";
}

void expectSamePose(const Pose2D & a, const Pose2D & b)
{
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.yaw, b.yaw);
}

TEST(GroundTruthCsv, WritesAndReadsBackExactly)
{
  GroundTruth truth;
  truth.mounts["base_scan_01"] = {0.35, -0.1, 0.785398163397448};
  truth.mounts["base_scan_02"] = {-0.35, 0.1, -2.356194490192345};
  truth.views["base_scan_01"] = {4.71238898038469, 25.0};  // base_scan_02's view is unknown
  truth.furniture = {{"table_leg", 1.0 / 3.0, -2.5, 0.025}, {"pillar", 4.0, 1e-7, 0.3}};
  truth.frames = {
    scanOf(
      "base_scan_01",
      truthFrame(
        1700000000123456789, {withBeams(person(4, 0.1, 0.2, 1.25, -0.1), 0), person(9, -3.0, 2.0)},
        {0.5, -0.25, 3.1}, -0.4)),
    truthFrame(1700000000223456789, {withBeams(person(4, 0.2, 0.2), 17)}, {0.6, -0.25, 3.05})};
  truth.frames[0].robot_vx = 1.0 / 7.0;
  truth.frames[0].robot_vy = -0.02;
  truth.frames[1].ignored = {{2.6, -0.7, 0.5}, {1.0 / 3.0, 4e-3, 0.25}};

  const std::string path = tmpPath("round_trip.csv");
  writeGroundTruthCsv(path, truth);
  const GroundTruth back = readGroundTruthCsv(path);

  ASSERT_EQ(back.mounts.size(), 2u);
  expectSamePose(back.mounts.at("base_scan_01"), truth.mounts.at("base_scan_01"));
  expectSamePose(back.mounts.at("base_scan_02"), truth.mounts.at("base_scan_02"));
  ASSERT_EQ(back.views.size(), 1u);
  EXPECT_EQ(back.views.at("base_scan_01").fov, truth.views.at("base_scan_01").fov);
  EXPECT_EQ(back.views.at("base_scan_01").range_max, 25.0);
  ASSERT_EQ(back.furniture.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.furniture[i].kind, truth.furniture[i].kind);
    EXPECT_EQ(back.furniture[i].x, truth.furniture[i].x);
    EXPECT_EQ(back.furniture[i].y, truth.furniture[i].y);
    EXPECT_EQ(back.furniture[i].radius, truth.furniture[i].radius);
  }
  ASSERT_EQ(back.frames.size(), 2u);
  for (std::size_t f = 0; f < 2; ++f) {
    const TruthFrame & a = back.frames[f];
    const TruthFrame & b = truth.frames[f];
    EXPECT_EQ(a.stamp_ns, b.stamp_ns);
    EXPECT_EQ(a.scanner_frame, b.scanner_frame);
    expectSamePose(a.robot, b.robot);
    EXPECT_EQ(a.robot_vx, b.robot_vx);
    EXPECT_EQ(a.robot_vy, b.robot_vy);
    EXPECT_EQ(a.robot_omega, b.robot_omega);
    ASSERT_EQ(a.people.size(), b.people.size());
    for (std::size_t p = 0; p < a.people.size(); ++p) {
      EXPECT_EQ(a.people[p].id, b.people[p].id);
      EXPECT_EQ(a.people[p].x, b.people[p].x);
      EXPECT_EQ(a.people[p].y, b.people[p].y);
      EXPECT_EQ(a.people[p].vx, b.people[p].vx);
      EXPECT_EQ(a.people[p].vy, b.people[p].vy);
      EXPECT_EQ(a.people[p].beams, b.people[p].beams);
    }
    ASSERT_EQ(a.ignored.size(), b.ignored.size());
    for (std::size_t i = 0; i < a.ignored.size(); ++i) {
      EXPECT_EQ(a.ignored[i].x, b.ignored[i].x);
      EXPECT_EQ(a.ignored[i].y, b.ignored[i].y);
      EXPECT_EQ(a.ignored[i].radius, b.ignored[i].radius);
    }
  }

  truth.views["base_scan_03"] = {};  // a view needs its scanner's mount
  EXPECT_THROW(writeGroundTruthCsv(path, truth), std::runtime_error);
  truth.views.erase("base_scan_03");
  truth.frames[1].ignored[0].radius = 0.0;  // no circle to read back
  EXPECT_THROW(writeGroundTruthCsv(path, truth), std::runtime_error);
  truth.frames[1].ignored.clear();
  truth.furniture[0].kind = "leg, left";
  EXPECT_THROW(writeGroundTruthCsv(path, truth), std::runtime_error);
  EXPECT_THROW(writeGroundTruthCsv(tmpPath("no_such_dir/truth.csv"), truth), std::runtime_error);
}

TEST(GroundTruthCsv, ReadsFilesWithoutViewsBeamsAndScanFrames)
{
  const std::string legacy = writeText(
    "legacy.csv",
    "stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name\n"
    "0,mount,0,0.35,-0.2,,,-0.785398,base_scan_01,,,\n"
    "100,robot,0,0,0,0,0,0,odom,0,,\n"
    "100,person,4,3,0.5,-0.8,0,,odom,,,\n"
    "100,ignore,3,2.6,-0.7,,,,,,0.5,stopped walker not labelled\n");
  const GroundTruth truth = readGroundTruthCsv(legacy);
  EXPECT_EQ(truth.mounts.size(), 1u);
  EXPECT_TRUE(truth.views.empty());
  ASSERT_EQ(truth.frames.size(), 1u);
  EXPECT_EQ(truth.frames[0].scanner_frame, "");
  EXPECT_EQ(truth.frames[0].people.at(0).beams, -1);
  EXPECT_DOUBLE_EQ(truth.frames[0].people.at(0).vx, -0.8);
  ASSERT_EQ(truth.frames[0].ignored.size(), 1u);
  EXPECT_DOUBLE_EQ(truth.frames[0].ignored[0].y, -0.7);
  EXPECT_DOUBLE_EQ(truth.frames[0].ignored[0].radius, 0.5);

  // One of fov and range_max leaves the other unlimited; 2 pi rounded up reads as 2 pi.
  const std::string partial = writeText(
    "partial_view.csv", std::string(GROUND_TRUTH_CSV_HEADER) +
                          "\n0,mount,0,0,0,,,0,a,,,,,8.5,,\n0,mount,0,0,0,,,0,b,,,,6.283186,,,\n");
  const GroundTruth views = readGroundTruthCsv(partial);
  EXPECT_EQ(views.views.at("a").fov, ScannerView().fov);
  EXPECT_EQ(views.views.at("a").range_max, 8.5);
  EXPECT_EQ(views.views.at("b").fov, ScannerView().fov);
  EXPECT_EQ(views.views.at("b").range_max, ScannerView().range_max);
}

TEST(GroundTruthCsv, EstimatesMissingVelocitiesFromNeighbouringSamples)
{
  const std::string path = writeText(
    "annotated.csv",
    "# annotated by hand\n"
    "\n"
    "stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name\n"
    "0, robot, 0, 0, 0, , , 3.1, odom, , ,\n"
    "0, person, 7, 0, 1, , , , odom, , ,\n"
    "100000000, person, 7, 0.1, 1, , , , , , ,\n"
    "100000000, robot, 0, 0.05, 0, 0.5, 0, -3.1, odom, 0.25, ,\n"
    "  # a comment between frames\n"
    "200000000,robot,0,0.1,0,,,-3.0,odom,,,\n"
    "200000000,person,7,0.3,1,,,,odom,,,\n"
    "200000000,person,8,2,2,0.5,0.5,,odom,,,\n");
  const GroundTruth truth = readGroundTruthCsv(path);
  ASSERT_EQ(truth.frames.size(), 3u);
  EXPECT_NEAR(truth.frames[0].people[0].vx, 1.0, 1e-9);  // forward difference
  EXPECT_NEAR(truth.frames[1].people[0].vx, 1.5, 1e-9);  // central difference
  EXPECT_NEAR(truth.frames[2].people[0].vx, 2.0, 1e-9);  // backward difference
  EXPECT_NEAR(truth.frames[1].people[0].vy, 0.0, 1e-9);
  EXPECT_DOUBLE_EQ(truth.frames[2].people[1].vx, 0.5);  // given values are kept
  EXPECT_NEAR(truth.frames[0].robot_vx, 0.5, 1e-9);
  EXPECT_DOUBLE_EQ(truth.frames[1].robot_omega, 0.25);
  // The yaw wraps from 3.1 to -3.1: a small turn forwards, not almost a full one backwards.
  const double pi = 3.14159265358979323846;
  EXPECT_NEAR(truth.frames[0].robot_omega, (2.0 * pi - 6.2) / 0.1, 1e-9);
  EXPECT_NEAR(truth.frames[2].robot_omega, 1.0, 1e-9);
}

TEST(GroundTruthCsv, MalformedFilesNameTheFileAndLine)
{
  const std::string header = "stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name\n";
  const std::string robot0 = "0,robot,0,0,0,,,0,odom,,,\n";
  const std::string wide = std::string(GROUND_TRUTH_CSV_HEADER) + "\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
    {header + robot0 + "0,person,1,2,3,,,,odom,,\n", ":3: expected 12 columns, found 11"},
    {header + robot0 + "0,person,1,2,abc,,,,odom,,,\n", ":3: column 'y' is not a number: 'abc'"},
    {header + robot0 + "0,person,1,nan,1,,,,odom,,,\n", ":3: column 'x' is not finite: 'nan'"},
    {header + "0,robot,0,0,0,,,inf,odom,,,\n", ":2: column 'yaw' is not finite: 'inf'"},
    {header + robot0 + "0,ghost,1,2,3,,,,odom,,,\n", ":3: unknown kind 'ghost'"},
    {header + "200,robot,0,0,0,,,0,odom,,,\n100,robot,0,0,0,,,0,odom,,,\n",
     ":3: stamp 100 is earlier than the previous stamp 200"},
    {header + robot0 + "5,person,1,2,3,,,,odom,,,\n",
     ":3: stamp 5 has person lines but no robot line"},
    {header + robot0 + "0,person,1.5,2,3,,,,odom,,,\n", ":3: column 'id' is not an integer"},
    {header + robot0 + "0,person,1,2,3,0.5,,,odom,,,\n",
     ":3: columns 'vx' and 'vy' must both be given"},
    {header + robot0 + "0,person,1,2,3,,,,base_footprint,,,\n",
     ":3: frame of person lines must be 'odom'"},
    {header + robot0 + "0,person,1,2,,,,,odom,,,\n", ":3: column 'y' is required"},
    {header + "0,furniture,0,1,1,,,,odom,,0,chair\n", ":2: furniture radius must be positive"},
    {header + "3,mount,0,1,1,,,0,base_scan_01,,,\n", ":2: stamp_ns of mount lines must be 0"},
    {header + robot0 + "0,robot,0,0,0,,,0,odom,,,\n", ":3: second robot line at stamp 0"},
    {header + robot0 + "0,person,1,0,0,,,0.3,odom,,,\n",
     ":3: column 'yaw' must be empty for person lines"},
    {"# nothing but a comment\nstamp,kind\n", ":2: header must be"},
    {header + robot0 + "0,person,1,2,3,,,,odom,,,,,,\n", ":3: expected 12 columns, found 15"},
    {"stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,name,radius\n", ":1: header must be"},
    {"# empty\n", ":1: no header line"},
    {wide + "0,mount,0,0,0,,,0,a,,,,0,,,\n", ":2: fov must be in (0, 2 pi]"},
    {wide + "0,mount,0,0,0,,,0,a,,,,7,,,\n", ":2: fov must be in (0, 2 pi]"},
    {wide + "0,mount,0,0,0,,,0,a,,,,,-1,,\n", ":2: range_max must be positive"},
    {wide + "0,mount,0,0,0,,,0,a,,,,,,3,\n", ":2: column 'beams' must be empty for mount"},
    {wide + "0,robot,0,0,0,,,0,odom,,,,,,,odom\n", ":2: column 'scan_frame' must name a scanner"},
    {wide + "0,robot,0,0,0,,,0,odom,,,,,,,a\n0,person,1,2,3,,,,odom,,,,,,-2,\n",
     ":3: column 'beams' must not be negative"},
    {wide + "0,robot,0,0,0,,,0,odom,,,,,,,a\n0,person,1,2,3,,,,odom,,,,,,2.5,\n",
     ":3: column 'beams' is not an integer"},
    {wide + "0,robot,0,0,0,,,0,odom,,,\n", ":2: expected 16 columns, found 12"},
    {header + robot0 + "5,ignore,0,1,1,,,,odom,,0.5,\n",
     ":3: stamp 5 has ignore lines but no robot line"},
    {header + robot0 + "0,ignore,0,1,1,,,,odom,,0,\n", ":3: ignore radius must be positive"},
    {header + robot0 + "0,ignore,0,1,1,,,,odom,,-0.5,\n", ":3: ignore radius must be positive"},
    {header + robot0 + "0,ignore,0,1,1,,,,odom,,,\n", ":3: column 'radius' is required"},
    {header + robot0 + "0,ignore,0,1,1,,,0.2,odom,,0.5,\n",
     ":3: column 'yaw' must be empty for ignore lines"},
    {header + robot0 + "0,ignore,0,1,1,,,,base_scan_01,,0.5,\n",
     ":3: frame of ignore lines must be 'odom'"},
    {header + robot0 + "0,ignore,x,1,1,,,,odom,,0.5,\n", ":3: column 'id' is not an integer"},
    {wide + "0,robot,0,0,0,,,0,odom,,,,,,,\n0,ignore,0,1,1,,,,odom,,0.5,,,,2,\n",
     ":3: column 'beams' must be empty for ignore lines"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string path = writeText("malformed_" + std::to_string(i) + ".csv", cases[i].first);
    const std::string error = readError(path);
    EXPECT_NE(error.find(path + cases[i].second), std::string::npos)
      << "case " << i << ": " << error;
  }
  EXPECT_NE(readError(tmpPath("missing.csv")).find("missing.csv: cannot open"), std::string::npos);
}

}  // namespace
}  // namespace quillon_tools
