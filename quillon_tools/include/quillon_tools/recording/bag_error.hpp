// The one exception type of bag reading and writing: its message names the file or folder and
// what is wrong with it, so a user can act on it without a debugger.
#ifndef QUILLON_TOOLS__RECORDING__BAG_ERROR_HPP_
#define QUILLON_TOOLS__RECORDING__BAG_ERROR_HPP_

#include <stdexcept>
#include <string>

namespace quillon_tools
{

class BagError : public std::runtime_error
{
public:
  explicit BagError(const std::string & what) : std::runtime_error(what) {}
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__BAG_ERROR_HPP_
