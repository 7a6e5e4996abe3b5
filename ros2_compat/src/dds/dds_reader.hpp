// A subscription's end of a DDS topic (or a service's request end): DDS keeps the history
// (keep-last depth), messages are deserialized when taken; malformed samples are dropped with a
// warning. It is listed under its node in the graph while it exists.
#ifndef DDS__DDS_READER_HPP_
#define DDS__DDS_READER_HPP_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>

#include "dds_graph_listing.hpp"
#include "dds_participant.hpp"
#include "ros2_compat/detail/transport.hpp"
#include "serialized_type.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsReader : public TransportReader
{
public:
  // Reads the DDS topic `dds_topic`; `graph` may be null (an endpoint of no node).
  DdsReader(
    std::shared_ptr<DdsParticipant> participant, std::shared_ptr<DdsGraph> graph,
    const std::string & dds_topic, const TopicEndpoint & endpoint, ReaderListener listener);
  ~DdsReader() override;

  bool take(ErasedMessage & message, rmw_message_info_t & info) override;
  bool has_message() const override;
  size_t matched_writer_count() const override;

  // Takes the oldest sample with data as it came (for those who deserialize it themselves);
  // false if there is none.
  bool take_serialized(SerializedSample & sample, eprosima::fastdds::dds::SampleInfo & info);

  const eprosima::fastrtps::rtps::GUID_t & guid() const { return reader_->guid(); }

private:
  class Events : public eprosima::fastdds::dds::DataReaderListener
  {
  public:
    explicit Events(ReaderListener listener) : listener_(std::move(listener)) {}
    void on_data_available(eprosima::fastdds::dds::DataReader * reader) override;
    void on_requested_incompatible_qos(
      eprosima::fastdds::dds::DataReader * reader,
      const eprosima::fastdds::dds::RequestedIncompatibleQosStatus & status) override;

  private:
    const ReaderListener listener_;
  };

  bool take_valid_locked(SerializedSample & sample, eprosima::fastdds::dds::SampleInfo & info);

  const std::shared_ptr<DdsParticipant> participant_;
  const TopicEndpoint endpoint_;
  Events events_;
  eprosima::fastdds::dds::Topic * topic_ = nullptr;
  eprosima::fastdds::dds::DataReader * reader_ = nullptr;
  std::optional<DdsGraphListing> listing_;
  mutable std::mutex mutex_;
  uint64_t received_ = 0;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_READER_HPP_
