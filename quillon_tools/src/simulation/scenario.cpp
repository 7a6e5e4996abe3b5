#include "quillon_tools/simulation/scenario.hpp"

#include <cmath>
#include <functional>
#include <stdexcept>
#include <utility>

namespace quillon_tools
{

namespace
{

using V = Eigen::Vector2d;
using End = WalkerScript::End;

std::vector<V> rectangleOutline(double x0, double y0, double x1, double y1)
{
  return {V(x0, y0), V(x1, y0), V(x1, y1), V(x0, y1)};
}

WalkerScript walker(
  int32_t id, std::vector<V> waypoints, double speed, double start_time, End end = End::Leave)
{
  WalkerScript w;
  w.id = id;
  w.waypoints = std::move(waypoints);
  w.speed = speed;
  w.start_time = start_time;
  w.end = end;
  return w;
}

WalkerScript looping(int32_t id, std::vector<V> waypoints, double speed, double start_time = 0.0)
{
  WalkerScript w = walker(id, std::move(waypoints), speed, start_time);
  w.loop = true;
  return w;
}

WalkerScript withPauses(WalkerScript w, std::vector<double> pauses)
{
  w.pauses = std::move(pauses);
  return w;
}

// A 3 m wide corridor with two lanes; the robot stands in the middle.
Scenario corridorWalkers()
{
  Scenario s;
  s.duration_s = 40.0;
  s.world.addWall(V(-15.0, 1.5), V(15.0, 1.5));
  s.world.addWall(V(-15.0, -1.5), V(15.0, -1.5));
  s.walkers = {
    walker(1, {V(-12.0, 0.8), V(12.0, 0.8)}, 1.2, 0.0),
    walker(2, {V(12.0, -0.8), V(-12.0, -0.8)}, 1.0, 2.0),
    walker(3, {V(-12.0, 0.8), V(12.0, 0.8)}, 1.4, 10.0),
    walker(4, {V(12.0, -0.8), V(-12.0, -0.8)}, 1.3, 14.0),
    // A pair side by side, 0.6 m apart.
    walker(5, {V(-12.0, 0.5), V(12.0, 0.5)}, 1.1, 22.0),
    walker(6, {V(-12.0, 1.1), V(12.0, 1.1)}, 1.1, 22.0),
    walker(7, {V(12.0, -0.8), V(-12.0, -0.8)}, 1.0, 28.0),
  };
  return s;
}

// A 12 m x 9 m room with a door in the east wall, two tables with chairs, a pillar and boxes,
// and the clutter of a real room: plants, a bin, a bag and a glass pane.
Scenario crowdedRoom()
{
  Scenario s;
  s.duration_s = 40.0;
  auto & w = s.world;
  w.addWall(V(7.0, -3.0), V(7.0, 4.5));
  w.addWall(V(7.0, 4.5), V(-5.0, 4.5));
  w.addWall(V(-5.0, 4.5), V(-5.0, -4.5));
  w.addWall(V(-5.0, -4.5), V(7.0, -4.5));
  w.addWall(V(7.0, -4.5), V(7.0, -4.4));
  w.addTable(V(3.0, 2.5), 1.2, 0.8);
  w.addChair(V(3.0, 1.75));
  w.addChair(V(3.0, 3.25));
  w.addTable(V(-2.5, -2.3), 1.0, 1.0, 0.5236);
  w.addChair(V(-1.5, -2.4), 0.3);
  w.addPillar(V(2.0, -2.0), 0.2);
  w.addBox(V(6.3, -2.5), 1.0, 0.6, 0.3);
  w.addBox(V(-4.2, 3.6), 0.8, 0.8, 0.0);
  // The clutter of a real room, clear of the walkers' paths.
  w.addChair(V(-3.4, -2.6), 0.8);
  w.addPlant(V(-4.5, 0.0), 0.3, 1);
  w.addPlant(V(6.5, 2.0), 0.3, 2);
  w.addBin(V(-4.6, -1.8), 0.2);
  w.addBag(V(0.5, 2.2), 0.4, 0.3, 0.4);
  w.addGlassPane(V(-1.0, 4.4), V(1.0, 4.4));
  s.walkers = {
    looping(1, {V(-3.5, 1.0), V(5.5, 1.0), V(5.5, -1.0), V(-3.5, -1.0)}, 1.1),
    // Walks in, stands 12 s, then crosses to the west side and stays there.
    withPauses(
      walker(2, {V(6.2, 4.0), V(1.2, 4.0), V(-3.0, 3.0)}, 1.0, 1.0, End::Stand), {0.0, 12.0}),
    // A pair walking side by side out through the door.
    walker(3, {V(-4.2, -3.5), V(11.0, -3.5)}, 1.0, 3.0),
    walker(4, {V(-4.2, -4.1), V(11.0, -4.1)}, 1.0, 3.0),
    // Comes in through the door later, stands by the small table, then settles in the corner.
    withPauses(
      walker(5, {V(10.0, -3.7), V(6.0, -3.7), V(-1.0, -3.0), V(-4.0, -3.8)}, 1.2, 20.0, End::Stand),
      {0.0, 0.0, 8.0}),
  };
  return s;
}

// The robot turns in place at 0.5 rad/s in a 10 m x 10 m room while people circle around it.
Scenario robotTurning()
{
  Scenario s;
  s.duration_s = 30.0;
  s.world.addOutline(rectangleOutline(-5.0, -5.0, 5.0, 5.0));
  s.world.addPlant(V(-4.5, -4.5), 0.3, 3);
  s.world.addBin(V(-4.6, 0.0), 0.2);
  s.world.addBag(V(2.0, -4.5), 0.45, 0.3, 0.2);
  s.world.addGlassPane(V(-1.0, 4.9), V(1.0, 4.9));
  s.robot.kind = RobotScript::Kind::Turn;
  s.robot.turn_rate = 0.5;
  s.walkers = {
    looping(1, {V(-3.0, -3.0), V(3.0, -3.0), V(3.0, 3.0), V(-3.0, 3.0)}, 1.0),
    looping(2, {V(-1.8, -1.5), V(1.8, -1.5), V(1.8, 1.5), V(-1.8, 1.5)}, 0.9),
    withPauses(
      walker(3, {V(4.2, -4.2), V(4.2, 4.2), V(-4.2, 4.2)}, 1.3, 5.0, End::Stand), {0.0, 3.0}),
  };
  return s;
}

// The same room with the robot turning on the spot three times as fast (1.5 rad/s).
Scenario robotTurningFast()
{
  Scenario s = robotTurning();
  s.robot.turn_rate = 1.5;
  return s;
}

// A dining corner: people stand right beside chair and table legs and walk between them.
Scenario peopleByChairs()
{
  Scenario s;
  s.duration_s = 40.0;
  auto & w = s.world;
  w.addOutline(rectangleOutline(-3.0, -3.5, 5.0, 3.5));
  w.addTable(V(2.5, 1.5), 1.2, 0.8);
  for (const V & chair : {V(2.2, 0.75), V(2.8, 0.75), V(2.2, 2.25), V(2.8, 2.25)}) {
    w.addChair(chair);
  }
  w.addTable(V(2.5, -1.8), 0.8, 0.8);
  w.addChair(V(1.7, -1.8));
  w.addChair(V(3.3, -1.8));
  w.addPlant(V(-2.6, 3.1), 0.25, 4);
  w.addBin(V(-2.6, 0.0), 0.2);
  w.addBag(V(0.0, 3.2), 0.4, 0.3, 0.0);
  s.walkers = {
    withPauses(
      walker(1, {V(-2.0, 2.8), V(1.75, 0.85), V(-1.2, 0.6), V(-2.0, -2.5)}, 1.0, 0.0, End::Stand),
      {0.0, 15.0}),
    withPauses(looping(2, {V(0.8, -0.4), V(4.4, -0.4), V(4.4, 3.1), V(0.8, 3.1)}, 1.0), {0.0, 3.0}),
    withPauses(
      walker(
        3, {V(-2.5, -3.0), V(1.2, -2.6), V(1.2, -2.0), V(1.2, -2.8), V(4.3, -3.0)}, 0.9, 2.0,
        End::Stand),
      {0.0, 0.0, 10.0}),
    looping(4, {V(3.45, 2.5), V(3.45, 0.2)}, 0.8, 1.0),
  };
  return s;
}

// The robot drives 24 m down a 3.5 m wide corridor at 0.6 m/s while people pass both ways.
Scenario robotDriving()
{
  Scenario s;
  s.duration_s = 40.0;
  s.world.addOutline(rectangleOutline(-3.0, -1.75, 30.0, 1.75));
  s.robot.kind = RobotScript::Kind::Drive;
  s.robot.waypoints = {V(24.0, 0.0)};
  s.robot.speed = 0.6;
  s.walkers = {
    walker(1, {V(28.0, 1.0), V(-2.0, 1.0)}, 1.2, 0.0),
    walker(2, {V(29.0, 1.0), V(-2.0, 1.0)}, 1.0, 8.0),
    walker(3, {V(-2.0, -1.0), V(28.0, -1.0)}, 1.4, 3.0),
    walker(4, {V(-2.0, -0.7), V(28.0, -0.7)}, 1.2, 15.0),
    walker(5, {V(-2.0, -1.3), V(28.0, -1.3)}, 1.2, 15.0),
    walker(6, {V(29.0, 1.0), V(-2.0, 1.0)}, 1.3, 20.0),
  };
  return s;
}

// The robot drives at 1 m/s down a 4 m wide corridor with two side doorways. People come
// towards it, walk ahead of it, cross through the doorways in front of it, pass close to a
// wall, walk as a pair and stop on the way.
Scenario corridorDrive()
{
  Scenario s;
  s.duration_s = 40.0;
  auto & w = s.world;
  // Walls with a 1.5 m doorway on each side at x = 12 and x = 26.
  for (const double y : {-2.0, 2.0}) {
    w.addWall(V(-3.0, y), V(12.0, y));
    w.addWall(V(13.5, y), V(26.0, y));
    w.addWall(V(27.5, y), V(45.0, y));
  }
  w.addWall(V(-3.0, -2.0), V(-3.0, 2.0));
  s.robot.kind = RobotScript::Kind::Drive;
  s.robot.waypoints = {V(38.0, 0.0)};
  s.robot.speed = 1.0;
  s.walkers = {
    walker(1, {V(44.0, 1.0), V(-2.0, 1.0)}, 1.2, 0.0),
    // Ahead of the robot, slowly pulling away.
    walker(2, {V(3.0, -0.7), V(44.0, -0.7)}, 1.1, 0.0),
    // Across the corridor through the doorways, a few metres in front of the robot.
    walker(3, {V(12.75, 6.0), V(12.75, -6.0)}, 1.0, 3.0),
    walker(4, {V(26.75, -6.0), V(26.75, 6.0)}, 1.2, 19.5),
    // Close along the wall.
    walker(5, {V(44.0, -1.7), V(-2.0, -1.7)}, 1.3, 6.0),
    // A pair side by side.
    walker(6, {V(44.0, 0.9), V(-2.0, 0.9)}, 1.1, 12.0),
    walker(7, {V(44.0, 1.5), V(-2.0, 1.5)}, 1.1, 12.0),
    // Stops for 3 s on the way, then goes on.
    withPauses(walker(8, {V(44.0, -1.2), V(30.0, -1.2), V(-2.0, -1.2)}, 1.0, 2.0), {0.0, 3.0}),
  };
  return s;
}

// A 23 m x 14 m hall: the robot drives laps of an oval at 1.5 m/s, turning at 0.5 rad/s at
// both ends. People loop inside the oval, pass outside it along a wall and by a pillar, walk
// as a pair, cross its path and stop, and one stands by a table.
Scenario hallDriveTurning()
{
  Scenario s;
  s.duration_s = 40.0;
  auto & w = s.world;
  w.addOutline(rectangleOutline(-10.0, -7.0, 13.0, 7.0));
  w.addPillar(V(9.0, -1.0), 0.25);
  w.addTable(V(-8.5, 4.0), 1.2, 0.8);
  w.addChair(V(-8.5, 3.25));
  w.addChair(V(-9.2, 4.8), 0.2);
  w.addChair(V(-7.8, 4.8), -0.2);
  w.addPlant(V(12.5, -6.5), 0.3, 5);
  w.addBin(V(11.0, 2.0), 0.2);
  w.addBag(V(-9.5, 0.0), 0.45, 0.3, 1.0);
  w.addGlassPane(V(5.0, -6.9), V(7.0, -6.9));
  s.robot.kind = RobotScript::Kind::Arcs;
  s.robot.start = {-4.0, -4.0, 0.0};
  const double half_turn_s = 3.141592653589793 / 0.5;
  const RobotArc straight{8.0 / 1.5, 1.5, 0.0};
  const RobotArc turn{half_turn_s, 1.5, 0.5};
  s.robot.arcs = {straight, turn, straight, turn, straight, turn, straight, turn};
  s.walkers = {
    looping(1, {V(-3.0, -2.5), V(3.0, -2.5), V(3.0, 0.5), V(-3.0, 0.5)}, 1.1),
    // A pair along the north wall.
    walker(2, {V(-9.0, 6.0), V(12.5, 6.0)}, 1.2, 2.0),
    walker(3, {V(-9.0, 6.6), V(12.5, 6.6)}, 1.2, 2.0),
    // Walks west along the south side and stops for 4 s half-way.
    withPauses(walker(4, {V(12.0, -6.0), V(2.0, -6.0), V(-9.5, -6.0)}, 1.1, 0.0), {0.0, 4.0}),
    // Passes close by the pillar.
    looping(5, {V(9.6, -6.0), V(9.6, 6.0)}, 1.0, 1.0),
    // Comes in from the south-west and stays by the table.
    walker(6, {V(-9.5, -6.0), V(-7.4, 3.0)}, 0.9, 4.0, End::Stand),
    // Crosses the robot's southern straight behind it and stands in the middle of the oval.
    walker(7, {V(-1.0, -6.5), V(0.0, -1.0)}, 1.0, 8.0, End::Stand),
  };
  return s;
}

// The robot's round for the long scenarios: stand, drive `length` m at `speed`, turn round in
// place, stand, drive back and turn round again, for as many rounds as `duration_s` needs.
std::vector<RobotArc> standDriveTurnRounds(
  double duration_s, double stand_s, double length, double speed, double turn_rate)
{
  const double turn_round_s = 3.141592653589793 / turn_rate;
  const std::vector<RobotArc> round{
    {stand_s, 0.0, 0.0}, {length / speed, speed, 0.0}, {turn_round_s, 0.0, turn_rate},
    {stand_s, 0.0, 0.0}, {length / speed, speed, 0.0}, {turn_round_s, 0.0, turn_rate}};
  std::vector<RobotArc> arcs;
  for (double t = 0.0; t < duration_s;) {
    for (const RobotArc & arc : round) {
      arcs.push_back(arc);
      t += arc.duration;
    }
  }
  return arcs;
}

// An office floor (16 m x 9 m, a door in the west and in the east wall) for 3 minutes: people
// come and go through the doors, pass each other, stop in pairs to talk, walk behind two pillars
// and settle at the desks, mostly 2-5 m from the robot. The robot stands, drives 8 m along the
// south side and turns round, in turn.
Scenario officeFloor()
{
  Scenario s;
  s.duration_s = 180.0;
  auto & w = s.world;
  w.addWall(V(-8.0, -4.5), V(8.0, -4.5));
  w.addWall(V(-8.0, 4.5), V(8.0, 4.5));
  for (const double x : {-8.0, 8.0}) {  // doors between y = -0.5 and y = 1
    w.addWall(V(x, -4.5), V(x, -0.5));
    w.addWall(V(x, 1.0), V(x, 4.5));
  }
  w.addPillar(V(-1.0, -1.0), 0.25);
  w.addPillar(V(3.0, -1.0), 0.25);
  w.addTable(V(-4.5, 3.6), 1.4, 0.7);
  w.addChair(V(-4.5, 2.9));
  w.addTable(V(4.5, 3.6), 1.4, 0.7);
  w.addChair(V(4.5, 2.9));
  w.addPlant(V(7.3, -3.8), 0.3, 6);
  w.addBin(V(-7.4, -3.9), 0.2);
  w.addBag(V(-1.0, 4.1), 0.4, 0.3, 0.2);
  w.addGlassPane(V(-2.0, -4.4), V(0.0, -4.4));
  s.robot.kind = RobotScript::Kind::Arcs;
  s.robot.start = {-4.0, -2.5, 0.0};
  s.robot.arcs = standDriveTurnRounds(s.duration_s, 15.0, 8.0, 0.8, 0.5);
  // Eastwards on y = 0, westwards on y = 0.5, through both doors.
  const V west_door(-10.0, 0.0);
  const V west_in(-6.0, 0.0);
  const V west_out(-10.0, 0.5);
  const V west_back(-6.0, 0.5);
  const V east_door(10.0, 0.5);
  const V east_in(6.0, 0.5);
  const V east_out(10.0, 0.0);
  const V east_back(6.0, 0.0);
  s.walkers = {
    // Through the room both ways, passing each other 0.5 m apart, behind the pillars.
    walker(1, {west_door, east_out}, 1.2, 0.0),
    walker(2, {east_door, west_out}, 1.0, 4.0),
    // A pair meets in the middle, talks for 15 s and goes back.
    withPauses(
      walker(3, {west_door, west_in, V(-3.0, 1.2), west_back, west_out}, 1.1, 20.0),
      {0.0, 0.0, 15.0}),
    withPauses(
      walker(4, {east_door, east_in, V(-2.2, 1.2), east_back, east_out}, 1.0, 18.0),
      {0.0, 0.0, 15.0}),
    walker(5, {west_door, east_out}, 0.8, 40.0),
    // Works at the east desk for a minute, then leaves.
    withPauses(
      walker(6, {east_door, east_in, V(4.5, 2.2), east_back, east_out}, 1.0, 55.0),
      {0.0, 0.0, 60.0}),
    // A pair side by side, 0.6 m apart.
    walker(7, {west_door, east_out}, 1.0, 70.0),
    walker(8, {V(-10.0, 0.6), V(10.0, 0.6)}, 1.0, 70.0),
    // A round past the desks and out again.
    walker(
      9, {west_out, west_back, V(6.5, 0.5), V(6.5, 1.8), V(-6.0, 1.8), west_back, west_out}, 1.2,
      90.0),
    // Another pair stops to talk further east.
    withPauses(
      walker(10, {west_door, west_in, V(1.6, 1.2), west_back, west_out}, 1.2, 110.0),
      {0.0, 0.0, 12.0}),
    withPauses(
      walker(11, {east_door, east_in, V(2.4, 1.2), east_back, east_out}, 1.1, 112.0),
      {0.0, 0.0, 12.0}),
    walker(12, {east_door, west_out}, 1.4, 130.0),
    // Comes in and settles at the west desk.
    walker(13, {west_door, west_in, V(-4.5, 2.2)}, 0.9, 140.0, End::Stand),
    walker(14, {west_door, east_out}, 1.1, 150.0),
  };
  return s;
}

// A busy corridor (4 m wide, 40 m long, a glass pane in one wall, a doorway and clutter) for 3
// minutes: the robot drives 24 m at 0.8 m/s, stands, turns round and drives back, in turn, while
// someone enters every 8 s, on the north side walking west and on the south side walking east,
// so that people overtake the robot and pass it close (0.75 m from its middle) on both sides.
Scenario busyCorridor()
{
  Scenario s;
  s.duration_s = 180.0;
  auto & w = s.world;
  w.addWall(V(-5.0, 2.0), V(14.0, 2.0));
  w.addGlassPane(V(14.0, 2.0), V(18.0, 2.0));
  w.addWall(V(18.0, 2.0), V(35.0, 2.0));
  w.addWall(V(-5.0, -2.0), V(25.0, -2.0));  // a doorway between x = 25 and x = 26.5
  w.addWall(V(26.5, -2.0), V(35.0, -2.0));
  w.addBin(V(8.0, -1.8), 0.15);
  w.addPlant(V(21.0, 1.75), 0.2, 7);
  w.addBag(V(29.0, -1.75), 0.4, 0.25, 0.0);
  s.robot.kind = RobotScript::Kind::Arcs;
  s.robot.start = {0.0, 0.0, 0.0};
  s.robot.arcs = standDriveTurnRounds(s.duration_s, 5.0, 24.0, 0.8, 0.6);
  const double lanes[] = {0.75, -0.75, 1.25, -1.25};
  const double speeds[] = {1.4, 1.1, 1.3, 1.0, 1.5};
  int32_t id = 1;
  for (int k = 0; 8.0 * k + 40.0 < s.duration_s; ++k) {
    const double lane = lanes[k % 4];
    const double speed = speeds[k % 5];
    const double from = lane > 0.0 ? 38.0 : -8.0;
    s.walkers.push_back(walker(id++, {V(from, lane), V(30.0 - from, lane)}, speed, 8.0 * k));
    if (k % 5 == 2) {  // a companion 0.5 m to the side
      const double side = lane > 0.0 ? lane + 0.5 : lane - 0.5;
      const double beside = std::abs(side) > 1.3 ? lane - std::copysign(0.5, lane) : side;
      s.walkers.push_back(walker(id++, {V(from, beside), V(30.0 - from, beside)}, speed, 8.0 * k));
    }
  }
  return s;
}

const std::vector<std::pair<std::string, std::function<Scenario()>>> & longCatalogue()
{
  static const std::vector<std::pair<std::string, std::function<Scenario()>>> scenarios{
    {"office_floor", officeFloor}, {"busy_corridor", busyCorridor}};
  return scenarios;
}

const std::vector<std::pair<std::string, std::function<Scenario()>>> & catalogue()
{
  static const std::vector<std::pair<std::string, std::function<Scenario()>>> scenarios{
    {"corridor_walkers", corridorWalkers},    {"crowded_room", crowdedRoom},
    {"robot_turning", robotTurning},          {"people_by_chairs", peopleByChairs},
    {"robot_driving", robotDriving},          {"corridor_drive", corridorDrive},
    {"hall_drive_turning", hallDriveTurning}, {"robot_turning_fast", robotTurningFast},
  };
  return scenarios;
}

}  // namespace

Scenario comingAndGoingCorridor(double duration_s)
{
  Scenario s = corridorWalkers();
  s.name = "coming_and_going_corridor";
  s.duration_s = duration_s;
  s.walkers.clear();
  constexpr double ENTRY_INTERVAL_S = 6.0;
  const double speeds[] = {1.0, 1.3, 0.9, 1.2, 1.4};
  int32_t id = 1;
  // The last walkers enter early enough to leave: 24 m at the slowest speed.
  for (int k = 0; ENTRY_INTERVAL_S * k + 30.0 < duration_s; ++k) {
    const double start = ENTRY_INTERVAL_S * k;
    const double speed = speeds[k % 5];
    const bool eastwards = k % 2 == 0;
    const double lane = eastwards ? 0.8 : -0.8;
    const double from = eastwards ? -12.0 : 12.0;
    s.walkers.push_back(walker(id++, {V(from, lane), V(-from, lane)}, speed, start));
    if (k % 4 == 3) {  // a companion 0.6 m to the side
      const double side = lane > 0.0 ? lane - 0.6 : lane + 0.6;
      s.walkers.push_back(walker(id++, {V(from, side), V(-from, side)}, speed, start));
    }
  }
  return s;
}

std::vector<std::string> scenarioNames()
{
  std::vector<std::string> names;
  for (const auto & entry : catalogue()) {
    names.push_back(entry.first);
  }
  return names;
}

std::vector<std::string> longScenarioNames()
{
  std::vector<std::string> names;
  for (const auto & entry : longCatalogue()) {
    names.push_back(entry.first);
  }
  return names;
}

Scenario makeScenario(const std::string & name)
{
  for (const auto * entries : {&catalogue(), &longCatalogue()}) {
    for (const auto & entry : *entries) {
      if (entry.first == name) {
        Scenario s = entry.second();
        s.name = name;
        return s;
      }
    }
  }
  std::string known;
  for (const auto & n : scenarioNames()) {
    known += (known.empty() ? "" : ", ") + n;
  }
  for (const auto & n : longScenarioNames()) {
    known += ", " + n;
  }
  throw std::invalid_argument("unknown scenario \"" + name + "\" (known: " + known + ")");
}

}  // namespace quillon_tools
