#ifndef QUILLON_DYNAMIC_DETECTOR__EXPECTED_PERSON_HPP_
#define QUILLON_DYNAMIC_DETECTOR__EXPECTED_PERSON_HPP_

#include <Eigen/Core>

namespace quillon_dynamic_detector
{

// Where the tracker expects a person in the coming scan, and how they walk (m, m/s).
struct ExpectedPerson
{
  Eigen::Vector2f place;
  Eigen::Vector2f velocity;
};

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__EXPECTED_PERSON_HPP_
