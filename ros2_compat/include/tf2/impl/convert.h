// Dispatch of tf2::convert on whether each side is a ROS message: a message is read with
// fromMsg, a non-message written with toMsg, two non-messages go through the message type.
#ifndef TF2__IMPL__CONVERT_H_
#define TF2__IMPL__CONVERT_H_

namespace tf2
{
namespace impl
{

// Both sides messages of different types: no generic conversion, as in tf2.
template <bool IS_MESSAGE_A, bool IS_MESSAGE_B>
struct Converter;

template <>
struct Converter<true, false>
{
  template <typename A, typename B>
  static void convert(const A & a, B & b)
  {
    fromMsg(a, b);
  }
};

template <>
struct Converter<false, true>
{
  template <typename A, typename B>
  static void convert(const A & a, B & b)
  {
    b = toMsg(a);
  }
};

template <>
struct Converter<false, false>
{
  template <typename A, typename B>
  static void convert(const A & a, B & b)
  {
    fromMsg(toMsg(a), b);
  }
};

}  // namespace impl
}  // namespace tf2

#endif  // TF2__IMPL__CONVERT_H_
