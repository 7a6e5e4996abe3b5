#include "dds_reader.hpp"

#include <cstring>
#include <stdexcept>
#include <utility>

#include <fastdds/dds/core/status/StatusMask.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>

#include "dds_qos.hpp"
#include "rclcpp/logging.hpp"
#include "ros2_compat/cdr/type_support.hpp"
#include "ros2_compat/detail/dds_names.hpp"
#include "serialized_type.hpp"

namespace ros2_compat
{
namespace detail
{

namespace
{

namespace dds = eprosima::fastdds::dds;

constexpr const char * implementation_identifier = "ros2_compat_dds";

rmw_message_info_t message_info(const dds::SampleInfo & sample, uint64_t reception_sequence)
{
  rmw_message_info_t info{};
  info.source_timestamp = sample.source_timestamp.to_ns();
  info.received_timestamp = sample.reception_timestamp.to_ns();
  info.publication_sequence_number = sample.sample_identity.sequence_number().to64long();
  info.reception_sequence_number = reception_sequence;
  info.publisher_gid.implementation_identifier = implementation_identifier;
  const auto & guid = sample.sample_identity.writer_guid();
  static_assert(sizeof(guid) <= RMW_GID_STORAGE_SIZE, "a DDS GUID fits in a ROS gid");
  std::memcpy(info.publisher_gid.data, &guid, sizeof(guid));
  info.from_intra_process = false;
  return info;
}

}  // namespace

void DdsReader::Events::on_data_available(dds::DataReader *)
{
  if (listener_.on_message_available) {
    listener_.on_message_available();
  }
}

void DdsReader::Events::on_requested_incompatible_qos(
  dds::DataReader *, const dds::RequestedIncompatibleQosStatus & status)
{
  const auto policy = ros_qos_policy(status.last_policy_id);
  if (policy && listener_.on_incompatible_publisher) {
    listener_.on_incompatible_publisher(*policy);
  }
}

DdsReader::DdsReader(
  std::shared_ptr<DdsParticipant> participant, std::shared_ptr<DdsGraph> graph,
  const std::string & dds_topic, const TopicEndpoint & endpoint, ReaderListener listener)
: participant_(std::move(participant)), endpoint_(endpoint), events_(std::move(listener))
{
  topic_ =
    participant_->acquire_topic(dds_topic, dds_type_name(endpoint_.type_name), "subscription");
  reader_ = participant_->subscriber()->create_datareader(
    topic_, dds_reader_qos(endpoint_.qos), &events_,
    dds::StatusMask::data_available() << dds::StatusMask::requested_incompatible_qos());
  if (reader_ == nullptr) {
    participant_->release_topic(topic_);
    throw std::runtime_error("could not create DDS reader for topic " + endpoint_.topic_name);
  }
  listing_.emplace(std::move(graph), endpoint_.node, EndpointKind::Reader, reader_->guid());
}

DdsReader::~DdsReader()
{
  listing_.reset();
  participant_->subscriber()->delete_datareader(reader_);
  participant_->release_topic(topic_);
}

bool DdsReader::take_serialized(SerializedSample & sample, dds::SampleInfo & info)
{
  std::lock_guard<std::mutex> lock(mutex_);
  return take_valid_locked(sample, info);
}

bool DdsReader::take_valid_locked(SerializedSample & sample, dds::SampleInfo & info)
{
  while (reader_->take_next_sample(&sample, &info) == ReturnCode_t::RETCODE_OK) {
    if (info.valid_data) {
      return true;
    }
  }
  return false;
}

bool DdsReader::take(ErasedMessage & message, rmw_message_info_t & info)
{
  std::lock_guard<std::mutex> lock(mutex_);
  SerializedSample sample;
  dds::SampleInfo sample_info;
  while (take_valid_locked(sample, sample_info)) {
    try {
      message = endpoint_.type_support->deserialize(sample.data(), sample.size());
    } catch (const cdr::MalformedMessage & e) {
      RCLCPP_WARN(
        rclcpp::get_logger("rmw_fastrtps_cpp"),
        "dropped a malformed message on topic '%s' (type %s): %s", endpoint_.topic_name.c_str(),
        endpoint_.type_name.c_str(), e.what());
      continue;
    }
    info = message_info(sample_info, ++received_);
    return true;
  }
  return false;
}

bool DdsReader::has_message() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  dds::SampleInfo sample_info;
  while (reader_->get_first_untaken_info(&sample_info) == ReturnCode_t::RETCODE_OK) {
    if (sample_info.valid_data) {
      return true;
    }
    // State changes without data (a writer that left) are not messages.
    SerializedSample discarded;
    reader_->take_next_sample(&discarded, &sample_info);
  }
  return false;
}

size_t DdsReader::matched_writer_count() const
{
  dds::SubscriptionMatchedStatus status;
  reader_->get_subscription_matched_status(status);
  return static_cast<size_t>(status.current_count);
}

}  // namespace detail
}  // namespace ros2_compat
