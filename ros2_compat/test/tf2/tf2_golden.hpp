// Reading the tf2_buffer golden transcript and printing results the way it does, so that tests
// compare whole lines: "frame_id=map child=base_link stamp=10.500000000 t=(2.5,0,0) q=(0,0,0,1)"
// or "EXC tf2::LookupException | what()=[...]".
#ifndef TF2__TF2_GOLDEN_HPP_
#define TF2__TF2_GOLDEN_HPP_

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "geometry_msgs/msg/transform_stamped.hpp"
#include "tf2/exceptions.h"
#include "tf2/time.h"

namespace tf2_golden
{

inline const std::vector<std::string> & transcriptLines()
{
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> all;
    std::ifstream in(std::string(QUILLON_GOLDEN_DIR) + "/console/tf2_buffer.txt");
    for (std::string line; std::getline(in, line);) {
      all.push_back(line);
    }
    return all;
  }();
  return lines;
}

// The text after "<label>: " on the transcript's n-th line (from 1) with that label, leading
// spaces ignored.
inline std::string golden(const std::string & label, int occurrence = 1)
{
  for (const std::string & line : transcriptLines()) {
    const std::string body = line.substr(line.find_first_not_of(' '));
    if (body.compare(0, label.size() + 2, label + ": ") == 0 && --occurrence == 0) {
      return body.substr(label.size() + 2);
    }
  }
  ADD_FAILURE() << "no line '" << label << "' in tf2_buffer.txt";
  return "";
}

// A console line without its "[<sec>.<nsec>] " time stamp, which differs from run to run.
inline std::string withoutStamp(const std::string & line)
{
  const auto open = line.find("] [");
  const auto close = line.find("] ", open + 3);
  if (open == std::string::npos || close == std::string::npos) {
    return line;
  }
  return line.substr(0, open + 2) + line.substr(close + 2);
}

// The transcript's console lines (those starting with '['), without stamps.
inline std::vector<std::string> goldenConsoleLines()
{
  std::vector<std::string> lines;
  for (const std::string & line : transcriptLines()) {
    if (!line.empty() && line[0] == '[') {
      lines.push_back(withoutStamp(line));
    }
  }
  return lines;
}

inline std::string number(double value)
{
  std::ostringstream out;
  out.precision(12);
  out << value;
  return out.str();
}

inline std::string describe(const geometry_msgs::msg::TransformStamped & t)
{
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%d.%09u", t.header.stamp.sec, t.header.stamp.nanosec);
  const auto & v = t.transform.translation;
  const auto & q = t.transform.rotation;
  return "frame_id=" + t.header.frame_id + " child=" + t.child_frame_id + " stamp=" + stamp +
         " t=(" + number(v.x) + "," + number(v.y) + "," + number(v.z) + ") q=(" + number(q.x) +
         "," + number(q.y) + "," + number(q.z) + "," + number(q.w) + ")";
}

inline std::string exceptionName(const tf2::TransformException & e)
{
  if (dynamic_cast<const tf2::LookupException *>(&e)) {
    return "tf2::LookupException";
  }
  if (dynamic_cast<const tf2::ConnectivityException *>(&e)) {
    return "tf2::ConnectivityException";
  }
  if (dynamic_cast<const tf2::ExtrapolationException *>(&e)) {
    return "tf2::ExtrapolationException";
  }
  if (dynamic_cast<const tf2::InvalidArgumentException *>(&e)) {
    return "tf2::InvalidArgumentException";
  }
  return "tf2::TransformException";
}

// The lookup's result or exception, printed as the transcript prints it.
inline std::string outcome(const std::function<geometry_msgs::msg::TransformStamped()> & lookup)
{
  try {
    return describe(lookup());
  } catch (const tf2::TransformException & e) {
    return "EXC " + exceptionName(e) + " | what()=[" + e.what() + "]";
  }
}

inline tf2::TimePoint at(double seconds) { return tf2::timeFromSec(seconds); }

}  // namespace tf2_golden

#endif  // TF2__TF2_GOLDEN_HPP_
