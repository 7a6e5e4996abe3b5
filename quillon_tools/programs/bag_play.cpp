// Plays a ROS 2 bag over DDS with the original spacing of its messages, as `ros2 bag play`
// does, for the message types of this system.
//   quillon_bag_play IN_BAG [--rate R] [--loop] [--start-offset S] [--restamp] [--clock]
//                    [--wait-for-subscribers] [--ros-args ...]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "quillon_tools/recording/bag_reader.hpp"
#include "quillon_tools/recording/message_types.hpp"
#include "quillon_tools/runner/playback_skips.hpp"
#include "quillon_tools/runner/program_main.hpp"
#include "quillon_tools/runner/restamp.hpp"
#include "quillon_tools/runner/system_topics.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using namespace quillon_tools;
using SteadyTime = std::chrono::steady_clock::time_point;

struct Options
{
  std::string bag;
  double rate = 1.0;
  bool loop = false;
  double start_offset_s = 0.0;
  bool restamp = false;
  bool clock = false;
  bool wait_for_subscribers = false;
};

bool parseNumber(const std::string & text, double & value, bool positive)
{
  char * end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(value) &&
         (positive ? value > 0.0 : value >= 0.0);
}

// Our own options come before any "--ros-args" section, which is left to rclcpp::init.
bool parseOptions(int argc, char ** argv, Options & o)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--ros-args") {
      break;
    } else if (arg == "--loop" || arg == "--restamp" || arg == "--clock") {
      (arg == "--loop" ? o.loop : arg == "--restamp" ? o.restamp : o.clock) = true;
    } else if (arg == "--wait-for-subscribers") {
      o.wait_for_subscribers = true;
    } else if (arg == "--rate" && has_value) {
      if (!parseNumber(argv[++i], o.rate, true)) {
        return false;
      }
    } else if (arg == "--start-offset" && has_value) {
      if (!parseNumber(argv[++i], o.start_offset_s, false)) {
        return false;
      }
    } else if (arg.rfind("--", 0) != 0 && o.bag.empty()) {
      o.bag = arg;
    } else {
      return false;
    }
  }
  return !o.bag.empty();
}

// Publishes the recorded messages of one topic, typed, optionally with new stamps.
class TopicPlayer
{
public:
  virtual ~TopicPlayer() = default;
  // Why the message was not published, or nullopt when it was.
  virtual std::optional<PlaybackSkip> play(
    const BagMessage & message, const StampMapping * mapping) = 0;
  virtual size_t subscriptionCount() const = 0;
};

template <typename MessageT>
class TypedTopicPlayer : public TopicPlayer
{
public:
  TypedTopicPlayer(rclcpp::Node & node, const std::string & topic)
  : publisher_(node.create_publisher<MessageT>(topic, playbackQos(topic)))
  {
  }

  std::optional<PlaybackSkip> play(
    const BagMessage & message, const StampMapping * mapping) override
  {
    MessageT typed;
    try {
      typed = deserialize<MessageT>(message);
    } catch (const BagError &) {
      return PlaybackSkip::Unreadable;
    }
    if (mapping != nullptr && !restamp(typed, *mapping)) {
      return PlaybackSkip::UnmappableStamp;
    }
    publisher_->publish(typed);
    return std::nullopt;
  }

  size_t subscriptionCount() const override { return publisher_->get_subscription_count(); }

private:
  typename rclcpp::Publisher<MessageT>::SharedPtr publisher_;
};

builtin_interfaces::msg::Time toStamp(int64_t ns)
{
  builtin_interfaces::msg::Time t;
  t.sec = static_cast<int32_t>(ns / 1000000000LL);
  t.nanosec = static_cast<uint32_t>(ns % 1000000000LL);
  return t;
}

class Player
{
public:
  Player(const Options & options, const rclcpp::Node::SharedPtr & node)
  : options_(options), node_(node)
  {
    reader_.open(options.bag);
    for (const auto & topic : reader_.topics()) {
      if (topic.name == "/clock" && options.clock) {
        continue;  // the bag's time is published instead
      }
      if (systemMessageTypes().count(topic.type) != 0) {
        addPlayer(topic.name, topic.type);
      }
    }
    if (options.clock) {
      clock_ = node->create_publisher<rosgraph_msgs::msg::Clock>("/clock", rclcpp::ClockQoS());
    }
    bag_start_ns_ = playbackStartTime(reader_);
  }

  void waitForSubscribers() const;
  void playOnce();
  void printSummary() const;

private:
  void addPlayer(const std::string & topic, const std::string & type);
  // Sleeps until the message's moment, keeping "/clock" going meanwhile; false on Ctrl-C.
  bool waitFor(int64_t bag_ns);
  void publishClock(int64_t bag_ns);
  // Where a bag time falls on this machine's clock, and back.
  SteadyTime wallTimeOf(int64_t bag_ns) const;
  int64_t bagTimeOf(SteadyTime wall) const;

  const Options & options_;
  rclcpp::Node::SharedPtr node_;
  BagReader reader_;
  std::map<std::string, std::unique_ptr<TopicPlayer>> players_;
  rclcpp::Publisher<rosgraph_msgs::msg::Clock>::SharedPtr clock_;
  int64_t bag_start_ns_ = 0;
  int64_t play_start_ns_ = 0;
  SteadyTime wall_start_;
  StampMapping mapping_;
  std::map<std::string, uint64_t> published_;
  PlaybackSkipCounts skipped_;
};

