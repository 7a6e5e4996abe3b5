#include <gtest/gtest.h>

#include "evaluation_builders.hpp"
#include "quillon_tools/evaluation/person_motion.hpp"

namespace quillon_tools
{
namespace
{

using test::MS;
using test::person;
using test::truthFrame;

TEST(PersonMotion, StandingIsSlowerThanTheLimitAtEverySampleOfTheLastSecond)
{
  GroundTruth truth;
  // Person 1 walks at 0.3 m/s up to 1.0 s and creeps at 0.19 m/s after; person 2 keeps 0.2 m/s.
  for (int64_t ms = 0; ms <= 2500; ms += 100) {
    const double speed = ms <= 1000 ? 0.3 : 0.19;
    truth.frames.push_back(
      truthFrame(ms * MS, {person(1, 0.0, 0.0, speed, 0.0), person(2, 1.0, 1.0, 0.0, 0.2)}));
  }
  const auto standing = [&truth](const PersonMotion & motion, std::size_t who, int64_t ms) {
    return motion.standing(truth.frames[static_cast<std::size_t>(ms / 100)].people[who], ms * MS);
  };
  const PersonMotion motion(truth, {});
  EXPECT_FALSE(standing(motion, 0, 1900));
  EXPECT_FALSE(standing(motion, 0, 2000));  // the sample at 1.0 s is a second old
  EXPECT_TRUE(standing(motion, 0, 2100));
  EXPECT_FALSE(standing(motion, 1, 2500));  // 0.2 m/s is not below 0.2 m/s
  // A person's own state counts, with or without samples of them.
  EXPECT_FALSE(motion.standing(person(1, 0.0, 0.0, 0.0, 0.5), 2500 * MS));
  EXPECT_TRUE(motion.standing(person(7, 0.0, 0.0, 0.1, 0.0), 0));

  EvaluationOptions options;
  options.standing_window_s = 0.5;
  options.standing_speed_mps = 0.25;
  const PersonMotion quick(truth, options);
  EXPECT_TRUE(standing(quick, 0, 1600));
  EXPECT_TRUE(standing(quick, 1, 2500));
}

}  // namespace
}  // namespace quillon_tools
