// The parameters of one node: declaration, overrides, typing and access, with the API that
// rclcpp::Node forwards one-to-one.
#ifndef ROS2_COMPAT__DETAIL__NODE_PARAMETERS_HPP_
#define ROS2_COMPAT__DETAIL__NODE_PARAMETERS_HPP_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "rcl_interfaces/msg/list_parameters_result.hpp"
#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rcl_interfaces/msg/set_parameters_result.hpp"
#include "rclcpp/exceptions/exceptions.hpp"
#include "rclcpp/node_interfaces/node_parameters_interface.hpp"
#include "rclcpp/node_options.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"
#include "ros2_compat/detail/ros_arguments.hpp"

namespace ros2_compat
{
namespace detail
{

class NodeParameters : public rclcpp::node_interfaces::NodeParametersInterface
{
public:
  using ParameterDescriptor = rcl_interfaces::msg::ParameterDescriptor;

  /// `node_name` and `node_namespace` are the node's after remapping (overrides are looked up
  /// by that fully qualified name). The overrides come from `global_arguments` (unless null or
  /// options.use_global_arguments() is false), then options.arguments(), then
  /// options.parameter_overrides(), later sources overwriting earlier ones. Malformed
  /// options.arguments() throw as rcl would ("failed to parse arguments: ...").
  NodeParameters(
    const std::string & node_name, const std::string & node_namespace,
    const RosArguments * global_arguments, const rclcpp::NodeOptions & options);

  NodeParameters(const NodeParameters &) = delete;
  NodeParameters & operator=(const NodeParameters &) = delete;

  /// The returned reference stays valid until the parameter is undeclared.
  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, const rclcpp::ParameterValue & default_value,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false);

  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, rclcpp::ParameterType type,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor{},
    bool ignore_override = false);

  /// Returns the effective value by value, typed as ParameterValue::get<ParameterT> types it
  /// (int gives int64_t, float gives double).
  template <typename ParameterT>
  auto declare_parameter(
    const std::string & name, const ParameterT & default_value,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false)
  {
    try {
      return this
        ->declare_parameter(
          name, rclcpp::ParameterValue(default_value), parameter_descriptor, ignore_override)
        .template get<ParameterT>();
    } catch (const rclcpp::ParameterTypeException & ex) {
      throw rclcpp::exceptions::InvalidParameterTypeException(name, ex.what());
    }
  }

  /// A statically typed parameter without default: it needs an override, otherwise it stays
  /// declared but uninitialised and UninitializedStaticallyTypedParameterException is thrown.
  template <typename ParameterT>
  auto declare_parameter(
    const std::string & name,
    const ParameterDescriptor & parameter_descriptor = ParameterDescriptor(),
    bool ignore_override = false)
  {
    // The type comes from what ParameterValue makes of a ParameterT.
    rclcpp::ParameterValue value{ParameterT{}};
    try {
      return this->declare_parameter(name, value.get_type(), parameter_descriptor, ignore_override)
        .template get<ParameterT>();
    } catch (const rclcpp::ParameterTypeException &) {
      throw rclcpp::exceptions::UninitializedStaticallyTypedParameterException(name);
    }
  }

  void undeclare_parameter(const std::string & name);

  bool has_parameter(const std::string & name) const;

  rcl_interfaces::msg::SetParametersResult set_parameter(const rclcpp::Parameter & parameter);

  std::vector<rcl_interfaces::msg::SetParametersResult> set_parameters(
    const std::vector<rclcpp::Parameter> & parameters);

  rcl_interfaces::msg::SetParametersResult set_parameters_atomically(
    const std::vector<rclcpp::Parameter> & parameters);

  /// Throws ParameterNotDeclaredException (undeclared) or ParameterUninitializedException.
  rclcpp::Parameter get_parameter(const std::string & name) const;

  /// False when the parameter is undeclared or has no value.
  bool get_parameter(const std::string & name, rclcpp::Parameter & parameter) const;

  template <typename ParameterT>
  bool get_parameter(const std::string & name, ParameterT & parameter) const
  {
    rclcpp::Parameter parameter_variant;
    bool result = get_parameter(name, parameter_variant);
    if (result) {
      parameter = static_cast<ParameterT>(parameter_variant.get_value<ParameterT>());
    }
    return result;
  }

  template <typename ParameterT>
  bool get_parameter_or(
    const std::string & name, ParameterT & parameter, const ParameterT & alternative_value) const
  {
    bool got_parameter = get_parameter(name, parameter);
    if (!got_parameter) {
      parameter = alternative_value;
    }
    return got_parameter;
  }

  template <typename ParameterT>
  ParameterT get_parameter_or(const std::string & name, const ParameterT & alternative_value) const
  {
    ParameterT parameter;
    get_parameter_or(name, parameter, alternative_value);
    return parameter;
  }

  std::vector<rclcpp::Parameter> get_parameters(const std::vector<std::string> & names) const;

  ParameterDescriptor describe_parameter(const std::string & name) const;

  /// Names in sorted order; depth 0 means any depth (ListParameters DEPTH_RECURSIVE).
  rcl_interfaces::msg::ListParametersResult list_parameters(
    const std::vector<std::string> & prefixes, uint64_t depth) const;

  const std::map<std::string, rclcpp::ParameterValue> & get_parameter_overrides() const override;

private:
  struct ParameterInfo
  {
    rclcpp::ParameterValue value;
    ParameterDescriptor descriptor;
  };

  const rclcpp::ParameterValue & declare_locked(
    const std::string & name, rclcpp::ParameterType type,
    const rclcpp::ParameterValue & default_value, ParameterDescriptor descriptor,
    bool ignore_override);
  rcl_interfaces::msg::SetParametersResult set_atomically_locked(
    const std::vector<rclcpp::Parameter> & parameters);
  rcl_interfaces::msg::SetParametersResult check_settable_locked(
    const std::vector<rclcpp::Parameter> & parameters) const;
  rcl_interfaces::msg::SetParametersResult check_values_locked(
    const std::vector<rclcpp::Parameter> & parameters) const;

  bool allow_undeclared_;
  std::map<std::string, rclcpp::ParameterValue> overrides_;
  std::map<std::string, ParameterInfo> parameters_;
  mutable std::mutex mutex_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__NODE_PARAMETERS_HPP_
