#ifndef QUILLON_TOOLS__RUNNER__SCANNER_PROFILE_HPP_
#define QUILLON_TOOLS__RUNNER__SCANNER_PROFILE_HPP_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillon_tools
{

// Settings of trailscan for one class of scanner, named like the simulator's scanner model:
// NAME.params.yaml (the node parameters that differ from the defaults) and NAME.cfg.yaml (the
// detectors' configuration), installed with quillon_dynamic_detector under config/profiles/.
struct ScannerProfile
{
  std::string name;
  std::filesystem::path params_file;
  std::filesystem::path cfg_file;
};

// The word that chooses no profile: every default stays as it is.
constexpr const char * NO_PROFILE = "none";

// config/profiles/ in quillon_dynamic_detector's share directory (found through the ament index).
std::filesystem::path scannerProfileDirectory();

// The names of the installed profiles (those with both files), sorted.
std::vector<std::string> scannerProfileNames();

// The installed profile of that name. Throws std::invalid_argument naming the known profiles
// for any other name.
ScannerProfile scannerProfile(const std::string & name);

// What a "--profile NAME" option asks for: nothing for NO_PROFILE, else scannerProfile(NAME).
std::optional<ScannerProfile> profileOption(const std::string & value);

// profileOption for a program's command line: on an unknown name, prints "PROGRAM: reason" to
// stderr and returns false, leaving `profile` as it was.
bool readProfileOption(
  const char * program, const std::string & value, std::optional<ScannerProfile> & profile);

// The lines of a program's usage about --profile: the known names and the order in which the
// settings apply.
std::string profileUsage();

// The ROS arguments that apply a profile: its parameter file, then its detector configuration
// for trailscan's node ("laser_subscriber"), as one "--ros-args ... --" block.
std::vector<std::string> profileRosArguments(const ScannerProfile & profile);

// A program's command line for rclcpp::init with a profile beneath everything the user gave:
// the profile's ROS arguments come right after the program name, and later parameter files and
// -p values replace earlier ones. So the layers are, lowest first: built-in defaults, profile,
// the user's parameter files and -p values, then what the program sets itself (its options).
class RosCommandLine
{
public:
  RosCommandLine(int argc, char ** argv, const std::optional<ScannerProfile> & profile);
  RosCommandLine(const RosCommandLine &) = delete;
  RosCommandLine & operator=(const RosCommandLine &) = delete;

  int argc() const { return static_cast<int>(pointers_.size()) - 1; }
  char ** argv() { return pointers_.data(); }

private:
  std::vector<std::string> arguments_;
  std::vector<char *> pointers_;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__SCANNER_PROFILE_HPP_