void Player::addPlayer(const std::string & topic, const std::string & type)
{
  visitMessageType(type, [&](auto message) {
    using MessageT = decltype(message);
    players_[topic] = std::make_unique<TypedTopicPlayer<MessageT>>(*node_, topic);
  });
}

void Player::waitForSubscribers() const
{
  const auto unmatched = [this] {
    return std::any_of(players_.begin(), players_.end(), [](const auto & entry) {
      return entry.second->subscriptionCount() == 0;
    });
  };
  while (rclcpp::ok() && unmatched()) {
    rclcpp::sleep_for(std::chrono::milliseconds(50));
  }
}

void Player::publishClock(int64_t bag_ns)
{
  rosgraph_msgs::msg::Clock clock;
  clock.clock = toStamp(options_.restamp ? mapping_.map(bag_ns) : bag_ns);
  clock_->publish(clock);
}

// `ros2 bag play --clock` publishes at 40 Hz.
constexpr std::chrono::milliseconds CLOCK_PERIOD(25);

bool Player::waitFor(int64_t bag_ns)
{
  const auto due = wallTimeOf(bag_ns);
  while (rclcpp::ok()) {
    const auto now = std::chrono::steady_clock::now();
    if (clock_) {
      publishClock(std::min(bag_ns, bagTimeOf(now)));
    }
    if (now >= due) {
      return true;
    }
    const auto remaining = std::chrono::duration_cast<std::chrono::nanoseconds>(due - now);
    rclcpp::sleep_for(
      clock_ ? std::min<std::chrono::nanoseconds>(remaining, CLOCK_PERIOD) : remaining);
  }
  return false;
}

SteadyTime Player::wallTimeOf(int64_t bag_ns) const
{
  const double offset_s = static_cast<double>(bag_ns - play_start_ns_) * 1e-9 / options_.rate;
  return wall_start_ +
         std::chrono::duration_cast<SteadyTime::duration>(std::chrono::duration<double>(offset_s));
}

int64_t Player::bagTimeOf(SteadyTime wall) const
{
  const double elapsed_s = std::chrono::duration<double>(wall - wall_start_).count();
  return play_start_ns_ + static_cast<int64_t>(std::llround(elapsed_s * options_.rate * 1e9));
}

void Player::playOnce()
{
  reader_.setTopicFilter({});
  play_start_ns_ =
    bag_start_ns_ + static_cast<int64_t>(std::llround(options_.start_offset_s * 1e9));
  wall_start_ = std::chrono::steady_clock::now();
  mapping_ = StampMapping{play_start_ns_, node_->now().nanoseconds(), options_.rate};
  BagMessage message;
  while (rclcpp::ok() && reader_.readNext(message)) {
    const auto player = players_.find(message.topic);
    if (player == players_.end()) {
      continue;
    }
    if (const auto skip = skipByReceiveTime(message, play_start_ns_)) {
      skipped_.add(*skip);
      continue;
    }
    if (!waitFor(std::max(message.timestamp_ns, play_start_ns_))) {
      continue;
    }
    if (const auto skip = player->second->play(message, options_.restamp ? &mapping_ : nullptr)) {
      skipped_.add(*skip);
    } else {
      ++published_[message.topic];
    }
  }
}

void Player::printSummary() const
{
  std::printf("messages published:\n");
  for (const auto & [topic, count] : published_) {
    std::printf("%8llu  %s\n", static_cast<unsigned long long>(count), topic.c_str());
  }
  PlaybackSkipCounts skipped = skipped_;
  skipped.add(PlaybackSkip::UnknownType, countMessagesOfUnknownTypes(reader_.topics()));
  const auto lines = skipped.lines();
  if (!lines.empty()) {
    std::printf("messages skipped:\n");
  }
  for (const auto & line : lines) {
    std::printf("%s\n", line.c_str());
  }
}

// Reliable readers fetch the last samples after they were written; a writer deleted at once
// could take them along.
constexpr std::chrono::milliseconds DRAIN_TIME(500);

int run(const Options & o)
{
  auto node = std::make_shared<rclcpp::Node>("quillon_bag_play");
  Player player(o, node);
  if (o.wait_for_subscribers) {
    player.waitForSubscribers();
  }
  std::printf("playing %s\n", o.bag.c_str());
  std::fflush(stdout);
  do {
    player.playOnce();
  } while (o.loop && rclcpp::ok());
  if (rclcpp::ok()) {
    rclcpp::sleep_for(DRAIN_TIME);
  }
  player.printSummary();
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const bool help = quillon_tools::asksForHelp(argc, argv);
  if (help || !parseOptions(argc, argv, options)) {
    return quillon_tools::printUsage(
      "usage: quillon_bag_play IN_BAG [--rate R] [--loop] [--start-offset S] [--restamp] "
      "[--clock] [--wait-for-subscribers] [--ros-args ...]\n",
      help);
  }
  return quillon_tools::runWithRos(
    argc, argv, "quillon_bag_play", [&options] { return run(options); });
}
