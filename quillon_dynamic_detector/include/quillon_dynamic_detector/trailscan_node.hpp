#ifndef QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_

namespace quillon_dynamic_detector
{

// The trailscan program: start-up, then the executor until shutdown. Returns the exit status:
// 0 after a normal shutdown (also when Ctrl-C arrives while waiting for the mounting
// transforms), 1 after a start-up error, which is reported as one FATAL line.
int runTrailscan(int argc, char ** argv);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRAILSCAN_NODE_HPP_
