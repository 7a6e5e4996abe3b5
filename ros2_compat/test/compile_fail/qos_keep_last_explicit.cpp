// rclcpp::KeepLast is explicit: a plain number does not turn into it.
// expect-error: conversion from .*int.* to non-scalar type .*rclcpp::KeepLast.* requested
#include "rclcpp/qos.hpp"

rclcpp::QoS make_qos()
{
  rclcpp::KeepLast history = 5;
  return rclcpp::QoS(history);
}
