#include "rclcpp/node.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/contexts/default_context.hpp"
#include "rclcpp/logging.hpp"
#include "ros2_compat/detail/parameter_service.hpp"
#include "ros2_compat/detail/ros_arguments.hpp"
#include "ros2_compat/detail/transport.hpp"
#include "ros_names.hpp"

namespace rclcpp
{

namespace
{

using ros2_compat::detail::RosArguments;

rclcpp::Context::SharedPtr context_of(const NodeOptions & options)
{
  return options.context() ? options.context() : contexts::get_global_default_context();
}

// The ROS arguments that apply to the node, most specific first.
std::vector<std::shared_ptr<const RosArguments>> arguments_of(
  const NodeOptions & options, const rclcpp::Context::SharedPtr & context)
{
  std::vector<std::shared_ptr<const RosArguments>> arguments;
  if (!options.arguments().empty()) {
    arguments.push_back(std::make_shared<RosArguments>(
      ros2_compat::detail::parse_ros_arguments(options.arguments(), "failed to parse arguments")));
  }
  if (options.use_global_arguments() && context->get_global_arguments()) {
    arguments.push_back(context->get_global_arguments());
  }
  return arguments;
}

template <typename Lookup>
std::optional<std::string> first_remap(
  const std::vector<std::shared_ptr<const RosArguments>> & arguments, Lookup lookup)
{
  for (const auto & source : arguments) {
    if (auto remapped = lookup(*source)) {
      return remapped;
    }
  }
  return std::nullopt;
}

// Validates the given names, then applies __node:= and __ns:= rules as rcl_node_init does.
std::shared_ptr<node_interfaces::NodeBase> make_node_base(
  const std::string & node_name, const std::string & namespace_, const NodeOptions & options)
{
  auto context = context_of(options);
  const auto arguments = arguments_of(options, context);
  if (!context->is_valid()) {
    // NodeBase reports the uninitialised context before names are looked at.
    return std::make_shared<node_interfaces::NodeBase>(node_name, "/", context);
  }
  ros2_compat::detail::validate_node_name(node_name);
  std::string final_namespace = ros2_compat::detail::absolute_namespace(namespace_);
  std::string final_name = node_name;
  if (auto name = first_remap(arguments, [&](const RosArguments & a) {
        return a.node_name_remap(node_name);
      })) {
    final_name = *name;
  }
  if (auto ns = first_remap(arguments, [&](const RosArguments & a) {
        return a.namespace_remap(final_name);
      })) {
    final_namespace = *ns;
  }
  return std::make_shared<node_interfaces::NodeBase>(final_name, final_namespace, context);
}

}  // namespace

Node::Node(const std::string & node_name, const NodeOptions & options)
: Node(node_name, "", options)
{
}

Node::Node(
  const std::string & node_name, const std::string & namespace_, const NodeOptions & options)
: node_options_(options),
  node_base_(make_node_base(node_name, namespace_, options)),
  logger_name_(
    ros2_compat::detail::node_logger_name(node_base_->get_name(), node_base_->get_namespace())),
  node_parameters_(std::make_shared<ros2_compat::detail::NodeParameters>(
    node_base_->get_name(), node_base_->get_namespace(),
    context_of(options)->get_global_arguments().get(), options)),
  clock_(std::make_shared<rclcpp::Clock>(RCL_ROS_TIME)),
  time_source_(std::make_unique<rclcpp::TimeSource>(rclcpp::ClockQoS(), options.use_clock_thread()))
{
  declare_default_parameters();
  if (
    options.start_parameter_services() &&
    ros2_compat::detail::get_transport()->carries_services()) {
    parameter_service_ =
      std::make_unique<ros2_compat::detail::ParameterService>(node_base_.get(), *node_parameters_);
  }
  time_source_->attachClock(clock_);
  time_source_->attachNode(node_base_, get_parameter("use_sim_time").as_bool());
}

Node::~Node() = default;

void Node::declare_default_parameters()
{
  // Humble's parameter event publisher makes its QoS overridable through these.
  if (node_options_.start_parameter_event_publisher()) {
    ParameterDescriptor read_only;
    read_only.read_only = true;
    const std::string prefix = "qos_overrides./parameter_events.publisher.";
    declare_parameter(prefix + "depth", ParameterValue(int64_t{1000}), read_only);
    declare_parameter(prefix + "durability", ParameterValue(std::string("volatile")), read_only);
    declare_parameter(prefix + "history", ParameterValue(std::string("keep_last")), read_only);
    declare_parameter(prefix + "reliability", ParameterValue(std::string("reliable")), read_only);
  }
  declare_parameter("use_sim_time", ParameterValue(false));
}

const char * Node::get_name() const { return node_base_->get_name(); }

const char * Node::get_namespace() const { return node_base_->get_namespace(); }

const char * Node::get_fully_qualified_name() const
{
  return node_base_->get_fully_qualified_name();
}

rclcpp::Logger Node::get_logger() const { return rclcpp::get_logger(logger_name_); }

rclcpp::CallbackGroup::SharedPtr Node::create_callback_group(
  rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node)
{
  return node_base_->create_callback_group(group_type, automatically_add_to_executor_with_node);
}

const rclcpp::ParameterValue & Node::declare_parameter(
  const std::string & name, const rclcpp::ParameterValue & default_value,
  const ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  return node_parameters_->declare_parameter(
    name, default_value, parameter_descriptor, ignore_override);
}

const rclcpp::ParameterValue & Node::declare_parameter(
  const std::string & name, rclcpp::ParameterType type,
  const ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  return node_parameters_->declare_parameter(name, type, parameter_descriptor, ignore_override);
}

void Node::undeclare_parameter(const std::string & name)
{
  node_parameters_->undeclare_parameter(name);
}

bool Node::has_parameter(const std::string & name) const
{
  return node_parameters_->has_parameter(name);
}

rcl_interfaces::msg::SetParametersResult Node::set_parameter(const rclcpp::Parameter & parameter)
{
  return node_parameters_->set_parameter(parameter);
}

std::vector<rcl_interfaces::msg::SetParametersResult> Node::set_parameters(
  const std::vector<rclcpp::Parameter> & parameters)
{
  return node_parameters_->set_parameters(parameters);
}

rcl_interfaces::msg::SetParametersResult Node::set_parameters_atomically(
  const std::vector<rclcpp::Parameter> & parameters)
{
  return node_parameters_->set_parameters_atomically(parameters);
}

rclcpp::Parameter Node::get_parameter(const std::string & name) const
{
  return node_parameters_->get_parameter(name);
}

bool Node::get_parameter(const std::string & name, rclcpp::Parameter & parameter) const
{
  return node_parameters_->get_parameter(name, parameter);
}

std::vector<rclcpp::Parameter> Node::get_parameters(const std::vector<std::string> & names) const
{
  return node_parameters_->get_parameters(names);
}

Node::ParameterDescriptor Node::describe_parameter(const std::string & name) const
{
  return node_parameters_->describe_parameter(name);
}

rcl_interfaces::msg::ListParametersResult Node::list_parameters(
  const std::vector<std::string> & prefixes, uint64_t depth) const
{
  return node_parameters_->list_parameters(prefixes, depth);
}

rclcpp::Clock::SharedPtr Node::get_clock() { return clock_; }

rclcpp::Clock::ConstSharedPtr Node::get_clock() const { return clock_; }

rclcpp::Time Node::now() const { return clock_->now(); }

rclcpp::node_interfaces::NodeBaseInterface::SharedPtr Node::get_node_base_interface()
{
  return node_base_;
}

rclcpp::node_interfaces::NodeParametersInterface::SharedPtr Node::get_node_parameters_interface()
{
  return node_parameters_;
}

const rclcpp::NodeOptions & Node::get_node_options() const { return node_options_; }

}  // namespace rclcpp
