// The ROS arguments of a command line (what rcl_parse_arguments extracts for rclcpp::init and
// for NodeOptions::arguments).
#ifndef ROS2_COMPAT__DETAIL__ROS_ARGUMENTS_HPP_
#define ROS2_COMPAT__DETAIL__ROS_ARGUMENTS_HPP_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ros2_compat/detail/parameter_overrides.hpp"

namespace ros2_compat
{
namespace detail
{

/// `-r [node:]from:=to`. `from` is "__node" or "__ns" for the node name and namespace rules.
struct RemapRule
{
  std::string node_name;  // empty: the rule applies to every node
  std::string from;
  std::string to;
};

/// Levels from `--log-level LEVEL` and `--log-level NAME:=LEVEL`, as rcutils severities
/// (0 unset, 10 debug, 20 info, 30 warn, 40 error, 50 fatal).
struct LogLevels
{
  int default_level = 0;
  std::vector<std::pair<std::string, int>> logger_levels;  // last setting per name wins
};

struct RosArguments
{
  ParameterOverrides parameter_overrides;  // from -p and --params-file, merged in order
  std::vector<std::string> parameter_files;
  std::vector<RemapRule> remap_rules;
  LogLevels log_levels;
  std::string enclave;
  std::string log_config_file;
  bool log_stdout_disabled = false;
  bool log_rosout_disabled = false;
  bool log_ext_lib_disabled = false;

  /// The `__node:=` replacement for the node originally called `node_name`, if a rule gives one
  /// (first matching rule wins, as in rcl).
  std::optional<std::string> node_name_remap(const std::string & node_name) const;
  /// The `__ns:=` replacement for the node called `node_name` (rcl matches the already remapped
  /// name here), if a rule gives one.
  std::optional<std::string> namespace_remap(const std::string & node_name) const;
};

/// Error context of rclcpp::init; NodeOptions::arguments use "failed to parse arguments".
constexpr const char kInitErrorContext[] = "failed to initialize rcl";

/// Parses the `--ros-args ... [--]` blocks of `arguments` (there may be several; everything
/// outside them is left to the program). Parameter files are read here, as rcl does.
/// Malformed ROS arguments throw rclcpp::exceptions::RCLInvalidROSArgsError whose what() is
/// "<error_context>: <rcl's message>". Arguments inside a block that are not ROS arguments then
/// throw rclcpp::exceptions::UnknownROSArgsError naming all of them.
RosArguments parse_ros_arguments(
  const std::vector<std::string> & arguments,
  const std::string & error_context = kInitErrorContext);

RosArguments parse_ros_arguments(
  int argc, const char * const * argv, const std::string & error_context = kInitErrorContext);

/// Sets the log levels through rcutils, as rcl's logging configuration does at init: the default
/// level if one was given, then each named logger (so a named level beats the default).
void apply_log_levels(const RosArguments & arguments);

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__ROS_ARGUMENTS_HPP_
