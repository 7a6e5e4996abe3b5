// Reading a ROS 2 parameter file (node key, `ros__parameters`, parameters) into overrides.
#ifndef PARAMETERS__PARAMS_FILE_HPP_
#define PARAMETERS__PARAMS_FILE_HPP_

#include <stdexcept>
#include <string>

#include "ros2_compat/detail/parameter_overrides.hpp"

namespace ros2_compat
{
namespace detail
{

/// A parameter file that cannot be read; what() is the reason rcl would give.
class ParamsFileError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// Adds the file's parameters to `overrides` under their node keys. Nested node keys are joined
/// with '/', nested parameter maps with '.'.
void load_params_file(const std::string & path, ParameterOverrides & overrides);

}  // namespace detail
}  // namespace ros2_compat

#endif  // PARAMETERS__PARAMS_FILE_HPP_
