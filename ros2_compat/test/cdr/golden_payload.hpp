// Reads the serialized messages that a running Humble produced (golden/cdr/*.hex).
#ifndef GOLDEN_PAYLOAD_HPP_
#define GOLDEN_PAYLOAD_HPP_

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

inline std::vector<uint8_t> golden_payload(const std::string & name)
{
  const std::string path = std::string(QUILLON_GOLDEN_DIR) + "/cdr/" + name + ".hex";
  std::ifstream file(path);
  if (!file) {
    throw std::runtime_error("cannot open " + path);
  }
  std::vector<uint8_t> bytes;
  std::string byte;
  while (file >> byte) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  return bytes;
}

#endif  // GOLDEN_PAYLOAD_HPP_
