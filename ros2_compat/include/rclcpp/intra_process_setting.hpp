// rclcpp::IntraProcessSetting: per-entity override of the node's intra-process option.
#ifndef RCLCPP__INTRA_PROCESS_SETTING_HPP_
#define RCLCPP__INTRA_PROCESS_SETTING_HPP_

namespace rclcpp
{

// Delivery within a process behaves the same either way here (same depth semantics).
enum class IntraProcessSetting
{
  Enable,
  Disable,
  NodeDefault
};

}  // namespace rclcpp

#endif  // RCLCPP__INTRA_PROCESS_SETTING_HPP_
