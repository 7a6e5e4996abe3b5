#ifndef QUILLON_TOOLS__SIMULATION__SCANNER_MODEL_HPP_
#define QUILLON_TOOLS__SIMULATION__SCANNER_MODEL_HPP_

#include <string>
#include <vector>

#include "quillon_tools/simulation/laser_scanner.hpp"
#include "quillon_tools/simulation/odometry.hpp"
#include "quillon_tools/simulation/person_outline.hpp"

namespace quillon_tools
{

// A class of real 270-degree laser scanner, named by its beams and rate ("lidar_768_7p5hz").
// The names are stable: scanner profiles and benchmark baselines are keyed by them.
struct ScannerModel
{
  std::string name;
  ScanSettings scan;
};

// What the programs' --scanner options call the simulator's built-in idealised scanner settings
// (a scenario's empty scanner), beside the models' names.
constexpr const char * BUILT_IN_SCANNER = "built_in";

// The known models, in a fixed order.
const std::vector<ScannerModel> & scannerModels();
std::vector<std::string> scannerModelNames();

// Throws std::invalid_argument naming the known models for an unknown name.
const ScannerModel & scannerModel(const std::string & name);

// What every named model brings besides its scan: people in trousers whose legs hide each other
// and send grazing beams away, calibrated to the returns per person that real scanners give.
LegShape realisticLegs();
// ... and wheel odometry at 100 Hz that drifts 2 % of the distance driven.
OdometrySettings realisticOdometry();

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__SCANNER_MODEL_HPP_
