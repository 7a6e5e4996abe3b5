// Compiled into every test executable: tests exchange messages in-process, and so do the
// programs they start, unless a test asks for DDS itself (ROS2_COMPAT_TRANSPORT=dds in the
// child's environment). Runs before main, before any transport is chosen.
#include <cstdlib>

namespace
{

const bool in_process_selected = setenv("ROS2_COMPAT_TRANSPORT", "in_process", 1) == 0;

}  // namespace
