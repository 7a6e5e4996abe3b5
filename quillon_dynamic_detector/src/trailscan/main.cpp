#include "quillon_dynamic_detector/trailscan_node.hpp"

int main(int argc, char ** argv) { return quillon_dynamic_detector::runTrailscan(argc, argv); }
