#include "ros2_compat/detail/ros_arguments.hpp"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "params_file.hpp"
#include "rclcpp/exceptions/exceptions.hpp"
#include "yaml_parameter_value.hpp"

namespace ros2_compat
{
namespace detail
{
namespace
{

// rcl's RCL_RET_INVALID_ROS_ARGS.
constexpr int32_t kInvalidRosArgs = 1003;

// Each parser returns an empty string on success, else rcl's reason.
using ValueParser = std::string (*)(const std::string & value, RosArguments & out);

struct FlagWithValue
{
  std::vector<std::string> spellings;
  const char * what;           // "Couldn't parse <what>: '<flag> <value>'. Error: <reason>"
  const char * missing_value;  // printf-like with %s for the flag, when the value is missing
  ValueParser parse;
};

bool is_token(const std::string & text)
{
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '_';
  });
}

bool is_parameter_name(const std::string & text)
{
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '.' || c == '/';
  });
}

// Splits "[node:]lhs:=rhs"; the node prefix is a single name token as in rcl's grammar.
struct Rule
{
  std::string node;
  std::string lhs;
  std::string rhs;
};

std::optional<Rule> split_rule(const std::string & text)
{
  const size_t separator = text.find(":=");
  if (separator == std::string::npos) {
    return std::nullopt;
  }
  Rule rule{"", text.substr(0, separator), text.substr(separator + 2)};
  const size_t colon = rule.lhs.find(':');
  if (
    colon != std::string::npos && is_token(rule.lhs.substr(0, colon)) &&
    rule.lhs.compare(colon, 3, "://") != 0) {
    rule.node = rule.lhs.substr(0, colon);
    rule.lhs = rule.lhs.substr(colon + 1);
  }
  return rule;
}

std::string parse_parameter_rule(const std::string & value, RosArguments & out)
{
  const auto rule = split_rule(value);
  if (!rule) {
    return "Expected ':=' between the parameter name and its value";
  }
  if (!is_parameter_name(rule->lhs)) {
    return "Invalid parameter name '" + rule->lhs + "'";
  }
  try {
    out.parameter_overrides.set(
      rule->node.empty() ? "/**" : rule->node, rule->lhs, parameter_value_from_text(rule->rhs));
  } catch (const YamlValueError &) {
    return "Failed to parse yaml value: '" + rule->rhs + "'";
  }
  return "";
}

std::string parse_remap_rule(const std::string & value, RosArguments & out)
{
  const auto rule = split_rule(value);
  if (!rule || rule->lhs.empty() || rule->rhs.empty()) {
    return "Expected a rule of the form [node:]from:=to";
  }
  out.remap_rules.push_back(RemapRule{rule->node, rule->lhs, rule->rhs});
  return "";
}

std::string parse_params_file(const std::string & value, RosArguments & out)
{
  try {
    load_params_file(value, out.parameter_overrides);
  } catch (const ParamsFileError & error) {
    return error.what();
  }
  out.parameter_files.push_back(value);
  return "";
}

std::optional<int> severity_from_name(const std::string & name)
{
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) {
    return static_cast<char>(std::toupper(c));
  });
  const std::pair<const char *, int> severities[] = {{"UNSET", 0}, {"DEBUG", 10}, {"INFO", 20},
                                                     {"WARN", 30}, {"ERROR", 40}, {"FATAL", 50}};
  for (const auto & severity : severities) {
    if (upper == severity.first) {
      return severity.second;
    }
  }
  return std::nullopt;
}

std::string parse_log_level(const std::string & value, RosArguments & out)
{
  const size_t separator = value.find(":=");
  const std::string logger = separator == std::string::npos ? "" : value.substr(0, separator);
  const auto level =
    severity_from_name(separator == std::string::npos ? value : value.substr(separator + 2));
  if (!level || (separator != std::string::npos && logger.empty())) {
    return "Argument does not use a valid severity level";
  }
  if (logger.empty()) {
    out.log_levels.default_level = *level;
    return "";
  }
  auto & levels = out.log_levels.logger_levels;
  auto existing = std::find_if(
    levels.begin(), levels.end(), [&](const auto & entry) { return entry.first == logger; });
  if (existing == levels.end()) {
    levels.emplace_back(logger, *level);
  } else {
    existing->second = *level;
  }
  return "";
}

std::string parse_log_config_file(const std::string & value, RosArguments & out)
{
  out.log_config_file = value;
  return "";
}

std::string parse_enclave(const std::string & value, RosArguments & out)
{
  out.enclave = value;
  return "";
}

