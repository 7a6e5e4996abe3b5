// A plain Fast DDS participant for tests that play the ROS side themselves, written from
// golden/graph/README.md with none of the layer's code: samples are raw bytes (encapsulation
// header included) of a type known only by its DDS name, the participant runs UDP on loopback
// (as ROS_LOCALHOST_ONLY=1 does), and it records the endpoints that discovery reports.
#ifndef PLAIN_FAST_DDS_HPP_
#define PLAIN_FAST_DDS_HPP_

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fastdds/rtps/builtin/data/ReaderProxyData.h>
#include <fastdds/rtps/builtin/data/WriterProxyData.h>
#include <fastdds/rtps/common/SerializedPayload.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/DomainParticipantListener.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/dds/topic/TopicDataType.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

namespace plain_dds
{

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::GUID_t;
using Bytes = std::vector<uint8_t>;

// Polls `condition` until it holds or `timeout` passes; only bounds a wait.
inline bool eventually(const std::function<bool()> & condition, std::chrono::seconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class RawBytesType : public dds::TopicDataType
{
public:
  explicit RawBytesType(const std::string & name)
  {
    setName(name.c_str());
    m_typeSize = 1024;
    m_isGetKeyDefined = false;
    auto_fill_type_object(false);
    auto_fill_type_information(false);
  }

  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override
  {
    const auto & bytes = *static_cast<Bytes *>(data);
    if (bytes.size() < 4 || payload->max_size < bytes.size()) {
      return false;
    }
    std::memcpy(payload->data, bytes.data(), bytes.size());
    payload->length = static_cast<uint32_t>(bytes.size());
    payload->encapsulation = bytes[1] == 1 ? CDR_LE : CDR_BE;
    return true;
  }

  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override
  {
    static_cast<Bytes *>(data)->assign(payload->data, payload->data + payload->length);
    return true;
  }

  std::function<uint32_t()> getSerializedSizeProvider(void * data) override
  {
    const auto size = static_cast<uint32_t>(static_cast<Bytes *>(data)->size());
    return [size] { return size; };
  }

  void * createData() override { return new Bytes(); }
  void deleteData(void * data) override { delete static_cast<Bytes *>(data); }
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override { return false; }
};

// A DDS endpoint that discovery reported.
struct DiscoveredEndpoint
{
  GUID_t guid;
  std::string topic;
  std::string type;
};

class Participant : private dds::DomainParticipantListener
{
public:
  Participant()
  {
    dds::DomainParticipantQos qos = dds::PARTICIPANT_QOS_DEFAULT;
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList.emplace_back("127.0.0.1");
    qos.transport().user_transports.push_back(udp);
    qos.transport().use_builtin_transports = false;
    auto factory = dds::DomainParticipantFactory::get_instance();
    participant_ = factory->create_participant(0, qos, this, dds::StatusMask::none());
    if (participant_ == nullptr) {
      throw std::runtime_error("no DDS participant");
    }
    publisher_ = participant_->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
    subscriber_ = participant_->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
  }

  ~Participant() override
  {
    participant_->delete_contained_entities();
    dds::DomainParticipantFactory::get_instance()->delete_participant(participant_);
  }

  Participant(const Participant &) = delete;
  Participant & operator=(const Participant &) = delete;

  // Keep last `depth` (0: keep all), reliable, with the given durability.
  dds::DataReader * reader(
    const std::string & topic, const std::string & type, int32_t depth,
    dds::DurabilityQosPolicyKind durability)
  {
    dds::DataReaderQos qos = dds::DATAREADER_QOS_DEFAULT;
    set_qos(qos, depth, durability);
    return subscriber_->create_datareader(topic_of(topic, type), qos);
  }

  dds::DataWriter * writer(
    const std::string & topic, const std::string & type, int32_t depth,
    dds::DurabilityQosPolicyKind durability)
  {
    dds::DataWriterQos qos = dds::DATAWRITER_QOS_DEFAULT;
    set_qos(qos, depth, durability);
    return publisher_->create_datawriter(topic_of(topic, type), qos);
  }

  std::vector<DiscoveredEndpoint> discovered_writers() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_of(writers_);
  }

  std::vector<DiscoveredEndpoint> discovered_readers() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_of(readers_);
  }

private:
  template <typename EndpointQos>
  static void set_qos(EndpointQos & qos, int32_t depth, dds::DurabilityQosPolicyKind durability)
  {
    qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
    qos.durability().kind = durability;
    qos.history().kind = depth == 0 ? dds::KEEP_ALL_HISTORY_QOS : dds::KEEP_LAST_HISTORY_QOS;
    qos.history().depth = depth == 0 ? 1 : depth;
    qos.endpoint().history_memory_policy =
      eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  }

  dds::Topic * topic_of(const std::string & topic, const std::string & type)
  {
    if (participant_->find_type(type).empty()) {
      dds::TypeSupport support(new RawBytesType(type));
      support.register_type(participant_);
    }
    auto found = topics_.find(topic);
    if (found != topics_.end()) {
      return found->second;
    }
    dds::Topic * created = participant_->create_topic(topic, type, dds::TOPIC_QOS_DEFAULT);
    topics_[topic] = created;
    return created;
  }

  static std::vector<DiscoveredEndpoint> values_of(const std::map<GUID_t, DiscoveredEndpoint> & map)
  {
    std::vector<DiscoveredEndpoint> values;
    for (const auto & entry : map) {
      values.push_back(entry.second);
    }
    return values;
  }

  void on_publisher_discovery(
    dds::DomainParticipant *, eprosima::fastrtps::rtps::WriterDiscoveryInfo && info) override
  {
    using Status = eprosima::fastrtps::rtps::WriterDiscoveryInfo;
    record(
      writers_, info.info.guid(), info.info.topicName().to_string(),
      info.info.typeName().to_string(), info.status != Status::REMOVED_WRITER);
  }

  void on_subscriber_discovery(
    dds::DomainParticipant *, eprosima::fastrtps::rtps::ReaderDiscoveryInfo && info) override
  {
    using Status = eprosima::fastrtps::rtps::ReaderDiscoveryInfo;
    record(
      readers_, info.info.guid(), info.info.topicName().to_string(),
      info.info.typeName().to_string(), info.status != Status::REMOVED_READER);
  }

  void record(
    std::map<GUID_t, DiscoveredEndpoint> & endpoints, const GUID_t & guid,
    const std::string & topic, const std::string & type, bool present)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (present) {
      endpoints[guid] = {guid, topic, type};
    } else {
      endpoints.erase(guid);
    }
  }

  dds::DomainParticipant * participant_ = nullptr;
  dds::Publisher * publisher_ = nullptr;
  dds::Subscriber * subscriber_ = nullptr;
  std::map<std::string, dds::Topic *> topics_;
  mutable std::mutex mutex_;
  std::map<GUID_t, DiscoveredEndpoint> writers_;
  std::map<GUID_t, DiscoveredEndpoint> readers_;
};

// Takes the next sample with data, waiting up to `timeout` for one.
inline bool take(
  dds::DataReader * reader, Bytes & sample, dds::SampleInfo & info, std::chrono::seconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    while (reader->take_next_sample(&sample, &info) == ReturnCode_t::RETCODE_OK) {
      if (info.valid_data) {
        return true;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    reader->wait_for_unread_message(eprosima::fastrtps::Duration_t(0, 100000000));
  }
}

}  // namespace plain_dds

#endif  // PLAIN_FAST_DDS_HPP_
