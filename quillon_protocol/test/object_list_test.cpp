#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "quillon_protocol/msg/object_list.hpp"

using quillon_protocol::msg::Object;
using quillon_protocol::msg::ObjectList;

template <typename A, typename B>
constexpr bool same = std::is_same<A, B>::value;

// Both programs and any peer on the wire rely on these exact field types.
TEST(ObjectList, FieldsHaveTheAgreedTypes)
{
  static_assert(same<decltype(ObjectList::sensor_name), std::string>, "");
  static_assert(same<decltype(ObjectList::sensor_type), uint8_t>, "");
  static_assert(same<decltype(ObjectList::objects), std::vector<Object>>, "");
  static_assert(same<decltype(Object::polygon), std::vector<geometry_msgs::msg::Point32>>, "");
  static_assert(same<decltype(Object::classification), int32_t>, "");
  static_assert(same<decltype(Object::point_count), int32_t>, "");
  static_assert(same<decltype(Object::reserved_0), double>, "");
  static_assert(same<decltype(Object::bearing), double>, "");
  static_assert(same<decltype(Object::pose), geometry_msgs::msg::Pose>, "");
  EXPECT_STREQ(rosidl_generator_traits::name<ObjectList>(), "quillon_protocol/msg/ObjectList");
}

TEST(ObjectList, DefaultObjectIsZeroWithIdentityOrientation)
{
  const Object o;
  EXPECT_EQ(o.pose.orientation.w, 1.0);
  EXPECT_EQ(o.classification, 0);
  EXPECT_EQ(o.point_count, 0);
  EXPECT_EQ(o.speed, 0.0);
  EXPECT_EQ(o.reserved_5, 0.0);
  EXPECT_TRUE(o.polygon.empty());
  const ObjectList list;
  EXPECT_EQ(list.sensor_type, 0);
  EXPECT_TRUE(list.objects.empty());
}
