#include "ros_names.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "rclcpp/exceptions.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

constexpr size_t node_name_max_length = 255;

bool alphanumeric(char c)
{
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// A failed check: rmw/rcl's message for it and the index it points at.
struct Invalid
{
  const char * message = nullptr;
  size_t index = 0;

  explicit operator bool() const { return message != nullptr; }
};

// The checks rmw applies to fully qualified topic names and (with their own texts) namespaces.
Invalid check_fully_qualified(const std::string & name, bool is_namespace)
{
  const size_t length = name.size();
  if (length == 0) {
    return {is_namespace ? "namespace must not be empty" : "topic name must not be empty", 0};
  }
  if (name[0] != '/') {
    return {
      is_namespace ? "namespace must be absolute, it must lead with a '/'"
                   : "topic name must be absolute, it must lead with a '/'",
      0};
  }
  if (name[length - 1] == '/') {
    return {
      is_namespace ? "namespace must not end with a '/', unless only a '/'"
                   : "topic name must not end with a '/'",
      length - 1};
  }
  for (size_t i = 0; i < length; ++i) {
    if (!alphanumeric(name[i]) && name[i] != '_' && name[i] != '/') {
      return {
        is_namespace
          ? "namespace must not contain characters other than alphanumerics, '_', or '/'"
          : "topic name must not contain characters other than alphanumerics, '_', or '/'",
        i};
    }
  }
  for (size_t i = 0; i + 1 < length; ++i) {
    if (name[i] != '/') {
      continue;
    }
    if (name[i + 1] == '/') {
      return {
        is_namespace ? "namespace must not contain repeated '/'"
                     : "topic name must not contain repeated '/'",
        i + 1};
    }
    if (digit(name[i + 1])) {
      return {
        is_namespace ? "namespace must not have a token that starts with a number"
                     : "topic name must not have a token that starts with a number",
        i + 1};
    }
  }
  return {};
}

Invalid check_namespace(const std::string & namespace_)
{
  if (namespace_ == "/") {
    return {};
  }
  return check_fully_qualified(namespace_, true);
}

Invalid check_node_name(const std::string & name)
{
  if (name.empty()) {
    return {"node name must not be empty", 0};
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (!alphanumeric(name[i]) && name[i] != '_') {
      return {"node name must not contain characters other than alphanumerics or '_'", i};
    }
  }
  if (digit(name[0])) {
    return {"node name must not start with a number", 0};
  }
  if (name.size() > node_name_max_length) {
    return {"node name length should not exceed '255'", node_name_max_length - 1};
  }
  return {};
}

Invalid unallowed_character(bool in_braces, size_t i)
{
  if (in_braces) {
    return {"substitution name must not contain characters other than alphanumerics or '_'", i};
  }
  return {
    "topic name must not contain characters other than alphanumerics, '_', '~', '{', or '}'", i};
}

// rcl's checks of a topic name as the user wrote it (relative names, '~' and {} allowed).
Invalid check_topic_name(const std::string & name)
{
  const size_t length = name.size();
  if (length == 0) {
    return {"topic name must not be empty string", 0};
  }
  if (digit(name[0])) {
    return {"topic name token must not start with a number", 0};
  }
  if (name[length - 1] == '/') {
    return {"topic name must not end with a forward slash", length - 1};
  }
  bool in_braces = false;
  size_t brace_index = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = name[i];
    if (alphanumeric(c)) {
      if (digit(c) && in_braces && i == brace_index + 1) {
        return {"substitution name must not start with a number", i};
      }
    } else if (c == '_') {
      continue;
    } else if (c == '/') {
      if (in_braces) {
        return unallowed_character(true, i);
      }
    } else if (c == '~') {
      if (i != 0) {
        return {"topic name must not have tilde '~' unless it is the first character", i};
      }
    } else if (c == '{') {
      if (in_braces) {
        return unallowed_character(true, i);
      }
      in_braces = true;
      brace_index = i;
    } else if (c == '}') {
      if (!in_braces) {
        return {"topic name must not have unmatched (unbalanced) curly braces '{}'", i};
      }
      in_braces = false;
    } else {
      return unallowed_character(in_braces, i);
    }
  }
  if (in_braces) {
    return {"topic name must not have unmatched (unbalanced) curly braces '{}'", brace_index};
  }
  for (size_t i = 0; i + 1 < length; ++i) {
    if (name[i] == '/' && digit(name[i + 1])) {
      return {"topic name token must not start with a number", i + 1};
    }
    if (i == 1 && name[0] == '~' && name[1] != '/') {
      return {
        "topic name must not have a tilde '~' that is not followed by a forward slash '/'", 1};
    }
  }
  return {};
}

