// GetParameters request and response as Humble's serializer writes them (golden/graph/cdr),
// read with our type support and written back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "golden_payload.hpp"
#include "rcl_interfaces/msg/parameter_type.hpp"
#include "rcl_interfaces/srv/get_parameters.hpp"
#include "ros2_compat/cdr/type_support.hpp"

namespace
{

using rcl_interfaces::srv::GetParameters;
using ros2_compat::cdr::deserialize;
using ros2_compat::cdr::serialize;

}  // namespace

TEST(ParameterServicesGolden, GetParametersRequestReadsAndWritesBackIdentically)
{
  const auto golden = golden_hex("graph/cdr/GetParameters_Request_use_sim_time.serialized.hex");
  GetParameters::Request request;
  deserialize(golden.data(), golden.size(), request);
  EXPECT_EQ(request.names, std::vector<std::string>{"use_sim_time"});
  EXPECT_EQ(serialize(request), golden);
}

// Humble's serializer reported 64 bytes, its size estimate, of which the message fills 56: the
// value (type code, bool, 8-aligned integer and double, empty string, five empty arrays). The
// 8 bytes after it are zero and ignored by readers.
TEST(ParameterServicesGolden, GetParametersResponseReadsAndWritesBackIdentically)
{
  const auto golden = golden_hex("graph/cdr/GetParameters_Response_bool_false.serialized.hex");
  ASSERT_EQ(golden.size(), 64u);
  GetParameters::Response response;
  deserialize(golden.data(), golden.size(), response);
  ASSERT_EQ(response.values.size(), 1u);
  EXPECT_EQ(response.values[0].type, rcl_interfaces::msg::ParameterType::PARAMETER_BOOL);
  EXPECT_FALSE(response.values[0].bool_value);

  const auto ours = serialize(response);
  ASSERT_EQ(ours.size(), 56u);
  EXPECT_TRUE(std::equal(ours.begin(), ours.end(), golden.begin()));
  EXPECT_TRUE(std::all_of(golden.begin() + 56, golden.end(), [](uint8_t b) { return b == 0; }));
}
