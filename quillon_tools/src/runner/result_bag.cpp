#include "quillon_tools/runner/result_bag.hpp"

#include <string>
#include <utility>
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

// A bag to score holds at least one list topic, and each of the six it holds with its type;
// another type on one of these names is a different recording, not a damaged message.
void requireResultTopics(
  const std::filesystem::path & bag, const std::vector<BagTopicInfo> & topics)
{
  bool has_lists = false;
  for (const auto & topic : topics) {
    const bool list = contains(resultListTopics(), topic.name);
    const bool markers = contains(resultMarkerTopics(), topic.name);
    const char * wanted = list      ? rosidl_generator_traits::name<ObjectList>()
                          : markers ? rosidl_generator_traits::name<MarkerArray>()
                                    : nullptr;
    if (wanted != nullptr && topic.type != wanted) {
      throw BagError(
        bag.string() + ": topic " + topic.name + " is of type " + topic.type + ", not " + wanted);
    }
    has_lists |= list;
  }
  if (!has_lists) {
    throw BagError(
      bag.string() +
      ": holds none of the object list topics /objects_laser1, /objects_laser2, "
      "/objects_laser");
  }
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

ResultBag readResultBag(const std::filesystem::path & bag)
{
  BagReader reader;
  reader.open(bag);
  requireResultTopics(bag, reader.topics());
  std::vector<std::string> wanted = resultListTopics();
  wanted.insert(wanted.end(), resultMarkerTopics().begin(), resultMarkerTopics().end());
  reader.setTopicFilter(wanted);

  ResultBag result;
  BagMessage message;
  while (reader.readNext(message)) {
    try {
      // Read before the topic's entry is made: a topic without a readable message has none.
      if (contains(resultListTopics(), message.topic)) {
        ReceivedList received{deserialize<ObjectList>(message), 0.0};
        result.lists[message.topic].push_back(std::move(received));
      } else {
        auto markers = deserialize<MarkerArray>(message);
        result.markers[message.topic].push_back(std::move(markers));
      }
    } catch (const BagError &) {
      ++result.unreadable[message.topic];  // the topic's type was checked: the bytes are bad
    }
  }
  return result;
}

}  // namespace quillon_tools
