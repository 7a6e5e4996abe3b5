// The process-wide context that rclcpp::init initialises.
#ifndef RCLCPP__CONTEXTS__DEFAULT_CONTEXT_HPP_
#define RCLCPP__CONTEXTS__DEFAULT_CONTEXT_HPP_

#include "rclcpp/context.hpp"

namespace rclcpp
{
namespace contexts
{

class DefaultContext : public rclcpp::Context
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(DefaultContext)

  DefaultContext() = default;
};

DefaultContext::SharedPtr get_global_default_context();

}  // namespace contexts
}  // namespace rclcpp

#endif  // RCLCPP__CONTEXTS__DEFAULT_CONTEXT_HPP_
