// For test programs that start processes talking DDS: the whole test program moves into a fresh
// network namespace before any test runs, while it still has a single thread (the kernel grants
// a user namespace only then). Tests check FreshNetworkEnvironment::error() is empty first.
#ifndef FRESH_NETWORK_ENVIRONMENT_HPP_
#define FRESH_NETWORK_ENVIRONMENT_HPP_

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "network_namespace.hpp"

class FreshNetworkEnvironment : public ::testing::Environment
{
public:
  void SetUp() override { error() = network_namespace::enter_fresh(); }

  static std::string & error()
  {
    static std::string text;
    return text;
  }
};

inline const auto * const fresh_network_environment =
  ::testing::AddGlobalTestEnvironment(new FreshNetworkEnvironment);

// Test executables choose the in-process transport for their children; these must use DDS.
inline const std::map<std::string, std::string> over_dds{{"ROS2_COMPAT_TRANSPORT", "dds"}};

#endif  // FRESH_NETWORK_ENVIRONMENT_HPP_
