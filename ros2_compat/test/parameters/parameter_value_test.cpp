#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "golden_errors.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"

using rclcpp::Parameter;
using rclcpp::ParameterType;
using rclcpp::ParameterValue;

// get<T>() widens as Humble does; these return types decide what declare_parameter<T> returns.
static_assert(std::is_same<decltype(ParameterValue().get<int>()), const int64_t &>::value, "");
static_assert(std::is_same<decltype(ParameterValue().get<uint8_t>()), const int64_t &>::value, "");
static_assert(std::is_same<decltype(ParameterValue().get<float>()), const double &>::value, "");
static_assert(std::is_same<decltype(ParameterValue().get<bool>()), const bool &>::value, "");
static_assert(
  std::is_same<decltype(ParameterValue().get<const char *>()), const std::string &>::value, "");
static_assert(
  std::is_same<
    decltype(ParameterValue().get<std::vector<int>>()), const std::vector<int64_t> &>::value,
  "");
static_assert(
  std::is_same<
    decltype(ParameterValue().get<std::vector<float>>()), const std::vector<double> &>::value,
  "");
static_assert(!std::is_convertible<double, ParameterValue>::value, "constructors are explicit");
static_assert(std::is_base_of<std::runtime_error, rclcpp::ParameterTypeException>::value, "");

TEST(ParameterType, NamesAndNumericValues)
{
  EXPECT_EQ(rclcpp::to_string(rclcpp::PARAMETER_NOT_SET), "not set");
  EXPECT_EQ(rclcpp::to_string(rclcpp::PARAMETER_INTEGER), "integer");
  EXPECT_EQ(rclcpp::to_string(rclcpp::PARAMETER_BYTE_ARRAY), "byte_array");
  EXPECT_EQ(rclcpp::to_string(rclcpp::PARAMETER_STRING_ARRAY), "string_array");
  EXPECT_EQ(rclcpp::to_string(static_cast<ParameterType>(42)), "unknown type");
  EXPECT_EQ(static_cast<int>(ParameterType::PARAMETER_DOUBLE), 3);
  EXPECT_EQ(static_cast<int>(ParameterType::PARAMETER_STRING_ARRAY), 9);
}

TEST(ParameterValue, EachConstructorGivesItsType)
{
  EXPECT_EQ(ParameterValue().get_type(), rclcpp::PARAMETER_NOT_SET);
  EXPECT_EQ(ParameterValue(true).get_type(), rclcpp::PARAMETER_BOOL);
  EXPECT_EQ(ParameterValue(7).get<int64_t>(), 7);
  EXPECT_EQ(ParameterValue(int64_t{1} << 40).get<int64_t>(), int64_t{1} << 40);
  EXPECT_EQ(ParameterValue(0.1f).get<double>(), static_cast<double>(0.1f));
  EXPECT_EQ(ParameterValue("abc").get<std::string>(), "abc");
  EXPECT_EQ(ParameterValue(std::string("abc")).get_type(), rclcpp::PARAMETER_STRING);
  EXPECT_EQ(ParameterValue(std::vector<uint8_t>{1, 2}).get_type(), rclcpp::PARAMETER_BYTE_ARRAY);
  EXPECT_EQ(ParameterValue(std::vector<bool>{true}).get_type(), rclcpp::PARAMETER_BOOL_ARRAY);
  EXPECT_EQ(
    ParameterValue(std::vector<int>{1, -2}).get<std::vector<int64_t>>(),
    (std::vector<int64_t>{1, -2}));
  EXPECT_EQ(
    ParameterValue(std::vector<float>{0.5f}).get<std::vector<double>>(),
    (std::vector<double>{0.5}));
  EXPECT_EQ(
    ParameterValue(std::vector<std::string>{"a"}).get_type(), rclcpp::PARAMETER_STRING_ARRAY);
  EXPECT_EQ(ParameterValue(2.5), ParameterValue(2.5));
  EXPECT_NE(ParameterValue(2), ParameterValue(2.0));
}

TEST(ParameterValue, WrongTypeThrowsTheGoldenText)
{
  const GoldenErrors golden;
  const std::string text =
    what_of<rclcpp::ParameterTypeException>([] { ParameterValue(int64_t{3}).get<double>(); });
  EXPECT_EQ(text, "expected [double] got [integer]");
  EXPECT_TRUE(golden.contains("rclcpp::ParameterTypeException", text));
  EXPECT_EQ(
    what_of<rclcpp::ParameterTypeException>([] { ParameterValue().get<bool>(); }),
    "expected [bool] got [not set]");
}

TEST(Parameter, AccessorsAndTheirExceptions)
{
  const Parameter count("count", 3);
  EXPECT_EQ(count.get_name(), "count");
  EXPECT_EQ(count.get_type_name(), "integer");
  EXPECT_EQ(count.as_int(), 3);
  EXPECT_EQ(count.get_value<int>(), 3);
  EXPECT_EQ(count.get_value<rclcpp::PARAMETER_INTEGER>(), 3);
  EXPECT_EQ(count.get_value<ParameterValue>(), ParameterValue(3));
  EXPECT_EQ(count.get_value<Parameter>(), count);
  EXPECT_EQ(Parameter("list", std::vector<double>{1.5}).as_double_array().at(0), 1.5);

  // as_*() lets ParameterTypeException through; get_value<T>() names the parameter.
  EXPECT_EQ(
    what_of<rclcpp::ParameterTypeException>([&] { count.as_double(); }),
    "expected [double] got [integer]");
  EXPECT_EQ(
    what_of<rclcpp::exceptions::InvalidParameterTypeException>([&] { count.get_value<double>(); }),
    "parameter 'count' has invalid type: expected [double] got [integer]");

  EXPECT_EQ(Parameter().get_type(), rclcpp::PARAMETER_NOT_SET);
  EXPECT_NE(Parameter("a", 1), Parameter("b", 1));
}
