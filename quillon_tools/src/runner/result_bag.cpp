#include "quillon_tools/runner/result_bag.hpp"

#include <string>
#include <vector>

#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/runner/system_topics.hpp"

namespace quillon_tools
{
namespace
{

using quillon_protocol::msg::ObjectList;
using visualization_msgs::msg::MarkerArray;

template <typename MessageT>
void writeTail(
  const std::string & topic, const std::vector<MessageT> & messages, int64_t time_ns,
  size_t & written, BagWriter & bag)
{
  for (; written < messages.size(); ++written) {
    bag.write(topic, time_ns, messages[written]);
  }
}

bool contains(const std::vector<std::string> & names, const std::string & name)
{
  for (const auto & n : names) {
    if (n == name) {
      return true;
    }
  }
  return false;
}

}  // namespace

const std::vector<std::string> & resultListTopics()
{
  static const std::vector<std::string> topics{
    "/objects_laser1", "/objects_laser2", "/objects_laser"};
  return topics;
}

const std::vector<std::string> & resultMarkerTopics()
{
  static const std::vector<std::string> topics{
    "/scan1/pedestrian_markers", "/scan2/pedestrian_markers", "/objects_laser_markers"};
  return topics;
}

void createResultTopics(BagWriter & bag)
{
  for (const auto & topic : resultListTopics()) {
    bag.createTopic(
      topic, rosidl_generator_traits::name<ObjectList>(), "cdr", offeredQosOfSystemTopic(topic));
  }
  for (const auto & topic : resultMarkerTopics()) {
    bag.createTopic(
      topic, rosidl_generator_traits::name<MarkerArray>(), "cdr", offeredQosOfSystemTopic(topic));
  }
}

void writeNewOutputs(
  const ReplayOutputs & outputs, int64_t time_ns, std::map<std::string, size_t> & written,
  BagWriter & bag)
{
  // Lists before markers, in a fixed topic order, so that equal runs give equal bags.
  for (const auto & topic : resultListTopics()) {
    const auto found = outputs.lists.find(topic);
    if (found == outputs.lists.end()) {
      continue;
    }
    size_t & done = written[topic];
    for (; done < found->second.size(); ++done) {
      bag.write(topic, time_ns, found->second[done].list);
    }
  }
  for (const auto & topic : resultMarkerTopics()) {
    const auto found = outputs.markers.find(topic);
    if (found != outputs.markers.end()) {
      writeTail(topic, found->second, time_ns, written[topic], bag);
    }
  }
}

ReplayOutputs readResultBag(const std::filesystem::path & bag)
{
  BagReader reader;
  reader.open(bag);
  bool has_lists = false;
  for (const auto & topic : reader.topics()) {
    has_lists |= contains(resultListTopics(), topic.name);
  }
  if (!has_lists) {
    throw BagError(
      bag.string() +
      ": holds none of the object list topics /objects_laser1, /objects_laser2, "
      "/objects_laser");
  }
  std::vector<std::string> wanted = resultListTopics();
  wanted.insert(wanted.end(), resultMarkerTopics().begin(), resultMarkerTopics().end());
  reader.setTopicFilter(wanted);

  ReplayOutputs outputs;
  BagMessage message;
  while (reader.readNext(message)) {
    if (contains(resultListTopics(), message.topic)) {
      outputs.lists[message.topic].push_back(ReceivedList{deserialize<ObjectList>(message), 0.0});
    } else {
      outputs.markers[message.topic].push_back(deserialize<MarkerArray>(message));
    }
  }
  return outputs;
}

}  // namespace quillon_tools
