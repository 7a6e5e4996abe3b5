#include "quillon_tools/runner/scanner_profile.hpp"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "ament_index_cpp/get_package_share_directory.hpp"

namespace quillon_tools
{
namespace
{

namespace fs = std::filesystem;

constexpr const char * PARAMS_SUFFIX = ".params.yaml";
constexpr const char * CFG_SUFFIX = ".cfg.yaml";

bool endsWith(const std::string & text, const std::string & suffix)
{
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string joined(const std::vector<std::string> & names)
{
  std::string text;
  for (const auto & name : names) {
    text += (text.empty() ? "" : ", ") + name;
  }
  return text;
}

// A -p value is read as YAML: single quotes keep any path a string.
std::string yamlQuoted(const std::string & text)
{
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? "''" : std::string(1, c);
  }
  return quoted + "'";
}

}  // namespace

fs::path scannerProfileDirectory()
{
  return fs::path(ament_index_cpp::get_package_share_directory("quillon_dynamic_detector")) /
         "config" / "profiles";
}

std::vector<std::string> scannerProfileNames()
{
  std::vector<std::string> names;
  fs::path dir;
  try {
    dir = scannerProfileDirectory();
  } catch (const std::exception &) {
    return names;  // the package is not in the ament index: nothing is installed
  }
  std::error_code error;
  for (const auto & entry : fs::directory_iterator(dir, error)) {
    const std::string file = entry.path().filename().string();
    if (endsWith(file, PARAMS_SUFFIX)) {
      const std::string name = file.substr(0, file.size() - std::string(PARAMS_SUFFIX).size());
      if (fs::is_regular_file(dir / (name + CFG_SUFFIX))) {
        names.push_back(name);
      }
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

ScannerProfile scannerProfile(const std::string & name)
{
  const std::vector<std::string> known = scannerProfileNames();
  if (std::find(known.begin(), known.end(), name) == known.end()) {
    throw std::invalid_argument(
      "unknown scanner profile \"" + name + "\"; known: " +
      (known.empty() ? "none installed (AMENT_PREFIX_PATH has no quillon_dynamic_detector)"
                     : joined(known) + " (or " + NO_PROFILE + ")"));
  }
  const fs::path dir = scannerProfileDirectory();
  return {name, dir / (name + PARAMS_SUFFIX), dir / (name + CFG_SUFFIX)};
}

std::optional<ScannerProfile> profileOption(const std::string & value)
{
  if (value == NO_PROFILE) {
    return std::nullopt;
  }
  return scannerProfile(value);
}

bool readProfileOption(
  const char * program, const std::string & value, std::optional<ScannerProfile> & profile)
{
  try {
    profile = profileOption(value);
  } catch (const std::invalid_argument & e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
    return false;
  }
  return true;
}

std::string profileUsage()
{
  return "--profile NAME: trailscan's settings for a class of scanner (config/profiles/ of\n"
         "quillon_dynamic_detector), one of: " +
         joined(scannerProfileNames()) + "; " + NO_PROFILE +
         " keeps the defaults.\n"
         "Settings apply lowest first, each replacing what the one before set: built-in defaults,\n"
         "the profile, parameter files and -p values after --ros-args, this program's options.\n";
}

std::vector<std::string> profileRosArguments(const ScannerProfile & profile)
{
  return {
    "--ros-args",
    "--params-file",
    profile.params_file.string(),
    "-p",
    "laser_subscriber:detector_cfg_file:=" + yamlQuoted(profile.cfg_file.string()),
    "--"};
}

RosCommandLine::RosCommandLine(
  int argc, char ** argv, const std::optional<ScannerProfile> & profile)
{
  arguments_.assign(argv, argv + argc);
  if (profile && !arguments_.empty()) {
    const auto layer = profileRosArguments(*profile);
    arguments_.insert(arguments_.begin() + 1, layer.begin(), layer.end());
  }
  for (std::string & argument : arguments_) {
    pointers_.push_back(argument.data());
  }
  pointers_.push_back(nullptr);  // argv[argc], as C programs expect
}

}  // namespace quillon_tools
