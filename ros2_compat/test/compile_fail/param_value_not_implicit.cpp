// ParameterValue's constructors are explicit: a plain double does not become one.
// expect-error: (invalid initialization of reference|could not convert|cannot convert|conversion from)
#include "rclcpp/parameter_value.hpp"

double read(const rclcpp::ParameterValue & value) { return value.get<double>(); }

double readLiteral() { return read(2.5); }
