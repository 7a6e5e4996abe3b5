#include "dds_writer.hpp"

#include <stdexcept>
#include <utility>

#include <fastdds/dds/core/status/StatusMask.hpp>

#include "dds_qos.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/dds_names.hpp"
#include "serialized_type.hpp"

namespace ros2_compat
{
namespace detail
{

namespace dds = eprosima::fastdds::dds;

void DdsWriter::Events::on_offered_incompatible_qos(
  dds::DataWriter *, const dds::OfferedIncompatibleQosStatus & status)
{
  const auto policy = ros_qos_policy(status.last_policy_id);
  if (policy && listener_.on_incompatible_subscription) {
    listener_.on_incompatible_subscription(*policy);
  }
}

DdsWriter::DdsWriter(
  std::shared_ptr<DdsParticipant> participant, std::shared_ptr<DdsGraph> graph,
  const std::string & dds_topic, const TopicEndpoint & endpoint, WriterListener listener)
: participant_(std::move(participant)), endpoint_(endpoint), events_(std::move(listener))
{
  topic_ = participant_->acquire_topic(dds_topic, dds_type_name(endpoint_.type_name), "publisher");
  writer_ = participant_->publisher()->create_datawriter(
    topic_, dds_writer_qos(endpoint_.qos), &events_, dds::StatusMask::offered_incompatible_qos());
  if (writer_ == nullptr) {
    participant_->release_topic(topic_);
    throw std::runtime_error("could not create DDS writer for topic " + endpoint_.topic_name);
  }
  listing_.emplace(std::move(graph), endpoint_.node, EndpointKind::Writer, writer_->guid());
}

DdsWriter::~DdsWriter()
{
  listing_.reset();
  participant_->publisher()->delete_datawriter(writer_);
  participant_->release_topic(topic_);
}

void DdsWriter::write(ErasedMessage message)
{
  SerializedSample sample;
  endpoint_.type_support->serialize(message.get(), sample);
  // Only a keep-all writer whose history stays full (unacknowledged) past the blocking time
  // fails; Humble reports it the same way.
  if (!writer_->write(&sample)) {
    throw std::runtime_error("failed to publish message: cannot publish data");
  }
}

size_t DdsWriter::matched_reader_count() const
{
  dds::PublicationMatchedStatus status;
  writer_->get_publication_matched_status(status);
  return static_cast<size_t>(status.current_count);
}

}  // namespace detail
}  // namespace ros2_compat
