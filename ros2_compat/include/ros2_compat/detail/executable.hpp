// What an executor runs: something that receives work from a transport (a subscription's
// messages, a service's requests) and handles it one item per call.
#ifndef ROS2_COMPAT__DETAIL__EXECUTABLE_HPP_
#define ROS2_COMPAT__DETAIL__EXECUTABLE_HPP_

namespace ros2_compat
{
namespace detail
{

class Executable
{
public:
  virtual ~Executable() = default;

  virtual bool has_work() const = 0;
  // Handles the oldest waiting item; false if there was none.
  virtual bool execute_one() = 0;
};

}  // namespace detail
}  // namespace ros2_compat

#endif  // ROS2_COMPAT__DETAIL__EXECUTABLE_HPP_
