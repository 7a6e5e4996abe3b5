#ifndef QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMAS_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMAS_HPP_

#include <string>

#include "quillon_dynamic_detector/check_params/parameter_schema.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{

// The package's three parameter schemas.
struct Schemas
{
  ParameterSchema trailscan;
  ParameterSchema trailmerge;
  ParameterSchema detector_config;
};

// The schema folder installed with the package: <share of quillon_dynamic_detector>/schema.
// Throws when the package is not found through the ament index.
std::string installedSchemaDir();

// trailscan.schema.json, trailmerge.schema.json and detector_config.schema.json of `dir`.
// Throws std::runtime_error naming a file that cannot be read.
Schemas loadSchemas(const std::string & dir);

}  // namespace check_params
}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CHECK_PARAMS__SCHEMAS_HPP_
