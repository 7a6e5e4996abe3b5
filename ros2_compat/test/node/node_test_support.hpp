// Helpers shared by the node area's tests.
#ifndef NODE_TEST_SUPPORT_HPP_
#define NODE_TEST_SUPPORT_HPP_

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "rclcpp/rclcpp.hpp"

// Every test runs in a freshly initialised global context (initialised before the fixture's
// members, so that they may be nodes).
class RclcppTest : public ::testing::Test
{
protected:
  RclcppTest() { rclcpp::init(0, nullptr); }
  ~RclcppTest() override { rclcpp::shutdown(); }
};

// Polls `condition` until it holds or the (generous) timeout passes.
inline bool eventually(
  const std::function<bool()> & condition,
  std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

#endif  // NODE_TEST_SUPPORT_HPP_
