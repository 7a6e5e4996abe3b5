// The seam between publishers/subscriptions (and services) and how messages travel. Endpoints
// carry what every transport needs (ROS topic name, interface type name, QoS, the CDR
// conversions, the node they belong to); messages are type-erased. Two transports exist:
// in-process and DDS (between processes), which also announces the nodes in the ROS graph and
// carries services.
#ifndef ROS2_COMPAT__DETAIL__TRANSPORT_HPP_
#define ROS2_COMPAT__DETAIL__TRANSPORT_HPP_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rmw/types.h"

namespace ros2_compat
{
namespace cdr
{
struct MessageTypeSupport;
struct ServiceTypeSupport;
}  // namespace cdr

namespace detail
{

// A node as a transport knows it in the ROS graph; endpoints are listed under their node.
using GraphNodeId = uint64_t;
constexpr GraphNodeId no_graph_node = 0;

struct TopicEndpoint
{
  std::string topic_name;  // fully qualified, e.g. "/scan"
  std::string type_name;   // interface name, e.g. "sensor_msgs/msg/LaserScan"
  rmw_qos_profile_t qos;
  const cdr::MessageTypeSupport * type_support = nullptr;  // needed between processes
  GraphNodeId node = no_graph_node;
};

struct ServiceEndpoint
{
  std::string service_name;  // fully qualified, e.g. "/trailmerge/get_parameters"
  const cdr::ServiceTypeSupport * type_support = nullptr;
  rmw_qos_profile_t qos;
  GraphNodeId node = no_graph_node;
};

// A message of the endpoint's type; shared so that one publication reaches many readers.
using ErasedMessage = std::shared_ptr<const void>;

// A request as a service takes it: who asked (where the response goes) and the request, or
// why it could not be read (the client still deserves an answer).
struct ServiceRequest
{
  rmw_request_id_t id{};
  ErasedMessage message;  // null when malformed
  std::string malformed;
};

// The policy that keeps a publisher and a subscription of one topic apart.
enum class QosPolicy
{
  Reliability,
  Durability,
};

// Humble's name of the policy in its incompatible-QoS warnings, e.g. "RELIABILITY_QOS_POLICY".
const char * qos_policy_name(QosPolicy policy);

// Listeners may run on any thread, also just after their endpoint was destroyed, so they must
// not refer to the endpoint's owner by raw pointer.
struct ReaderListener
{
  std::function<void()> on_message_available;
  std::function<void(QosPolicy)> on_incompatible_publisher;
};

struct WriterListener
{
  std::function<void(QosPolicy)> on_incompatible_subscription;
};

class TransportReader
{
public:
  virtual ~TransportReader() = default;

  // Takes the oldest message still queued; false if there is none.
  virtual bool take(ErasedMessage & message, rmw_message_info_t & info) = 0;
  virtual bool has_message() const = 0;
  virtual size_t matched_writer_count() const = 0;
};

class TransportWriter
{
public:
  virtual ~TransportWriter() = default;

  virtual void write(ErasedMessage message) = 0;
  virtual size_t matched_reader_count() const = 0;
};

// A service's end: requests queue until taken, each response goes to the client that asked.
class TransportServer
{
public:
  virtual ~TransportServer() = default;

  // Takes the oldest request still queued; false if there is none.
  virtual bool take_request(ServiceRequest & request) = 0;
  virtual bool has_request() const = 0;
  // False, and nothing sent, when the client's response reader does not show up in time (it
  // could not receive the response).
  virtual bool send_response(const rmw_request_id_t & id, ErasedMessage response) = 0;
};

class Transport
{
public:
  virtual ~Transport() = default;

  virtual std::unique_ptr<TransportWriter> create_writer(
    const TopicEndpoint & endpoint, WriterListener listener) = 0;
  virtual std::unique_ptr<TransportReader> create_reader(
    const TopicEndpoint & endpoint, ReaderListener listener) = 0;

  // Announces a node in the ROS graph until it is removed; a transport without a graph returns
  // no_graph_node and ignores its removal.
  virtual GraphNodeId add_node(
    const std::string & node_namespace, const std::string & node_name) = 0;
  virtual void remove_node(GraphNodeId node) = 0;

  // Whether services can be offered: only between processes, as no one in a process needs them.
  virtual bool carries_services() const = 0;
  // Throws std::logic_error where services are not carried.
  virtual std::unique_ptr<TransportServer> create_server(
    const ServiceEndpoint & endpoint, ReaderListener listener) = 0;
};

// The transport of this process's publishers and subscriptions, chosen on first use by the
// environment variable ROS2_COMPAT_TRANSPORT: "dds" (the default) or "in_process". Test
// executables set "in_process" for themselves and the programs they start; throws
// std::invalid_argument for other values.
std::shared_ptr<Transport> get_transport();

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__TRANSPORT_HPP_
