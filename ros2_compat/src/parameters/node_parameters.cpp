#include "ros2_compat/detail/node_parameters.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace ros2_compat
{
namespace detail
{
namespace
{

using rcl_interfaces::msg::ParameterDescriptor;
using rcl_interfaces::msg::SetParametersResult;

std::string fully_qualified_name(const std::string & name, const std::string & node_namespace)
{
  if (node_namespace.empty() || node_namespace == "/") {
    return "/" + name;
  }
  return node_namespace + "/" + name;
}

SetParametersResult success()
{
  SetParametersResult result;
  result.successful = true;
  return result;
}

SetParametersResult failure(const std::string & reason)
{
  SetParametersResult result;
  result.successful = false;
  result.reason = reason;
  return result;
}

// declare_parameter tells a type error from other failures by this start of the reason.
constexpr char kWrongTypeReason[] = "Wrong parameter type";

SetParametersResult check_type(
  const std::string & name, const ParameterDescriptor & descriptor,
  const rclcpp::ParameterValue & value)
{
  const auto declared = static_cast<rclcpp::ParameterType>(descriptor.type);
  if (descriptor.dynamic_typing || declared == value.get_type()) {
    return success();
  }
  return failure(
    std::string(kWrongTypeReason) + ", parameter {" + name + "} is of type {" +
    rclcpp::to_string(declared) + "}, setting it to {" + rclcpp::to_string(value.get_type()) +
    "} is not allowed.");
}

// Humble's test of a double against the ends and steps of a range: equal within 100 ulp.
bool doubles_equal(double x, double y)
{
  return std::abs(x - y) <= std::numeric_limits<double>::epsilon() * std::abs(x + y) * 100;
}

SetParametersResult range_failure(const std::string & name, const char * kind)
{
  return failure("Parameter {" + name + "} doesn't comply with " + kind + " range.");
}

// A value within the descriptor's integer or floating point range (its ends always, and with a
// step other than 0 only the values on a step from its start), as rclcpp checks every set.
SetParametersResult check_range(
  const std::string & name, const ParameterDescriptor & descriptor,
  const rclcpp::ParameterValue & value)
{
  if (!descriptor.integer_range.empty() && value.get_type() == rclcpp::PARAMETER_INTEGER) {
    const auto & range = descriptor.integer_range.front();
    const int64_t v = value.get<int64_t>();
    if (v == range.from_value || v == range.to_value) {
      return success();
    }
    if (v < range.from_value || v > range.to_value) {
      return range_failure(name, "integer");
    }
    const auto step = static_cast<int64_t>(range.step);
    return step == 0 || (v - range.from_value) % step == 0 ? success()
                                                           : range_failure(name, "integer");
  }
  if (!descriptor.floating_point_range.empty() && value.get_type() == rclcpp::PARAMETER_DOUBLE) {
    const auto & range = descriptor.floating_point_range.front();
    const double v = value.get<double>();
    if (doubles_equal(v, range.from_value) || doubles_equal(v, range.to_value)) {
      return success();
    }
    if (v < range.from_value || v > range.to_value) {
      return range_failure(name, "floating point");
    }
    if (range.step == 0.0) {
      return success();
    }
    const double steps = std::round((v - range.from_value) / range.step);
    return doubles_equal(v, range.from_value + steps * range.step)
             ? success()
             : range_failure(name, "floating point");
  }
  return success();
}

// The type first, then the range, as rclcpp checks a value.
SetParametersResult check_value(
  const std::string & name, const ParameterDescriptor & descriptor,
  const rclcpp::ParameterValue & value)
{
  const SetParametersResult typed = check_type(name, descriptor, value);
  return typed.successful ? check_range(name, descriptor, value) : typed;
}

}  // namespace

NodeParameters::NodeParameters(
  const std::string & node_name, const std::string & node_namespace,
  const RosArguments * global_arguments, const rclcpp::NodeOptions & options)
: allow_undeclared_(options.allow_undeclared_parameters())
{
  const std::string fqn = fully_qualified_name(node_name, node_namespace);
  if (global_arguments != nullptr && options.use_global_arguments()) {
    overrides_ = global_arguments->parameter_overrides.for_node(fqn);
  }
  const RosArguments local = parse_ros_arguments(options.arguments(), "failed to parse arguments");
  for (auto & entry : local.parameter_overrides.for_node(fqn)) {
    overrides_[entry.first] = entry.second;
  }
  for (const auto & parameter : options.parameter_overrides()) {
    overrides_[parameter.get_name()] = parameter.get_parameter_value();
  }
  if (options.automatically_declare_parameters_from_overrides()) {
    ParameterDescriptor descriptor;
    descriptor.dynamic_typing = true;
    for (const auto & entry : overrides_) {
      if (!has_parameter(entry.first)) {
        declare_parameter(entry.first, entry.second, descriptor, true);
      }
    }
  }
}

const rclcpp::ParameterValue & NodeParameters::declare_parameter(
  const std::string & name, const rclcpp::ParameterValue & default_value,
  const ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  std::lock_guard<std::mutex> lock(mutex_);
  return declare_locked(
    name, rclcpp::PARAMETER_NOT_SET, default_value, parameter_descriptor, ignore_override);
}

const rclcpp::ParameterValue & NodeParameters::declare_parameter(
  const std::string & name, rclcpp::ParameterType type,
  const ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  if (type == rclcpp::PARAMETER_NOT_SET) {
    throw std::invalid_argument{
      "declare_parameter(): the provided parameter type cannot be rclcpp::PARAMETER_NOT_SET"};
  }
  if (parameter_descriptor.dynamic_typing) {
    // Humble's text lacks the space between "descriptor" and "with".
    throw std::invalid_argument{
      "declare_parameter(): cannot declare parameter of specific type and pass descriptor"
      "with `dynamic_typing=true`"};
  }
  std::lock_guard<std::mutex> lock(mutex_);
  return declare_locked(
    name, type, rclcpp::ParameterValue{}, parameter_descriptor, ignore_override);
}

const rclcpp::ParameterValue & NodeParameters::declare_locked(
  const std::string & name, rclcpp::ParameterType type,
  const rclcpp::ParameterValue & default_value, ParameterDescriptor descriptor,
  bool ignore_override)
{
  if (name.empty()) {
    throw rclcpp::exceptions::InvalidParametersException("parameter name must not be empty");
  }
  if (parameters_.count(name) != 0) {
    throw rclcpp::exceptions::ParameterAlreadyDeclaredException(
      "parameter '" + name + "' has already been declared");
  }
  if (!descriptor.dynamic_typing) {
    if (type == rclcpp::PARAMETER_NOT_SET) {
      type = default_value.get_type();
    }
    if (type == rclcpp::PARAMETER_NOT_SET) {
      throw rclcpp::exceptions::InvalidParameterTypeException{
        name, "cannot declare a statically typed parameter with an uninitialized value"};
    }
    descriptor.type = type;
  }

  const auto override_entry = overrides_.find(name);
  const rclcpp::ParameterValue & initial_value =
    !ignore_override && override_entry != overrides_.end() ? override_entry->second : default_value;

  ParameterInfo info{initial_value, descriptor};
  info.descriptor.name = name;
  if (initial_value.get_type() == rclcpp::PARAMETER_NOT_SET) {
    // Declared without a value: a statically typed one keeps its type for a later override.
    if (descriptor.dynamic_typing) {
      info.descriptor.type = rclcpp::PARAMETER_NOT_SET;
    }
    return parameters_.emplace(name, info).first->second.value;
  }

  const SetParametersResult result = check_value(name, descriptor, initial_value);
  if (!result.successful) {
    if (result.reason.rfind(kWrongTypeReason, 0) == 0) {
      throw rclcpp::exceptions::InvalidParameterTypeException(name, result.reason);
    }
    throw rclcpp::exceptions::InvalidParameterValueException(
      "parameter '" + name + "' could not be set: " + result.reason);
  }
  info.descriptor.type = initial_value.get_type();
  return parameters_.emplace(name, info).first->second.value;
}

void NodeParameters::undeclare_parameter(const std::string & name)
{
  std::lock_guard<std::mutex> lock(mutex_);
  const auto parameter = parameters_.find(name);
  if (parameter == parameters_.end()) {
    throw rclcpp::exceptions::ParameterNotDeclaredException(
      "cannot undeclare parameter '" + name + "' which has not yet been declared");
  }
  if (parameter->second.descriptor.read_only) {
    throw rclcpp::exceptions::ParameterImmutableException(
      "cannot undeclare parameter '" + name + "' because it is read-only");
  }
  if (!parameter->second.descriptor.dynamic_typing) {
    throw rclcpp::exceptions::InvalidParameterTypeException{
      name, "cannot undeclare an statically typed parameter"};
  }
  parameters_.erase(parameter);
}

bool NodeParameters::has_parameter(const std::string & name) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return parameters_.count(name) != 0;
}

SetParametersResult NodeParameters::set_parameter(const rclcpp::Parameter & parameter)
{
  return set_parameters_atomically({parameter});
}

std::vector<SetParametersResult> NodeParameters::set_parameters(
  const std::vector<rclcpp::Parameter> & parameters)
{
  std::vector<SetParametersResult> results;
  for (const auto & parameter : parameters) {
    results.push_back(set_parameters_atomically({parameter}));
  }
  return results;
}

SetParametersResult NodeParameters::set_parameters_atomically(
  const std::vector<rclcpp::Parameter> & parameters)
{
  std::lock_guard<std::mutex> lock(mutex_);
  return set_atomically_locked(parameters);
}

SetParametersResult NodeParameters::check_settable_locked(
  const std::vector<rclcpp::Parameter> & parameters) const
{
  for (const auto & parameter : parameters) {
    const std::string & name = parameter.get_name();
    if (name.empty()) {
      throw rclcpp::exceptions::InvalidParametersException("parameter name must not be empty");
    }
    const auto declared = parameters_.find(name);
    if (declared == parameters_.end()) {
      if (!allow_undeclared_) {
        throw rclcpp::exceptions::ParameterNotDeclaredException(
          "parameter '" + name + "' cannot be set because it was not declared");
      }
    } else if (declared->second.descriptor.read_only) {
      return failure("parameter '" + name + "' cannot be set because it is read-only");
    }
  }
  return success();
}

SetParametersResult NodeParameters::check_values_locked(
  const std::vector<rclcpp::Parameter> & parameters) const
{
  for (const auto & parameter : parameters) {
    const auto declared = parameters_.find(parameter.get_name());
    if (declared == parameters_.end()) {
      continue;  // declared implicitly when set, dynamically typed
    }
    const ParameterDescriptor & descriptor = declared->second.descriptor;
    if (parameter.get_type() == rclcpp::PARAMETER_NOT_SET) {
      if (
        !descriptor.dynamic_typing &&
        declared->second.value.get_type() != rclcpp::PARAMETER_NOT_SET) {
        return failure("cannot undeclare an statically typed parameter");
      }
      continue;
    }
    const SetParametersResult result =
      check_value(parameter.get_name(), descriptor, parameter.get_parameter_value());
    if (!result.successful) {
      return result;
    }
  }
  return success();
}

SetParametersResult NodeParameters::set_atomically_locked(
  const std::vector<rclcpp::Parameter> & parameters)
{
  // Validate everything first, so that either all values are set or none: names, declaration
  // and read-only first for every parameter, then the values, as rclcpp orders its checks.
  SetParametersResult result = check_settable_locked(parameters);
  if (result.successful) {
    result = check_values_locked(parameters);
  }
  if (!result.successful) {
    return result;
  }
  for (const auto & parameter : parameters) {
    const std::string & name = parameter.get_name();
    auto declared = parameters_.find(name);
    if (parameter.get_type() == rclcpp::PARAMETER_NOT_SET) {
      // Setting "not set" undeclares a dynamically typed parameter.
      if (declared != parameters_.end()) {
        parameters_.erase(declared);
      }
      continue;
    }
    if (declared == parameters_.end()) {
      ParameterDescriptor descriptor;
      descriptor.dynamic_typing = true;
      declared =
        parameters_.emplace(name, ParameterInfo{rclcpp::ParameterValue{}, descriptor}).first;
    }
    declared->second.value = parameter.get_parameter_value();
    declared->second.descriptor.name = name;
    declared->second.descriptor.type = parameter.get_type();
  }
  return success();
}

rclcpp::Parameter NodeParameters::get_parameter(const std::string & name) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  const auto parameter = parameters_.find(name);
  if (
    parameter != parameters_.end() &&
    (parameter->second.value.get_type() != rclcpp::PARAMETER_NOT_SET ||
     parameter->second.descriptor.dynamic_typing)) {
    return rclcpp::Parameter{name, parameter->second.value};
  }
  if (allow_undeclared_) {
    return rclcpp::Parameter{};
  }
  if (parameter == parameters_.end()) {
    throw rclcpp::exceptions::ParameterNotDeclaredException(name);
  }
  throw rclcpp::exceptions::ParameterUninitializedException(name);
}

