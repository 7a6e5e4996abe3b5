#include "rclcpp/init_options.hpp"

namespace rclcpp
{

bool InitOptions::auto_initialize_logging() const { return initialize_logging_; }

InitOptions & InitOptions::auto_initialize_logging(bool initialize_logging)
{
  initialize_logging_ = initialize_logging;
  return *this;
}

void InitOptions::set_domain_id(size_t domain_id) { domain_id_ = domain_id; }

size_t InitOptions::get_domain_id() const { return domain_id_; }

void InitOptions::use_default_domain_id() { domain_id_ = SIZE_MAX; }

}  // namespace rclcpp
