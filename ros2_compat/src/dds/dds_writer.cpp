#include "dds_writer.hpp"

#include <stdexcept>
#include <utility>

#include <fastdds/rtps/common/InstanceHandle.h>
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
using eprosima::fastrtps::rtps::GUID_t;

void DdsWriter::Events::on_offered_incompatible_qos(
  dds::DataWriter *, const dds::OfferedIncompatibleQosStatus & status)
{
  const auto policy = ros_qos_policy(status.last_policy_id);
  if (policy && listener_.on_incompatible_subscription) {
    listener_.on_incompatible_subscription(*policy);
  }
}

void DdsWriter::Events::on_publication_matched(
  dds::DataWriter *, const dds::PublicationMatchedStatus & status)
{
  const GUID_t reader = eprosima::fastrtps::rtps::iHandle2GUID(status.last_subscription_handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status.current_count_change > 0) {
      matched_readers_.insert(reader);
    } else if (status.current_count_change < 0) {
      matched_readers_.erase(reader);
    }
  }
  matched_changed_.notify_all();
}

bool DdsWriter::Events::wait_for_reader(const GUID_t & reader, std::chrono::nanoseconds timeout)
{
  std::unique_lock<std::mutex> lock(mutex_);
  return matched_changed_.wait_for(
    lock, timeout, [&] { return matched_readers_.count(reader) > 0; });
}

DdsWriter::DdsWriter(
  std::shared_ptr<DdsParticipant> participant, std::shared_ptr<DdsGraph> graph,
  const std::string & dds_topic, const TopicEndpoint & endpoint, WriterListener listener)
: participant_(std::move(participant)), endpoint_(endpoint), events_(std::move(listener))
{
  topic_ = participant_->acquire_topic(dds_topic, dds_type_name(endpoint_.type_name), "publisher");
  writer_ = participant_->publisher()->create_datawriter(
    topic_, dds_writer_qos(endpoint_.qos), &events_,
    dds::StatusMask::offered_incompatible_qos() << dds::StatusMask::publication_matched());
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

namespace
{

// Only a keep-all writer whose history stays full (unacknowledged) past the blocking time
// fails; Humble reports it the same way.
void require_written(bool written)
{
  if (!written) {
    throw std::runtime_error("failed to publish message: cannot publish data");
  }
}

}  // namespace

void DdsWriter::write(ErasedMessage message)
{
  SerializedSample sample;
  endpoint_.type_support->serialize(message.get(), sample);
  require_written(writer_->write(&sample));
}

void DdsWriter::write(ErasedMessage message, eprosima::fastrtps::rtps::WriteParams & params)
{
  SerializedSample sample;
  endpoint_.type_support->serialize(message.get(), sample);
  require_written(writer_->write(&sample, params));
}

size_t DdsWriter::matched_reader_count() const
{
  dds::PublicationMatchedStatus status;
  writer_->get_publication_matched_status(status);
  return static_cast<size_t>(status.current_count);
}

bool DdsWriter::wait_for_matched_reader(const GUID_t & reader, std::chrono::nanoseconds timeout)
{
  return events_.wait_for_reader(reader, timeout);
}

std::chrono::nanoseconds DdsWriter::max_blocking_time() const
{
  const auto & duration = writer_->get_qos().reliability().max_blocking_time;
  return std::chrono::seconds(duration.seconds) + std::chrono::nanoseconds(duration.nanosec);
}

}  // namespace detail
}  // namespace ros2_compat