bool NodeParameters::get_parameter(const std::string & name, rclcpp::Parameter & parameter) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  const auto declared = parameters_.find(name);
  if (
    declared == parameters_.end() ||
    declared->second.value.get_type() == rclcpp::PARAMETER_NOT_SET) {
    return false;
  }
  parameter = {name, declared->second.value};
  return true;
}

std::vector<rclcpp::Parameter> NodeParameters::get_parameters(
  const std::vector<std::string> & names) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<rclcpp::Parameter> results;
  for (const auto & name : names) {
    const auto declared = parameters_.find(name);
    if (declared != parameters_.end()) {
      results.emplace_back(name, declared->second.value);
    } else if (allow_undeclared_) {
      results.emplace_back(name, rclcpp::ParameterValue());
    } else {
      throw rclcpp::exceptions::ParameterNotDeclaredException(name);
    }
  }
  return results;
}

ParameterDescriptor NodeParameters::describe_parameter(const std::string & name) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  const auto declared = parameters_.find(name);
  if (declared != parameters_.end()) {
    return declared->second.descriptor;
  }
  if (allow_undeclared_) {
    ParameterDescriptor descriptor;
    descriptor.name = name;
    return descriptor;
  }
  throw rclcpp::exceptions::ParameterNotDeclaredException(name);
}

