// rclcpp::InitOptions: what rclcpp::init is told besides the command line.
#ifndef RCLCPP__INIT_OPTIONS_HPP_
#define RCLCPP__INIT_OPTIONS_HPP_

#include <cstddef>
#include <cstdint>

namespace rclcpp
{

class InitOptions
{
public:
  // The context is shut down by SIGINT/SIGTERM when the signal handlers are installed.
  bool shutdown_on_signal = true;

  InitOptions() = default;

  bool auto_initialize_logging() const;
  InitOptions & auto_initialize_logging(bool initialize_logging);

  void set_domain_id(size_t domain_id);
  size_t get_domain_id() const;
  void use_default_domain_id();

private:
  bool initialize_logging_ = true;
  // rcl's RCL_DEFAULT_DOMAIN_ID: take ROS_DOMAIN_ID from the environment, else 0.
  size_t domain_id_ = SIZE_MAX;
};

}  // namespace rclcpp

#endif  // RCLCPP__INIT_OPTIONS_HPP_
