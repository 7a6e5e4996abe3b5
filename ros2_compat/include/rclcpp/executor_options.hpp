// rclcpp::ExecutorOptions: the context an executor spins in.
#ifndef RCLCPP__EXECUTOR_OPTIONS_HPP_
#define RCLCPP__EXECUTOR_OPTIONS_HPP_

#include <cstddef>

#include "rclcpp/context.hpp"
#include "rclcpp/contexts/default_context.hpp"

namespace rclcpp
{

struct ExecutorOptions
{
  ExecutorOptions() : context(rclcpp::contexts::get_global_default_context()), max_conditions(0) {}

  rclcpp::Context::SharedPtr context;
  size_t max_conditions;
};

}  // namespace rclcpp

#endif  // RCLCPP__EXECUTOR_OPTIONS_HPP_