rcl_interfaces::msg::ListParametersResult NodeParameters::list_parameters(
  const std::vector<std::string> & prefixes, uint64_t depth) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  // Depth counts the '.' separators below the prefix; 0 means unlimited.
  const auto within_depth = [depth](const std::string & rest) {
    return depth == 0 || static_cast<uint64_t>(std::count(rest.begin(), rest.end(), '.')) < depth;
  };
  rcl_interfaces::msg::ListParametersResult result;
  for (const auto & entry : parameters_) {
    const std::string & name = entry.first;
    const bool listed =
      prefixes.empty()
        ? within_depth(name)
        : std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string & prefix) {
            return name == prefix ||
                   (name.rfind(prefix + ".", 0) == 0 && within_depth(name.substr(prefix.size())));
          });
    if (!listed) {
      continue;
    }
    result.names.push_back(name);
    const size_t last_separator = name.find_last_of('.');
    if (last_separator != std::string::npos) {
      const std::string prefix = name.substr(0, last_separator);
      if (
        std::find(result.prefixes.begin(), result.prefixes.end(), prefix) ==
        result.prefixes.end()) {
        result.prefixes.push_back(prefix);
      }
    }
  }
  return result;
}

const std::map<std::string, rclcpp::ParameterValue> & NodeParameters::get_parameter_overrides()
  const
{
  return overrides_;
}

}  // namespace detail
}  // namespace ros2_compat
