// A publisher's end of a DDS topic (or a service's response end): serializes each message once
// and writes the bytes. It is listed under its node in the graph while it exists, and it knows
// which readers it is matched with, so that a response can wait for its client's reader.
#ifndef DDS__DDS_WRITER_HPP_
#define DDS__DDS_WRITER_HPP_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include <fastdds/rtps/common/WriteParams.h>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/DataWriterListener.hpp>

#include "dds_graph_listing.hpp"
#include "dds_participant.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsWriter : public TransportWriter
{
public:
  // Writes on the DDS topic `dds_topic`; `graph` may be null (an endpoint of no node).
  DdsWriter(
    std::shared_ptr<DdsParticipant> participant, std::shared_ptr<DdsGraph> graph,
    const std::string & dds_topic, const TopicEndpoint & endpoint, WriterListener listener);
  ~DdsWriter() override;

  void write(ErasedMessage message) override;
  size_t matched_reader_count() const override;

  // Writes with the given parameters (e.g. the request a response relates to); DDS fills in the
  // sample's own identity.
  void write(ErasedMessage message, eprosima::fastrtps::rtps::WriteParams & params);

  const eprosima::fastrtps::rtps::GUID_t & guid() const { return writer_->guid(); }

  // True once the reader with that GUID is matched, false if it is not within `timeout`.
  bool wait_for_matched_reader(
    const eprosima::fastrtps::rtps::GUID_t & reader, std::chrono::nanoseconds timeout);

  // How long a reliable write may block; a response waits as long for its client.
  std::chrono::nanoseconds max_blocking_time() const;

private:
  class Events : public eprosima::fastdds::dds::DataWriterListener
  {
  public:
    explicit Events(WriterListener listener) : listener_(std::move(listener)) {}
    void on_offered_incompatible_qos(
      eprosima::fastdds::dds::DataWriter * writer,
      const eprosima::fastdds::dds::OfferedIncompatibleQosStatus & status) override;
    void on_publication_matched(
      eprosima::fastdds::dds::DataWriter * writer,
      const eprosima::fastdds::dds::PublicationMatchedStatus & status) override;

    bool wait_for_reader(
      const eprosima::fastrtps::rtps::GUID_t & reader, std::chrono::nanoseconds timeout);

  private:
    const WriterListener listener_;
    std::mutex mutex_;
    std::condition_variable matched_changed_;
    std::set<eprosima::fastrtps::rtps::GUID_t> matched_readers_;
  };

  const std::shared_ptr<DdsParticipant> participant_;
  const TopicEndpoint endpoint_;
  Events events_;
  eprosima::fastdds::dds::Topic * topic_ = nullptr;
  eprosima::fastdds::dds::DataWriter * writer_ = nullptr;
  std::optional<DdsGraphListing> listing_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_WRITER_HPP_
