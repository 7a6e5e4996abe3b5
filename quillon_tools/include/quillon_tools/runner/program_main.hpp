#ifndef QUILLON_TOOLS__RUNNER__PROGRAM_MAIN_HPP_
#define QUILLON_TOOLS__RUNNER__PROGRAM_MAIN_HPP_

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "rclcpp/rclcpp.hpp"

namespace quillon_tools
{

// For programs whose nodes all live in one process: nothing they publish goes on the network.
// Must run before rclcpp::init.
inline void keepMessagesInProcess() { setenv("ROS2_COMPAT_TRANSPORT", "in_process", 1); }

// Whether the program's own arguments (those before any "--ros-args") ask for its usage:
// "--help" or "-h".
inline bool asksForHelp(int argc, char ** argv)
{
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--ros-args") {
      return false;
    }
    if (arg == "--help" || arg == "-h") {
      return true;
    }
  }
  return false;
}

// Prints a program's usage: on stdout with status 0 when asked for, on stderr with status 2
// after a command line it could not take. Returns that status.
inline int printUsage(const std::string & text, bool asked)
{
  std::fputs(text.c_str(), asked ? stdout : stderr);
  return asked ? 0 : 2;
}

// Runs a program's body between rclcpp::init and rclcpp::shutdown and returns its status; an
// exception ends it with one line "<program>: <reason>" on stderr and status 1.
template <typename Body>
int runWithRos(int argc, char ** argv, const char * program, Body body)
{
  int status = 1;
  try {
    rclcpp::init(argc, argv);
    status = body();
  } catch (const std::exception & e) {
    std::fprintf(stderr, "\n%s: %s\n", program, e.what());
  }
  rclcpp::shutdown();
  return status;
}

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__PROGRAM_MAIN_HPP_
