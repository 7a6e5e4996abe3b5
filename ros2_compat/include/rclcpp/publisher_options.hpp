// rclcpp::PublisherOptionsWithAllocator and rclcpp::PublisherOptions.
#ifndef RCLCPP__PUBLISHER_OPTIONS_HPP_
#define RCLCPP__PUBLISHER_OPTIONS_HPP_

#include <memory>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/intra_process_setting.hpp"

namespace rclcpp
{

struct PublisherOptionsBase
{
  IntraProcessSetting use_intra_process_comm = IntraProcessSetting::NodeDefault;

  // Whether the default incompatible-QoS warning is logged.
  bool use_default_callbacks = true;

  rclcpp::CallbackGroup::SharedPtr callback_group;
};

template <typename Allocator>
struct PublisherOptionsWithAllocator : public PublisherOptionsBase
{
  std::shared_ptr<Allocator> allocator = nullptr;

  PublisherOptionsWithAllocator() {}

  explicit PublisherOptionsWithAllocator(const PublisherOptionsBase & publisher_options_base)
  : PublisherOptionsBase(publisher_options_base)
  {
  }
};

using PublisherOptions = PublisherOptionsWithAllocator<std::allocator<void>>;

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_OPTIONS_HPP_
