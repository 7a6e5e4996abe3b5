#include "ros2_compat/detail/transport_dds.hpp"

#include <memory>
#include <stdexcept>
#include <utility>

#include "dds_participant.hpp"
#include "dds_reader.hpp"
#include "dds_writer.hpp"

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
  : participant_(std::make_shared<DdsParticipant>(settings))
  {
  }

  std::unique_ptr<TransportWriter> create_writer(
    const TopicEndpoint & endpoint, WriterListener listener) override
  {
    require_type_support(endpoint);
    return std::make_unique<DdsWriter>(participant_, endpoint, std::move(listener));
  }

  std::unique_ptr<TransportReader> create_reader(
    const TopicEndpoint & endpoint, ReaderListener listener) override
  {
    require_type_support(endpoint);
    return std::make_unique<DdsReader>(participant_, endpoint, std::move(listener));
  }

private:
  // Shared with every reader and writer, so the participant outlives its entities.
  std::shared_ptr<DdsParticipant> participant_;
};

}  // namespace

std::shared_ptr<Transport> make_dds_transport(const DdsSettings & settings)
{
  return std::make_shared<DdsTransport>(settings);
}

}  // namespace detail
}  // namespace ros2_compat
