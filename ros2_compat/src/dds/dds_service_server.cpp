#include "dds_service_server.hpp"

#include <cstring>
#include <string>
#include <utility>

#include <fastdds/rtps/common/SampleIdentity.h>
#include <fastdds/rtps/common/WriteParams.h>
#include <fastdds/dds/subscriber/SampleInfo.hpp>

#include "dds_guid.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/dds_names.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::SampleIdentity;
using eprosima::fastrtps::rtps::SequenceNumber_t;

TopicEndpoint part_endpoint(const ServiceEndpoint & service, const cdr::MessageTypeSupport & part)
{
  TopicEndpoint endpoint;
  endpoint.topic_name = service.service_name;
  endpoint.type_name = part.type_name;
  endpoint.qos = service.qos;
  endpoint.type_support = &part;
  endpoint.node = service.node;
  return endpoint;
}

// The client to answer is the one its request names as related (its response reader), or else
// the request's own writer.
rmw_request_id_t request_id_of(const eprosima::fastdds::dds::SampleInfo & info)
{
  const bool names_client = info.related_sample_identity.writer_guid() != GUID_t::unknown();
  const DdsGuid client = dds_guid_of(
    names_client ? info.related_sample_identity.writer_guid() : info.sample_identity.writer_guid());
  rmw_request_id_t id{};
  static_assert(sizeof(id.writer_guid) == sizeof(client), "a request id holds a whole GUID");
  std::memcpy(id.writer_guid, client.data(), client.size());
  id.sequence_number = static_cast<int64_t>(info.sample_identity.sequence_number().to64long());
  return id;
}

SampleIdentity answered_request(const rmw_request_id_t & id)
{
  DdsGuid client;
  std::memcpy(client.data(), id.writer_guid, client.size());
  SampleIdentity identity;
  identity.writer_guid(fastdds_guid_of(client));
  identity.sequence_number(SequenceNumber_t(static_cast<uint64_t>(id.sequence_number)));
  return identity;
}

// RTPS entity kinds of readers have this bit set, those of writers do not.
bool is_reader(const GUID_t & guid)
{
  constexpr uint8_t reader_kind_bit = 0x04;
  return (guid.entityId.value[3] & reader_kind_bit) != 0;
}

}  // namespace

DdsServiceServer::DdsServiceServer(
  const std::shared_ptr<DdsParticipant> & participant, const std::shared_ptr<DdsGraph> & graph,
  const ServiceEndpoint & endpoint, ReaderListener listener)
: endpoint_(endpoint),
  requests_(
    participant, graph, dds_request_topic_name(endpoint.service_name),
    part_endpoint(endpoint, endpoint.type_support->request), std::move(listener)),
  responses_(
    participant, graph, dds_response_topic_name(endpoint.service_name),
    part_endpoint(endpoint, endpoint.type_support->response), WriterListener{})
{
}

bool DdsServiceServer::take_request(ServiceRequest & request)
{
  SerializedSample sample;
  eprosima::fastdds::dds::SampleInfo info;
  if (!requests_.take_serialized(sample, info)) {
    return false;
  }
  request.id = request_id_of(info);
  request.message.reset();
  request.malformed.clear();
  try {
    request.message = endpoint_.type_support->request.deserialize(sample.data(), sample.size());
  } catch (const cdr::MalformedMessage & e) {
    request.malformed = e.what();
  }
  return true;
}

bool DdsServiceServer::has_request() const { return requests_.has_message(); }

bool DdsServiceServer::send_response(const rmw_request_id_t & id, ErasedMessage response)
{
  eprosima::fastrtps::rtps::WriteParams params;
  params.related_sample_identity(answered_request(id));
  // A client names its response reader so that the response waits until that reader is
  // matched: discovery of the two sides of a service may finish in either order.
  const GUID_t & client = params.related_sample_identity().writer_guid();
  if (
    is_reader(client) &&
    !responses_.wait_for_matched_reader(client, responses_.max_blocking_time())) {
    return false;
  }
  responses_.write(std::move(response), params);
  return true;
}

}  // namespace detail
}  // namespace ros2_compat
