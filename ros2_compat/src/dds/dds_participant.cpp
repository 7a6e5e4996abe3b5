#include "dds_participant.hpp"

#include <stdexcept>
#include <string>

#include "ros2_compat/detail/dds_participant_qos.hpp"
#include "serialized_type.hpp"

namespace ros2_compat
{
namespace detail
{

namespace dds = eprosima::fastdds::dds;

DdsParticipant::DdsParticipant(const DdsSettings & settings)
: factory_(dds::DomainParticipantFactory::get_shared_instance())
{
  participant_ = factory_->create_participant(settings.domain_id, dds_participant_qos(settings));
  if (participant_ == nullptr) {
    throw std::runtime_error(
      "could not create a DDS participant in domain " + std::to_string(settings.domain_id));
  }
  publisher_ = participant_->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
  subscriber_ = participant_->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
  if (publisher_ == nullptr || subscriber_ == nullptr) {
    participant_->delete_contained_entities();
    factory_->delete_participant(participant_);
    throw std::runtime_error("could not create the DDS publisher and subscriber");
  }
}

DdsParticipant::~DdsParticipant()
{
  participant_->delete_contained_entities();
  factory_->delete_participant(participant_);
}

dds::Topic * DdsParticipant::acquire_topic(
  const std::string & topic_name, const std::string & type_name, const char * entity)
{
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = topics_.find(topic_name);
  if (found != topics_.end()) {
    if (found->second.topic->get_type_name() != type_name) {
      throw std::runtime_error(
        std::string("could not create ") + entity + ": create_" + entity +
        "() called for existing topic name with incompatible type");
    }
    ++found->second.users;
    return found->second.topic;
  }
  if (participant_->find_type(type_name).empty()) {
    dds::TypeSupport type(new SerializedType(type_name));
    if (type.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
      throw std::runtime_error("could not register DDS type " + type_name);
    }
  }
  dds::Topic * topic = participant_->create_topic(topic_name, type_name, dds::TOPIC_QOS_DEFAULT);
  if (topic == nullptr) {
    throw std::runtime_error("could not create DDS topic " + topic_name);
  }
  topics_.emplace(topic_name, TopicUse{topic, 1});
  return topic;
}

void DdsParticipant::release_topic(dds::Topic * topic)
{
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = topics_.find(topic->get_name());
  if (found == topics_.end() || --found->second.users > 0) {
    return;
  }
  participant_->delete_topic(topic);
  topics_.erase(found);
}

}  // namespace detail
}  // namespace ros2_compat
