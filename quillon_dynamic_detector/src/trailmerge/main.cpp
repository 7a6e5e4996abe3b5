#include <exception>
#include <memory>

#include "quillon_dynamic_detector/trailmerge_node.hpp"
#include "rclcpp/rclcpp.hpp"

int main(int argc, char ** argv)
{
  std::shared_ptr<quillon_dynamic_detector::TrailmergeNode> node;
  try {
    rclcpp::init(argc, argv);
    node = std::make_shared<quillon_dynamic_detector::TrailmergeNode>();
  } catch (const std::exception & e) {
    // Bad arguments or a parameter of the wrong type: one clear line and a failure status
    // rather than an abort.
    RCLCPP_FATAL(rclcpp::get_logger("trailmerge"), "start-up failed: %s", e.what());
    rclcpp::shutdown();
    return 1;
  }
  rclcpp::spin(node);
  node.reset();
  rclcpp::shutdown(nullptr, "user called rclcpp::shutdown()");
  return 0;
}
