// Reads serialized messages that a running Humble produced: golden hex files, with the bytes as
// pairs of hex digits, separated by whitespace (cdr/*.hex) or not (graph/cdr/*.hex).
#ifndef GOLDEN_PAYLOAD_HPP_
#define GOLDEN_PAYLOAD_HPP_

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// `relative_path` is taken from the golden folder, e.g. "graph/cdr/x.hex".
inline std::vector<uint8_t> golden_hex(const std::string & relative_path)
{
  const std::string path = std::string(QUILLON_GOLDEN_DIR) + "/" + relative_path;
  std::ifstream file(path);
  if (!file) {
    throw std::runtime_error("cannot open " + path);
  }
  std::string digits;
  for (auto c = std::istreambuf_iterator<char>(file); c != std::istreambuf_iterator<char>(); ++c) {
    if (!std::isspace(static_cast<unsigned char>(*c))) {
      digits.push_back(*c);
    }
  }
  if (digits.size() % 2 != 0) {
    throw std::runtime_error(path + " holds an odd number of hex digits");
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// A message of golden/cdr by name, e.g. "std_msgs__Header".
inline std::vector<uint8_t> golden_payload(const std::string & name)
{
  return golden_hex("cdr/" + name + ".hex");
}

#endif  // GOLDEN_PAYLOAD_HPP_