std::string join(const std::string & namespace_, const std::string & rest)
{
  return namespace_ == "/" ? "/" + rest : namespace_ + "/" + rest;
}

void replace_all(std::string & text, const std::string & from, const std::string & to)
{
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string substitute(
  std::string name, const std::string & node_name, const std::string & namespace_)
{
  for (size_t open = name.find('{'); open != std::string::npos; open = name.find('{')) {
    const std::string substitution = name.substr(open, name.find('}', open) - open + 1);
    if (substitution == "{node}") {
      replace_all(name, substitution, node_name);
    } else if (substitution == "{ns}" || substitution == "{namespace}") {
      replace_all(name, substitution, namespace_);
    } else {
      // rclcpp re-validates the name to explain the failure, finds nothing and says so.
      throw std::runtime_error("topic name unexpectedly valid");
    }
  }
  return name;
}

}  // namespace

void validate_node_name(const std::string & node_name)
{
  if (const Invalid invalid = check_node_name(node_name)) {
    throw rclcpp::exceptions::InvalidNodeNameError(
      node_name.c_str(), invalid.message, invalid.index);
  }
}

std::string absolute_namespace(const std::string & namespace_)
{
  std::string absolute = namespace_;
  if (absolute.empty()) {
    absolute = "/";
  } else if (absolute[0] != '/') {
    absolute = "/" + absolute;
  }
  if (check_namespace(absolute)) {
    // Like rclcpp, explain the failure with the namespace as the user gave it.
    Invalid invalid = check_namespace(namespace_);
    if (!invalid) {
      invalid = check_namespace(absolute);
    }
    throw rclcpp::exceptions::InvalidNamespaceError(
      namespace_.c_str(), invalid.message, invalid.index);
  }
  return absolute;
}

std::string fully_qualified_name(const std::string & node_name, const std::string & namespace_)
{
  return join(namespace_, node_name);
}

std::string node_logger_name(const std::string & node_name, const std::string & namespace_)
{
  if (namespace_ == "/") {
    return node_name;
  }
  std::string logger_name = namespace_.substr(1);
  std::replace(logger_name.begin(), logger_name.end(), '/', '.');
  return logger_name + "." + node_name;
}

std::string expand_topic_name(
  const std::string & topic_name, const std::string & node_name, const std::string & namespace_)
{
  if (const Invalid invalid = check_topic_name(topic_name)) {
    throw rclcpp::exceptions::InvalidTopicNameError(
      topic_name.c_str(), invalid.message, invalid.index);
  }
  std::string expanded = topic_name;
  if (expanded[0] == '~') {
    expanded = join(namespace_, node_name) + expanded.substr(1);
  }
  expanded = substitute(expanded, node_name, namespace_);
  if (expanded[0] != '/') {
    expanded = join(namespace_, expanded);
  }
  if (const Invalid invalid = check_fully_qualified(expanded, false)) {
    throw rclcpp::exceptions::InvalidTopicNameError(
      expanded.c_str(), invalid.message, invalid.index);
  }
  return expanded;
}

}  // namespace detail
}  // namespace ros2_compat
