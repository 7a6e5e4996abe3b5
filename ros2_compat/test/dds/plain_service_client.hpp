// A plain Fast DDS client of a node's service, for tests that call a ROS node's services
// without the layer's code on the calling side.
#ifndef PLAIN_SERVICE_CLIENT_HPP_
#define PLAIN_SERVICE_CLIENT_HPP_

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <fastdds/rtps/common/WriteParams.h>

#include "plain_fast_dds.hpp"
#include "ros2_compat/cdr/type_support.hpp"

namespace plain_dds
{

// A client of one service of the node "laser_subscriber" as rmw_fastrtps makes one: a request
// writer and a response reader, reliable and volatile, keep last 10.
class ServiceClient
{
public:
  ServiceClient(Participant & participant, const std::string & service, const std::string & type)
  : writer_(participant.writer(
      "rq/laser_subscriber/" + service + "Request",
      "rcl_interfaces::srv::dds_::" + type + "_Request_", 10, dds::VOLATILE_DURABILITY_QOS)),
    reader_(participant.reader(
      "rr/laser_subscriber/" + service + "Reply",
      "rcl_interfaces::srv::dds_::" + type + "_Response_", 10, dds::VOLATILE_DURABILITY_QOS))
  {
  }

  // Sends the request and returns the response that names it, or nothing. The request names
  // the response reader as its related sample identity, as rmw_fastrtps clients do, unless
  // `name_response_reader` is false: then the server answers the request writer.
  Bytes call(Bytes request, bool name_response_reader = true)
  {
    const bool matched = eventually(
      [&] {
        dds::PublicationMatchedStatus publication;
        dds::SubscriptionMatchedStatus subscription;
        writer_->get_publication_matched_status(publication);
        reader_->get_subscription_matched_status(subscription);
        return publication.current_count > 0 && subscription.current_count > 0;
      },
      std::chrono::seconds(30));
    if (!matched) {
      return {};
    }
    eprosima::fastrtps::rtps::WriteParams params;
    if (name_response_reader) {
      params.related_sample_identity().writer_guid(reader_->guid());
    }
    if (!writer_->write(&request, params)) {
      return {};
    }
    const GUID_t answered = name_response_reader ? reader_->guid() : writer_->guid();
    Bytes response;
    dds::SampleInfo info;
    while (take(reader_, response, info, std::chrono::seconds(30))) {
      if (
        info.related_sample_identity.writer_guid() == answered &&
        info.related_sample_identity.sequence_number() ==
          params.sample_identity().sequence_number()) {
        return response;
      }
    }
    return {};
  }

  template <typename ServiceT>
  typename ServiceT::Response call(
    const typename ServiceT::Request & request, bool name_response_reader = true)
  {
    const Bytes response = call(ros2_compat::cdr::serialize(request), name_response_reader);
    typename ServiceT::Response decoded;
    EXPECT_FALSE(response.empty()) << "no response";
    if (!response.empty()) {
      ros2_compat::cdr::deserialize(response.data(), response.size(), decoded);
    }
    return decoded;
  }

private:
  dds::DataWriter * writer_;
  dds::DataReader * reader_;
};

}  // namespace plain_dds

#endif  // PLAIN_SERVICE_CLIENT_HPP_
