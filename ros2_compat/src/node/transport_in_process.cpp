#include "ros2_compat/detail/transport_in_process.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ros2_compat
{
namespace detail
{

namespace
{

constexpr const char * implementation_identifier = "ros2_compat_in_process";

rmw_time_point_value_t system_now()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::system_clock::now().time_since_epoch())
    .count();
}

// SYSTEM_DEFAULT policies resolve as DDS defaults do: writers reliable, readers best effort.
bool offers_reliable(const rmw_qos_profile_t & writer)
{
  return writer.reliability != RMW_QOS_POLICY_RELIABILITY_BEST_EFFORT;
}

bool requests_reliable(const rmw_qos_profile_t & reader)
{
  return reader.reliability == RMW_QOS_POLICY_RELIABILITY_RELIABLE;
}

bool transient_local(const rmw_qos_profile_t & qos)
{
  return qos.durability == RMW_QOS_POLICY_DURABILITY_TRANSIENT_LOCAL;
}

std::optional<QosPolicy> incompatibility(
  const rmw_qos_profile_t & writer, const rmw_qos_profile_t & reader)
{
  if (!offers_reliable(writer) && requests_reliable(reader)) {
    return QosPolicy::Reliability;
  }
  if (!transient_local(writer) && transient_local(reader)) {
    return QosPolicy::Durability;
  }
  return std::nullopt;
}

// 0 means unbounded (keep all); keep-last keeps at least one sample, as DDS does.
size_t history_capacity(const rmw_qos_profile_t & qos)
{
  if (qos.history == RMW_QOS_POLICY_HISTORY_KEEP_ALL) {
    return 0;
  }
  return std::max<size_t>(qos.depth, 1);
}

struct Sample
{
  ErasedMessage message;
  rmw_message_info_t info;
};

class History
{
public:
  explicit History(size_t capacity) : capacity_(capacity) {}

  void push(Sample sample)
  {
    samples_.push_back(std::move(sample));
    if (capacity_ != 0 && samples_.size() > capacity_) {
      samples_.pop_front();
    }
  }

  bool pop(Sample & sample)
  {
    if (samples_.empty()) {
      return false;
    }
    sample = std::move(samples_.front());
    samples_.pop_front();
    return true;
  }

  bool empty() const { return samples_.empty(); }
  const std::deque<Sample> & samples() const { return samples_; }

private:
  size_t capacity_;
  std::deque<Sample> samples_;
};

struct ReaderState
{
  ReaderState(const TopicEndpoint & endpoint_arg, ReaderListener listener_arg)
  : endpoint(endpoint_arg), listener(std::move(listener_arg)), queue(history_capacity(endpoint.qos))
  {
  }

  void deliver(Sample sample)
  {
    std::lock_guard<std::mutex> lock(mutex);
    sample.info.received_timestamp = system_now();
    sample.info.reception_sequence_number = ++received;
    queue.push(std::move(sample));
  }

  const TopicEndpoint endpoint;
  const ReaderListener listener;
  mutable std::mutex mutex;
  History queue;
  uint64_t received = 0;
};

struct WriterState
{
  WriterState(const TopicEndpoint & endpoint_arg, WriterListener listener_arg, uint64_t id)
  : endpoint(endpoint_arg),
    listener(std::move(listener_arg)),
    history(transient_local(endpoint.qos) ? history_capacity(endpoint.qos) : 1)
  {
    gid.implementation_identifier = implementation_identifier;
    std::memset(gid.data, 0, sizeof(gid.data));
    std::memcpy(gid.data, &id, sizeof(id));
  }

  const TopicEndpoint endpoint;
  const WriterListener listener;
  rmw_gid_t gid;
  uint64_t sequence = 0;
  History history;  // what a transient-local writer replays to late joiners
};

using Notifications = std::vector<std::function<void()>>;

void run(const Notifications & notifications)
{
  for (const auto & notify : notifications) {
    if (notify) {
      notify();
    }
  }
}

// All topics of the process; every change and delivery happens under one lock, listeners run
// after it is released.
class Registry
{
public:
  void add_reader(const std::shared_ptr<ReaderState> & reader)
  {
    Notifications notifications;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Topic & topic = topics_[reader->endpoint.topic_name];
      topic.readers.push_back(reader);
      for (const auto & writer : topic.writers) {
        if (introduce(*writer, *reader, notifications) && transient_local(reader->endpoint.qos)) {
          for (const Sample & sample : writer->history.samples()) {
            reader->deliver(sample);
          }
        }
      }
      if (!reader->queue.empty()) {
        notifications.push_back(reader->listener.on_message_available);
      }
    }
    run(notifications);
  }

  void add_writer(const std::shared_ptr<WriterState> & writer)
  {
    Notifications notifications;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Topic & topic = topics_[writer->endpoint.topic_name];
      topic.writers.push_back(writer);
      for (const auto & reader : topic.readers) {
        introduce(*writer, *reader, notifications);
      }
    }
    run(notifications);
  }

  void remove_reader(const ReaderState * reader)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto & readers = topics_[reader->endpoint.topic_name].readers;
    readers.erase(
      std::remove_if(
        readers.begin(), readers.end(), [reader](const auto & r) { return r.get() == reader; }),
      readers.end());
  }

  void remove_writer(const WriterState * writer)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto & writers = topics_[writer->endpoint.topic_name].writers;
    writers.erase(
      std::remove_if(
        writers.begin(), writers.end(), [writer](const auto & w) { return w.get() == writer; }),
      writers.end());
  }

  void write(WriterState & writer, ErasedMessage message)
  {
    Notifications notifications;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Sample sample{std::move(message), rmw_message_info_t()};
      sample.info.source_timestamp = system_now();
      sample.info.publication_sequence_number = ++writer.sequence;
      sample.info.publisher_gid = writer.gid;
      sample.info.from_intra_process = false;
      if (transient_local(writer.endpoint.qos)) {
        writer.history.push(sample);
      }
      for (const auto & reader : topics_[writer.endpoint.topic_name].readers) {
        if (matches(writer, *reader)) {
          reader->deliver(sample);
          notifications.push_back(reader->listener.on_message_available);
        }
      }
    }
    run(notifications);
  }

  size_t matched_readers(const WriterState & writer)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto & readers = topics_[writer.endpoint.topic_name].readers;
    return std::count_if(
      readers.begin(), readers.end(), [&writer](const auto & r) { return matches(writer, *r); });
  }

  size_t matched_writers(const ReaderState & reader)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto & writers = topics_[reader.endpoint.topic_name].writers;
    return std::count_if(
      writers.begin(), writers.end(), [&reader](const auto & w) { return matches(*w, reader); });
  }

  uint64_t next_writer_id()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return ++writer_count_;
  }

