// A publisher's end of a DDS topic: serializes each message once and writes the bytes. It is
// listed under its node in the graph while it exists.
#ifndef DDS__DDS_WRITER_HPP_
#define DDS__DDS_WRITER_HPP_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

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

private:
  class Events : public eprosima::fastdds::dds::DataWriterListener
  {
  public:
    explicit Events(WriterListener listener) : listener_(std::move(listener)) {}
    void on_offered_incompatible_qos(
      eprosima::fastdds::dds::DataWriter * writer,
      const eprosima::fastdds::dds::OfferedIncompatibleQosStatus & status) override;

  private:
    const WriterListener listener_;
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
