// For test executables whose tests talk over DDS: before any test runs (single-threaded), the
// process moves into a fresh network namespace with only loopback up, and its publishers and
// subscriptions use the DDS transport. Tests check network_error() first.
#ifndef DDS_ENVIRONMENT_HPP_
#define DDS_ENVIRONMENT_HPP_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "network_namespace.hpp"

class DdsEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    network_error() = network_namespace::enter_fresh();
    setenv("ROS2_COMPAT_TRANSPORT", "dds", 1);
  }

  static std::string & network_error()
  {
    static std::string error;
    return error;
  }
};

#define ASSERT_IN_FRESH_NETWORK_NAMESPACE() \
  ASSERT_EQ(DdsEnvironment::network_error(), "") << "no network namespace of its own"

#endif  // DDS_ENVIRONMENT_HPP_