private:
  struct Topic
  {
    std::vector<std::shared_ptr<ReaderState>> readers;
    std::vector<std::shared_ptr<WriterState>> writers;
  };

  static bool matches(const WriterState & writer, const ReaderState & reader)
  {
    return writer.endpoint.type_name == reader.endpoint.type_name &&
           !incompatibility(writer.endpoint.qos, reader.endpoint.qos);
  }

  // Queues the incompatible-QoS events of a new pair; true if the pair communicates.
  static bool introduce(
    const WriterState & writer, const ReaderState & reader, Notifications & notifications)
  {
    if (writer.endpoint.type_name != reader.endpoint.type_name) {
      return false;
    }
    const auto policy = incompatibility(writer.endpoint.qos, reader.endpoint.qos);
    if (!policy) {
      return true;
    }
    if (reader.listener.on_incompatible_publisher) {
      notifications.push_back(
        [callback = reader.listener.on_incompatible_publisher, p = *policy] { callback(p); });
    }
    if (writer.listener.on_incompatible_subscription) {
      notifications.push_back(
        [callback = writer.listener.on_incompatible_subscription, p = *policy] { callback(p); });
    }
    return false;
  }

  std::mutex mutex_;
  std::map<std::string, Topic> topics_;
  uint64_t writer_count_ = 0;
};

class InProcessReader : public TransportReader
{
public:
  InProcessReader(std::shared_ptr<Registry> registry, std::shared_ptr<ReaderState> state)
  : registry_(std::move(registry)), state_(std::move(state))
  {
    registry_->add_reader(state_);
  }

  ~InProcessReader() override { registry_->remove_reader(state_.get()); }

  bool take(ErasedMessage & message, rmw_message_info_t & info) override
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Sample sample;
    if (!state_->queue.pop(sample)) {
      return false;
    }
    message = std::move(sample.message);
    info = sample.info;
    return true;
  }

  bool has_message() const override
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->queue.empty();
  }

  size_t matched_writer_count() const override { return registry_->matched_writers(*state_); }

private:
  std::shared_ptr<Registry> registry_;
  std::shared_ptr<ReaderState> state_;
};

class InProcessWriter : public TransportWriter
{
public:
  InProcessWriter(std::shared_ptr<Registry> registry, std::shared_ptr<WriterState> state)
  : registry_(std::move(registry)), state_(std::move(state))
  {
    registry_->add_writer(state_);
  }

  ~InProcessWriter() override { registry_->remove_writer(state_.get()); }

  void write(ErasedMessage message) override { registry_->write(*state_, std::move(message)); }

  size_t matched_reader_count() const override { return registry_->matched_readers(*state_); }

private:
  std::shared_ptr<Registry> registry_;
  std::shared_ptr<WriterState> state_;
};

class InProcessTransport : public Transport
{
public:
  std::unique_ptr<TransportWriter> create_writer(
    const TopicEndpoint & endpoint, WriterListener listener) override
  {
    auto state =
      std::make_shared<WriterState>(endpoint, std::move(listener), registry_->next_writer_id());
    return std::make_unique<InProcessWriter>(registry_, std::move(state));
  }

  std::unique_ptr<TransportReader> create_reader(
    const TopicEndpoint & endpoint, ReaderListener listener) override
  {
    auto state = std::make_shared<ReaderState>(endpoint, std::move(listener));
    return std::make_unique<InProcessReader>(registry_, std::move(state));
  }

  // Nothing outside the process could look at a graph or call a service.
  GraphNodeId add_node(const std::string &, const std::string &) override { return no_graph_node; }

  void remove_node(GraphNodeId) override {}

  bool carries_services() const override { return false; }

  std::unique_ptr<TransportServer> create_server(const ServiceEndpoint &, ReaderListener) override
  {
    throw std::logic_error("the in-process transport carries no services");
  }

private:
  std::shared_ptr<Registry> registry_ = std::make_shared<Registry>();
};

}  // namespace

std::shared_ptr<Transport> make_in_process_transport()
{
  return std::make_shared<InProcessTransport>();
}

}  // namespace detail
}  // namespace ros2_compat
