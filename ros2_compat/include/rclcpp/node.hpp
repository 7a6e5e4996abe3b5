// rclcpp::Node: names, parameters, clock, publishers and subscriptions of one ROS node, and its
// parameter services where the transport reaches other processes.
#ifndef RCLCPP__NODE_HPP_
#define RCLCPP__NODE_HPP_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "rcl_interfaces/msg/list_parameters_result.hpp"
#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rcl_interfaces/msg/set_parameters_result.hpp"
#include "rclcpp/callback_group.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/context.hpp"
#include "rclcpp/logger.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/node_interfaces/node_base.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/node_interfaces/node_parameters_interface.hpp"
#include "rclcpp/node_options.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"
#include "rclcpp/publisher.hpp"
#include "rclcpp/publisher_options.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/subscription.hpp"
#include "rclcpp/subscription_options.hpp"
#include "rclcpp/time.hpp"
#include "rclcpp/time_source.hpp"
#include "ros2_compat/detail/create_subscription.hpp"
#include "ros2_compat/detail/node_parameters.hpp"

namespace ros2_compat
{
namespace detail
{
class ParameterService;
}  // namespace detail
}  // namespace ros2_compat

namespace rclcpp
{

class Node : public std::enable_shared_from_this<Node>
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(Node)

  // Throws InvalidNodeNameError / InvalidNamespaceError for bad names, RCLError when the
  // context is not initialised, and the argument errors of NodeOptions::arguments().
  explicit Node(const std::string & node_name, const NodeOptions & options = NodeOptions());
  explicit Node(
    const std::string & node_name, const std::string & namespace_,
    const NodeOptions & options = NodeOptions());

  virtual ~Node();

  Node(const Node &) = delete;
  Node & operator=(const Node &) = delete;

  const char * get_name() const;
  const char * get_namespace() const;
  const char * get_fully_qualified_name() const;

  // Named after the node, with the namespace in front: "/robot" + "det" logs as "robot.det".
  rclcpp::Logger get_logger() const;

  rclcpp::CallbackGroup::SharedPtr create_callback_group(
    rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true);

  template <
    typename MessageT, typename AllocatorT = std::allocator<void>,
    typename PublisherT = rclcpp::Publisher<MessageT, AllocatorT>>
  std::shared_ptr<PublisherT> create_publisher(
    const std::string & topic_name, const rclcpp::QoS & qos,
    const PublisherOptionsWithAllocator<AllocatorT> & options =
      PublisherOptionsWithAllocator<AllocatorT>())
  {
    return std::make_shared<PublisherT>(node_base_.get(), topic_name, qos, options);
  }

  template <
    typename MessageT, typename CallbackT, typename AllocatorT = std::allocator<void>,
    typename SubscriptionT = rclcpp::Subscription<MessageT, AllocatorT>>
  std::shared_ptr<SubscriptionT> create_subscription(
    const std::string & topic_name, const rclcpp::QoS & qos, CallbackT && callback,
    const SubscriptionOptionsWithAllocator<AllocatorT> & options =
      SubscriptionOptionsWithAllocator<AllocatorT>())
  {
    return ros2_compat::detail::create_subscription<MessageT, CallbackT, AllocatorT, SubscriptionT>(
      node_base_.get(), topic_name, qos, std::forward<CallbackT>(callback), options);
  }

  using ParameterDescriptor = rcl_interfaces::msg::ParameterDescriptor;

  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, const rclcpp::ParameterValue & default_value,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false);

  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, rclcpp::ParameterType type,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor{},
    bool ignore_override = false);

  template <typename ParameterT>
  auto declare_parameter(
    const std::string & name, const ParameterT & default_value,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false)
  {
    return node_parameters_->declare_parameter<ParameterT>(
      name, default_value, parameter_descriptor, ignore_override);
  }

  template <typename ParameterT>
  auto declare_parameter(
    const std::string & name,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false)
  {
    return node_parameters_->declare_parameter<ParameterT>(
      name, parameter_descriptor, ignore_override);
  }

  void undeclare_parameter(const std::string & name);

  bool has_parameter(const std::string & name) const;

  rcl_interfaces::msg::SetParametersResult set_parameter(const rclcpp::Parameter & parameter);

  std::vector<rcl_interfaces::msg::SetParametersResult> set_parameters(
    const std::vector<rclcpp::Parameter> & parameters);

  rcl_interfaces::msg::SetParametersResult set_parameters_atomically(
    const std::vector<rclcpp::Parameter> & parameters);

  rclcpp::Parameter get_parameter(const std::string & name) const;

  bool get_parameter(const std::string & name, rclcpp::Parameter & parameter) const;

  template <typename ParameterT>
  bool get_parameter(const std::string & name, ParameterT & parameter) const
  {
    return node_parameters_->get_parameter(name, parameter);
  }

  template <typename ParameterT>
  bool get_parameter_or(
    const std::string & name, ParameterT & parameter, const ParameterT & alternative_value) const
  {
    return node_parameters_->get_parameter_or(name, parameter, alternative_value);
  }

  template <typename ParameterT>
  ParameterT get_parameter_or(const std::string & name, const ParameterT & alternative_value) const
  {
    return node_parameters_->get_parameter_or(name, alternative_value);
  }

  std::vector<rclcpp::Parameter> get_parameters(const std::vector<std::string> & names) const;

  ParameterDescriptor describe_parameter(const std::string & name) const;

  rcl_interfaces::msg::ListParametersResult list_parameters(
    const std::vector<std::string> & prefixes, uint64_t depth) const;

  // The node's ROS clock: system time, or /clock while use_sim_time is true.
  rclcpp::Clock::SharedPtr get_clock();
  rclcpp::Clock::ConstSharedPtr get_clock() const;
  rclcpp::Time now() const;

  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr get_node_base_interface();
  rclcpp::node_interfaces::NodeParametersInterface::SharedPtr get_node_parameters_interface();

  const rclcpp::NodeOptions & get_node_options() const;

private:
  void declare_default_parameters();

  rclcpp::NodeOptions node_options_;
  std::shared_ptr<rclcpp::node_interfaces::NodeBase> node_base_;
  std::string logger_name_;
  std::shared_ptr<ros2_compat::detail::NodeParameters> node_parameters_;
  // After the parameters, which it answers from, so that it goes first.
  std::unique_ptr<ros2_compat::detail::ParameterService> parameter_service_;
  rclcpp::Clock::SharedPtr clock_;
  // Last, so that the /clock thread stops before anything it uses goes away.
  std::unique_ptr<rclcpp::TimeSource> time_source_;
};

}  // namespace rclcpp

#endif  // RCLCPP__NODE_HPP_
