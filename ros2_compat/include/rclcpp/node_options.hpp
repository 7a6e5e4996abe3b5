// rclcpp::NodeOptions: how a node is created (Humble's setters return NodeOptions&).
#ifndef RCLCPP__NODE_OPTIONS_HPP_
#define RCLCPP__NODE_OPTIONS_HPP_

#include <memory>
#include <string>
#include <vector>

#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"

namespace rclcpp
{

class Context;

class NodeOptions
{
public:
  NodeOptions() = default;
  virtual ~NodeOptions() = default;
  NodeOptions(const NodeOptions & other) = default;
  NodeOptions & operator=(const NodeOptions & other) = default;

  /// The context the node belongs to; null stands for the global default context.
  std::shared_ptr<rclcpp::Context> context() const;
  NodeOptions & context(std::shared_ptr<rclcpp::Context> context);

  /// Command-line style arguments for this node alone ("--ros-args -p x:=1 -r __node:=n").
  const std::vector<std::string> & arguments() const;
  NodeOptions & arguments(const std::vector<std::string> & arguments);

  std::vector<rclcpp::Parameter> & parameter_overrides();
  const std::vector<rclcpp::Parameter> & parameter_overrides() const;
  NodeOptions & parameter_overrides(const std::vector<rclcpp::Parameter> & parameter_overrides);

  template <typename ParameterT>
  NodeOptions & append_parameter_override(const std::string & name, const ParameterT & value)
  {
    this->parameter_overrides().emplace_back(name, rclcpp::ParameterValue(value));
    return *this;
  }

  bool use_global_arguments() const;
  NodeOptions & use_global_arguments(bool use_global_arguments);

  bool enable_rosout() const;
  NodeOptions & enable_rosout(bool enable_rosout);

  bool use_intra_process_comms() const;
  NodeOptions & use_intra_process_comms(bool use_intra_process_comms);

  bool enable_topic_statistics() const;
  NodeOptions & enable_topic_statistics(bool enable_topic_statistics);

  bool start_parameter_services() const;
  NodeOptions & start_parameter_services(bool start_parameter_services);

  bool start_parameter_event_publisher() const;
  NodeOptions & start_parameter_event_publisher(bool start_parameter_event_publisher);

  bool use_clock_thread() const;
  NodeOptions & use_clock_thread(const bool use_clock_thread);

  bool allow_undeclared_parameters() const;
  NodeOptions & allow_undeclared_parameters(bool allow_undeclared_parameters);

  bool automatically_declare_parameters_from_overrides() const;
  NodeOptions & automatically_declare_parameters_from_overrides(
    bool automatically_declare_parameters_from_overrides);

private:
  std::shared_ptr<rclcpp::Context> context_;
  std::vector<std::string> arguments_;
  std::vector<rclcpp::Parameter> parameter_overrides_;
  bool use_global_arguments_{true};
  bool enable_rosout_{true};
  bool use_intra_process_comms_{false};
  bool enable_topic_statistics_{false};
  bool start_parameter_services_{true};
  bool start_parameter_event_publisher_{true};
  bool use_clock_thread_{true};
  bool allow_undeclared_parameters_{false};
  bool automatically_declare_parameters_from_overrides_{false};
};

}  // namespace rclcpp

#endif  // RCLCPP__NODE_OPTIONS_HPP_
