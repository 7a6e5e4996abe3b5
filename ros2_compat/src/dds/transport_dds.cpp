#include "ros2_compat/detail/transport_dds.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "dds_graph.hpp"
#include "dds_participant.hpp"
#include "dds_reader.hpp"
#include "dds_service_server.hpp"
#include "dds_writer.hpp"
#include "ros2_compat/detail/dds_names.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

void require_type_support(const TopicEndpoint & endpoint)
{
  if (endpoint.type_support == nullptr) {
    throw std::invalid_argument(
      "topic '" + endpoint.topic_name + "': type " + endpoint.type_name +
      " has no CDR type support, so it cannot travel over DDS");
  }
}

class DdsTransport : public Transport
{
public:
  explicit DdsTransport(const DdsSettings & settings)
  : participant_(std::make_shared<DdsParticipant>(settings)),
    graph_(std::make_shared<DdsGraph>(participant_))
  {
  }

  std::unique_ptr<TransportWriter> create_writer(
    const TopicEndpoint & endpoint, WriterListener listener) override
  {
    require_type_support(endpoint);
    return std::make_unique<DdsWriter>(
      participant_, graph_, dds_topic_of(endpoint), endpoint, std::move(listener));
  }

  std::unique_ptr<TransportReader> create_reader(
    const TopicEndpoint & endpoint, ReaderListener listener) override
  {
    require_type_support(endpoint);
    return std::make_unique<DdsReader>(
      participant_, graph_, dds_topic_of(endpoint), endpoint, std::move(listener));
  }

  GraphNodeId add_node(const std::string & node_namespace, const std::string & node_name) override
  {
    return graph_->add_node(node_namespace, node_name);
  }

  void remove_node(GraphNodeId node) override { graph_->remove_node(node); }

  bool carries_services() const override { return true; }

  std::unique_ptr<TransportServer> create_server(
    const ServiceEndpoint & endpoint, ReaderListener listener) override
  {
    return std::make_unique<DdsServiceServer>(participant_, graph_, endpoint, std::move(listener));
  }

private:
  static std::string dds_topic_of(const TopicEndpoint & endpoint)
  {
    return dds_topic_name(endpoint.topic_name, endpoint.qos.avoid_ros_namespace_conventions);
  }

  // Shared with every reader and writer, so the participant and the graph outlive them.
  std::shared_ptr<DdsParticipant> participant_;
  std::shared_ptr<DdsGraph> graph_;
};

}  // namespace

std::shared_ptr<Transport> make_dds_transport(const DdsSettings & settings)
{
  return std::make_shared<DdsTransport>(settings);
}

}  // namespace detail
}  // namespace ros2_compat
