// Records topics of the system into a ROS 2 bag (the layout of Humble's rosbag2 with sqlite3),
// over the normal DDS transport, until Ctrl-C.
//   quillon_bag_record OUT_BAG (TOPIC... | -a) [--ros-args ...]
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/system_topics.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using namespace quillon_tools;

struct Options
{
  std::string bag;
  std::vector<std::string> topics;
};

// Names are taken as absolute, as the recorder's node lives in the root namespace.
void addTopic(std::vector<std::string> & topics, const std::string & name)
{
  const std::string topic = name[0] == '/' ? name : "/" + name;
  for (const auto & t : topics) {
    if (t == topic) {
      return;
    }
  }
  topics.push_back(topic);
}

// Our own arguments come before any "--ros-args" section, which is left to rclcpp::init.
bool parseOptions(int argc, char ** argv, Options & o)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--ros-args") {
      break;
    } else if (arg == "-a" || arg == "--all") {
      for (const auto & topic : allSystemTopics()) {
        addTopic(o.topics, topic);
      }
    } else if (arg.empty() || arg[0] == '-') {
      return false;
    } else if (o.bag.empty()) {
      o.bag = arg;
    } else {
      addTopic(o.topics, arg);
    }
  }
  return !o.bag.empty() && !o.topics.empty();
}

// Humble's recorder stamps each message with the system time at which it took it.
int64_t receiveTimeNs()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::system_clock::now().time_since_epoch())
    .count();
}

class Recorder
{
public:
  Recorder(const rclcpp::Node::SharedPtr & node, BagWriter & bag) : node_(node), bag_(bag) {}

  void record(const std::string & topic, const std::string & type)
  {
    bag_.createTopic(topic, type, "cdr", offeredQosOfSystemTopic(topic));
    counts_[topic] = 0;
    visitMessageType(type, [&](auto message) {
      using MessageT = decltype(message);
      subscriptions_.push_back(node_->create_subscription<MessageT>(
        topic, recordingQos(topic), [this, topic](std::shared_ptr<const MessageT> msg) {
          bag_.write(topic, receiveTimeNs(), *msg);
          ++counts_[topic];
        }));
    });
  }

  void printCounts() const
  {
    for (const auto & [topic, count] : counts_) {
      std::printf("%8llu  %s\n", static_cast<unsigned long long>(count), topic.c_str());
    }
  }

private:
  rclcpp::Node::SharedPtr node_;
  BagWriter & bag_;
  std::vector<rclcpp::SubscriptionBase::SharedPtr> subscriptions_;
  std::map<std::string, uint64_t> counts_;
};

int run(const Options & o)
{
  BagWriter bag;
  bag.open(o.bag);
  auto node = std::make_shared<rclcpp::Node>("quillon_bag_record");
  Recorder recorder(node, bag);
  for (const auto & topic : o.topics) {
    recorder.record(topic, *systemTopicType(topic));
  }
  std::printf("recording %zu topics into %s (Ctrl-C stops)\n", o.topics.size(), o.bag.c_str());
  std::fflush(stdout);
  // Short spins: while no message arrives, the pending ones still get committed within about a
  // second, so a recorder that is killed loses no more than that.
  rclcpp::executors::SingleThreadedExecutor executor;
  executor.add_node(node);
  while (rclcpp::ok()) {
    executor.spin_once(std::chrono::milliseconds(100));
    bag.commitIfDue();
  }
  bag.close();
  std::printf("messages recorded:\n");
  recorder.printCounts();
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(
      "usage: quillon_bag_record OUT_BAG (TOPIC... | -a) [--ros-args ...]\n"
      "-a records every topic of the system; known topics: " +
        knownTopicPatterns() + "\n",
      help);
  }
  for (const auto & topic : options.topics) {
    if (!systemTopicType(topic)) {
      std::fprintf(
        stderr, "quillon_bag_record: unknown topic %s; known topics: %s\n", topic.c_str(),
        knownTopicPatterns().c_str());
      return 2;
    }
  }
  return quillon_tools::runWithRos(
    argc, argv, "quillon_bag_record", [&options] { return run(options); });
}