const std::vector<FlagWithValue> & flags_with_value()
{
  static const std::vector<FlagWithValue> flags = {
    {{"-p", "--param"},
     "parameter override rule",
     "Couldn't parse trailing %s flag. No parameter override rule found.",
     parse_parameter_rule},
    {{"-r", "--remap"},
     "remap rule",
     "Couldn't parse trailing %s flag. No remap rule found.",
     parse_remap_rule},
    {{"--params-file"},
     "params file",
     "Couldn't parse trailing %s flag. No file path provided.",
     parse_params_file},
    {{"--log-level"},
     "log level",
     "Couldn't parse trailing log level flag: '%s'. No log level provided.",
     parse_log_level},
    {{"--log-config-file"},
     "log config file",
     "Couldn't parse trailing %s flag. No file path provided.",
     parse_log_config_file},
    {{"-e", "--enclave"},
     "enclave name",
     "Couldn't parse trailing %s flag. No enclave path provided.",
     parse_enclave},
  };
  return flags;
}

const FlagWithValue * find_flag(const std::string & argument)
{
  for (const auto & flag : flags_with_value()) {
    if (std::find(flag.spellings.begin(), flag.spellings.end(), argument) != flag.spellings.end()) {
      return &flag;
    }
  }
  return nullptr;
}

// --enable-<suffix> / --disable-<suffix> for the three log outputs.
bool parse_log_output_flag(const std::string & argument, RosArguments & out)
{
  const std::pair<const char *, bool RosArguments::*> outputs[] = {
    {"stdout-logs", &RosArguments::log_stdout_disabled},
    {"rosout-logs", &RosArguments::log_rosout_disabled},
    {"external-lib-logs", &RosArguments::log_ext_lib_disabled}};
  for (const auto & output : outputs) {
    if (argument == std::string("--enable-") + output.first) {
      out.*output.second = false;
      return true;
    }
    if (argument == std::string("--disable-") + output.first) {
      out.*output.second = true;
      return true;
    }
  }
  return false;
}

[[noreturn]] void fail(const std::string & error_context, const std::string & message)
{
  throw rclcpp::exceptions::RCLInvalidROSArgsError(
    rclcpp::exceptions::RCLErrorBase(kInvalidRosArgs, message), error_context + ": ");
}

std::string with_flag(const char * format, const std::string & flag)
{
  std::string text(format);
  return text.replace(text.find("%s"), 2, flag);
}

std::optional<std::string> first_remap(
  const std::vector<RemapRule> & rules, const std::vector<std::string> & from,
  const std::string & node_name)
{
  for (const auto & rule : rules) {
    if (
      std::find(from.begin(), from.end(), rule.from) != from.end() &&
      (rule.node_name.empty() || rule.node_name == node_name)) {
      return rule.to;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> RosArguments::node_name_remap(const std::string & node_name) const
{
  return first_remap(remap_rules, {"__node", "__name"}, node_name);
}

std::optional<std::string> RosArguments::namespace_remap(const std::string & node_name) const
{
  return first_remap(remap_rules, {"__ns"}, node_name);
}

RosArguments parse_ros_arguments(
  const std::vector<std::string> & arguments, const std::string & error_context)
{
  RosArguments result;
  std::vector<std::string> unknown;
  bool in_ros_arguments = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string & argument = arguments[i];
    if (argument == "--ros-args") {
      in_ros_arguments = true;
      continue;
    }
    if (!in_ros_arguments) {
      continue;
    }
    if (argument == "--") {
      in_ros_arguments = false;
      continue;
    }
    if (parse_log_output_flag(argument, result)) {
      continue;
    }
    const FlagWithValue * flag = find_flag(argument);
    if (flag == nullptr) {
      unknown.push_back(argument);
      continue;
    }
    if (i + 1 == arguments.size()) {
      fail(error_context, with_flag(flag->missing_value, argument));
    }
    const std::string & value = arguments[++i];
    const std::string reason = flag->parse(value, result);
    if (!reason.empty()) {
      fail(
        error_context, std::string("Couldn't parse ") + flag->what + ": '" + argument + " " +
                         value + "'. Error: " + reason);
    }
  }
  if (!unknown.empty()) {
    throw rclcpp::exceptions::UnknownROSArgsError(std::move(unknown));
  }
  return result;
}

RosArguments parse_ros_arguments(
  int argc, const char * const * argv, const std::string & error_context)
{
  std::vector<std::string> arguments;
  for (int i = 0; argv != nullptr && i < argc; ++i) {
    arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  }
  return parse_ros_arguments(arguments, error_context);
}

}  // namespace detail
}  // namespace ros2_compat
