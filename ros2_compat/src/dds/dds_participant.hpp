// This process's member of a DDS domain: the participant with one publisher and one subscriber
// for every topic, and the topics in use (DDS allows one topic per name and participant).
#ifndef DDS__DDS_PARTICIPANT_HPP_
#define DDS__DDS_PARTICIPANT_HPP_

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include "ros2_compat/detail/dds_settings.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsParticipant
{
public:
  // Throws std::runtime_error if DDS cannot create the participant.
  explicit DdsParticipant(const DdsSettings & settings);
  ~DdsParticipant();

  DdsParticipant(const DdsParticipant &) = delete;
  DdsParticipant & operator=(const DdsParticipant &) = delete;

  // The topic of that DDS name, created (and its type registered) on first use. A name already
  // in use with another type throws std::runtime_error, as rmw_fastrtps refuses it.
  eprosima::fastdds::dds::Topic * acquire_topic(
    const std::string & topic_name, const std::string & type_name, const char * entity);
  void release_topic(eprosima::fastdds::dds::Topic * topic);

  const eprosima::fastrtps::rtps::GUID_t & guid() const { return participant_->guid(); }
  eprosima::fastdds::dds::Publisher * publisher() const { return publisher_; }
  eprosima::fastdds::dds::Subscriber * subscriber() const { return subscriber_; }

private:
  struct TopicUse
  {
    eprosima::fastdds::dds::Topic * topic;
    size_t users;
  };

  // Keeps the factory alive until the participant is gone, whatever the order of static
  // destruction at exit.
  std::shared_ptr<eprosima::fastdds::dds::DomainParticipantFactory> factory_;
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
  std::mutex mutex_;
  std::map<std::string, TopicUse> topics_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_PARTICIPANT_HPP_
