// How a generated message constructor initialises its fields (mirrors rosidl_runtime_cpp).
#ifndef ROSIDL_RUNTIME_CPP__MESSAGE_INITIALIZATION_HPP_
#define ROSIDL_RUNTIME_CPP__MESSAGE_INITIALIZATION_HPP_

namespace rosidl_runtime_cpp
{

enum class MessageInitialization
{
  ALL,            // zero every field, then apply the .msg defaults
  SKIP,           // leave primitive fields uninitialised
  ZERO,           // zero every field, ignoring .msg defaults
  DEFAULTS_ONLY,  // apply the .msg defaults only
};

}  // namespace rosidl_runtime_cpp

#endif  // ROSIDL_RUNTIME_CPP__MESSAGE_INITIALIZATION_HPP_
