#include "ros2_compat/detail/service_server.hpp"

#include <utility>

#include "rclcpp/logging.hpp"
#include "ros_names.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

ReaderListener wake_on_request(const rclcpp::CallbackGroup::SharedPtr & callback_group)
{
  ReaderListener listener;
  std::weak_ptr<rclcpp::CallbackGroup> weak_group = callback_group;
  listener.on_message_available = [weak_group] {
    if (auto group = weak_group.lock()) {
      group->wake_executor();
    }
  };
  return listener;
}

}  // namespace

ServiceServerBase::ServiceServerBase(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & service_name,
  const cdr::ServiceTypeSupport & type_support, const rmw_qos_profile_t & qos,
  const rclcpp::CallbackGroup::SharedPtr & callback_group)
: service_name_(node_base->resolve_topic_or_service_name(service_name, true)),
  logger_name_(node_logger_name(node_base->get_name(), node_base->get_namespace())),
  transport_(get_transport())
{
  ServiceEndpoint endpoint;
  endpoint.service_name = service_name_;
  endpoint.type_support = &type_support;
  endpoint.qos = qos;
  endpoint.node = node_base->get_graph_node();
  server_ = transport_->create_server(endpoint, wake_on_request(callback_group));
}

ServiceServerBase::~ServiceServerBase() = default;

bool ServiceServerBase::has_work() const { return server_->has_request(); }

bool ServiceServerBase::execute_one()
{
  ServiceRequest request;
  if (!server_->take_request(request)) {
    return false;
  }
  ErasedMessage response;
  if (request.message) {
    response = respond(request.message);
  } else {
    RCLCPP_WARN(
      rclcpp::get_logger(logger_name_), "refused a malformed request on service '%s': %s",
      service_name_.c_str(), request.malformed.c_str());
    response = refuse("malformed request: " + request.malformed);
  }
  // Worded as rclcpp warns when the middleware gives up waiting for the client.
  if (!server_->send_response(request.id, std::move(response))) {
    RCLCPP_WARN(
      rclcpp::get_logger(logger_name_ + ".rclcpp"),
      "failed to send response to %s (timeout): client will not receive response",
      service_name_.c_str());
  }
  return true;
}

}  // namespace detail
}  // namespace ros2_compat
