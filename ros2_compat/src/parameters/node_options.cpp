#include "rclcpp/node_options.hpp"

#include <memory>
#include <string>
#include <vector>

namespace rclcpp
{

std::shared_ptr<rclcpp::Context> NodeOptions::context() const { return context_; }

NodeOptions & NodeOptions::context(std::shared_ptr<rclcpp::Context> context)
{
  context_ = context;
  return *this;
}

const std::vector<std::string> & NodeOptions::arguments() const { return arguments_; }

NodeOptions & NodeOptions::arguments(const std::vector<std::string> & arguments)
{
  arguments_ = arguments;
  return *this;
}

std::vector<rclcpp::Parameter> & NodeOptions::parameter_overrides() { return parameter_overrides_; }

const std::vector<rclcpp::Parameter> & NodeOptions::parameter_overrides() const
{
  return parameter_overrides_;
}

NodeOptions & NodeOptions::parameter_overrides(
  const std::vector<rclcpp::Parameter> & parameter_overrides)
{
  parameter_overrides_ = parameter_overrides;
  return *this;
}

bool NodeOptions::use_global_arguments() const { return use_global_arguments_; }

NodeOptions & NodeOptions::use_global_arguments(bool use_global_arguments)
{
  use_global_arguments_ = use_global_arguments;
  return *this;
}

bool NodeOptions::enable_rosout() const { return enable_rosout_; }

NodeOptions & NodeOptions::enable_rosout(bool enable_rosout)
{
  enable_rosout_ = enable_rosout;
  return *this;
}

bool NodeOptions::use_intra_process_comms() const { return use_intra_process_comms_; }

NodeOptions & NodeOptions::use_intra_process_comms(bool use_intra_process_comms)
{
  use_intra_process_comms_ = use_intra_process_comms;
  return *this;
}

bool NodeOptions::enable_topic_statistics() const { return enable_topic_statistics_; }

NodeOptions & NodeOptions::enable_topic_statistics(bool enable_topic_statistics)
{
  enable_topic_statistics_ = enable_topic_statistics;
  return *this;
}

bool NodeOptions::start_parameter_services() const { return start_parameter_services_; }

NodeOptions & NodeOptions::start_parameter_services(bool start_parameter_services)
{
  start_parameter_services_ = start_parameter_services;
  return *this;
}

bool NodeOptions::start_parameter_event_publisher() const
{
  return start_parameter_event_publisher_;
}

NodeOptions & NodeOptions::start_parameter_event_publisher(bool start_parameter_event_publisher)
{
  start_parameter_event_publisher_ = start_parameter_event_publisher;
  return *this;
}

bool NodeOptions::use_clock_thread() const { return use_clock_thread_; }

NodeOptions & NodeOptions::use_clock_thread(const bool use_clock_thread)
{
  use_clock_thread_ = use_clock_thread;
  return *this;
}

bool NodeOptions::allow_undeclared_parameters() const { return allow_undeclared_parameters_; }

NodeOptions & NodeOptions::allow_undeclared_parameters(bool allow_undeclared_parameters)
{
  allow_undeclared_parameters_ = allow_undeclared_parameters;
  return *this;
}

bool NodeOptions::automatically_declare_parameters_from_overrides() const
{
  return automatically_declare_parameters_from_overrides_;
}

NodeOptions & NodeOptions::automatically_declare_parameters_from_overrides(
  bool automatically_declare_parameters_from_overrides)
{
  automatically_declare_parameters_from_overrides_ =
    automatically_declare_parameters_from_overrides;
  return *this;
}

}  // namespace rclcpp
