#include "quillon_dynamic_detector/check_params/schemas.hpp"

#include <string>

#include "ament_index_cpp/get_package_share_directory.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

std::string installedSchemaDir()
{
  return ament_index_cpp::get_package_share_directory("quillon_dynamic_detector") + "/schema";
}

Schemas loadSchemas(const std::string & dir)
{
  return {
    ParameterSchema::load(dir + "/trailscan.schema.json"),
    ParameterSchema::load(dir + "/trailmerge.schema.json"),
    ParameterSchema::load(dir + "/detector_config.schema.json")};
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
