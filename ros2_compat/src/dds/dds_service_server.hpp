// A service's end over DDS as rmw_fastrtps makes it: requests on "rq<service>Request", responses
// on "rr<service>Reply", both listed under the node in the graph. A response names the request
// it answers through its related sample identity: the client's GUID (its response reader, or
// else its request writer) and the request's sequence number.
#ifndef DDS__DDS_SERVICE_SERVER_HPP_
#define DDS__DDS_SERVICE_SERVER_HPP_

#include <memory>

#include "dds_graph.hpp"
#include "dds_participant.hpp"
#include "dds_reader.hpp"
#include "dds_writer.hpp"
#include "ros2_compat/detail/transport.hpp"

namespace ros2_compat
{
namespace detail
{

class DdsServiceServer : public TransportServer
{
public:
  DdsServiceServer(
    const std::shared_ptr<DdsParticipant> & participant, const std::shared_ptr<DdsGraph> & graph,
    const ServiceEndpoint & endpoint, ReaderListener listener);

  bool take_request(ServiceRequest & request) override;
  bool has_request() const override;
  bool send_response(const rmw_request_id_t & id, ErasedMessage response) override;

private:
  const ServiceEndpoint endpoint_;
  DdsReader requests_;
  DdsWriter responses_;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // DDS__DDS_SERVICE_SERVER_HPP_
