// A node's service, in the role of rclcpp::Service (here only the node's parameter services use
// one): a request wakes the executor serving the service's callback group, which answers it with
// the callback and sends the response to the client that asked. A request that cannot be read
// is answered with what `refuse` makes of the reason, so that its client is not left waiting.
#ifndef ROS2_COMPAT__DETAIL__SERVICE_SERVER_HPP_
#define ROS2_COMPAT__DETAIL__SERVICE_SERVER_HPP_

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rmw/types.h"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/executable.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

class ServiceServerBase : public Executable
{
public:
  // Resolves the service name against the node (throws InvalidTopicNameError) and offers the
  // service on the transport, which must carry services.
  ServiceServerBase(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & service_name,
    const cdr::ServiceTypeSupport & type_support, const rmw_qos_profile_t & qos,
    const rclcpp::CallbackGroup::SharedPtr & callback_group);
  ~ServiceServerBase() override;

  ServiceServerBase(const ServiceServerBase &) = delete;
  ServiceServerBase & operator=(const ServiceServerBase &) = delete;

  const std::string & get_service_name() const { return service_name_; }

  bool has_work() const override;
  // Takes one request, answers it and sends the response.
  bool execute_one() override;

protected:
  virtual ErasedMessage respond(const ErasedMessage & request) = 0;
  virtual ErasedMessage refuse(const std::string & reason) = 0;

private:
  const std::string service_name_;
  const std::string logger_name_;
  std::shared_ptr<Transport> transport_;
  std::unique_ptr<TransportServer> server_;
};

template <typename ServiceT>
class ServiceServer : public ServiceServerBase
{
public:
  using Request = typename ServiceT::Request;
  using Response = typename ServiceT::Response;
  using Callback = std::function<void(const Request &, Response &)>;
  using Refusal = std::function<void(const std::string & reason, Response &)>;

  ServiceServer(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & service_name,
    const rmw_qos_profile_t & qos, const rclcpp::CallbackGroup::SharedPtr & callback_group,
    Callback callback, Refusal refusal)
  : ServiceServerBase(
      node_base, service_name, cdr::get_service_type_support<ServiceT>(), qos, callback_group),
    callback_(std::move(callback)),
    refusal_(std::move(refusal))
  {
  }

protected:
  ErasedMessage respond(const ErasedMessage & request) override
  {
    auto response = std::make_shared<Response>();
    callback_(*std::static_pointer_cast<const Request>(request), *response);
    return response;
  }

  ErasedMessage refuse(const std::string & reason) override
  {
    auto response = std::make_shared<Response>();
    refusal_(reason, *response);
    return response;
  }

private:
  Callback callback_;
  Refusal refusal_;
};

// A service served in the node's default callback group, as rclcpp puts a node's own services.
template <typename ServiceT>
std::shared_ptr<ServiceServer<ServiceT>> create_service_server(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & service_name,
  const rmw_qos_profile_t & qos, typename ServiceServer<ServiceT>::Callback callback,
  typename ServiceServer<ServiceT>::Refusal refusal)
{
  const auto group = node_base->get_default_callback_group();
  auto service = std::make_shared<ServiceServer<ServiceT>>(
    node_base, service_name, qos, group, std::move(callback), std::move(refusal));
  group->add_service(service);
  return service;
}

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__SERVICE_SERVER_HPP_
