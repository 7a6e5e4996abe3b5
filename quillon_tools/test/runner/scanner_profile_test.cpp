// Scanner profiles: one per simulated scanner model, each file readable and made of keys the
// programs know, and applied beneath the user's own settings.
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ament_index_cpp/get_package_share_directory.hpp"
#include "quillon_dynamic_detector/trailmerge_settings.hpp"
#include "quillon_dynamic_detector/trailscan_settings.hpp"
#include "quillon_tools/runner/replay_runner.hpp"
#include "quillon_tools/runner/scanner_profile.hpp"
#include "quillon_tools/simulation/scanner_model.hpp"
#include "rclcpp/rclcpp.hpp"
#include "scratch_folder.hpp"

namespace
{

namespace fs = std::filesystem;
using quillon_tools::ReplayOptions;
using quillon_tools::ReplayRunner;
using quillon_tools::RosCommandLine;
using quillon_tools::ScannerProfile;

const std::string KEY = "tracker.max_coasting_frames";
constexpr int64_t DEFAULT_VALUE = 10;
constexpr int64_t USER_FILE_VALUE = 7;
constexpr int64_t ARGUMENT_VALUE = 5;

// A user's parameter file that sets the key and the detector configuration.
fs::path userParameterFile(const fs::path & user_cfg)
{
  const fs::path file = quillon_test::scratch("user.params.yaml");
  std::ofstream(file) << "laser_subscriber:\n  ros__parameters:\n    tracker:\n"
                      << "      max_coasting_frames: " << USER_FILE_VALUE << "\n"
                      << "    detector_cfg_file: " << user_cfg.string() << "\n";
  return file;
}

// What trailscan's node in a program's replay takes, given the program's command line, a
// profile and (optionally) an option of the program that sets the key itself.
struct Outcome
{
  int64_t value;
  std::string cfg_file;
};

Outcome runProgram(
  std::vector<std::string> command_line, const std::optional<ScannerProfile> & profile,
  std::optional<int64_t> argument)
{
  std::vector<char *> argv;
  for (auto & a : command_line) {
    argv.push_back(a.data());
  }
  RosCommandLine with_profile(static_cast<int>(argv.size()), argv.data(), profile);
  rclcpp::init(with_profile.argc(), with_profile.argv());
  Outcome outcome{};
  {
    ReplayOptions options;
    if (argument) {
      options.trailscan_parameters.emplace_back(KEY, *argument);
    }
    const ReplayRunner runner(options);
    outcome.value = runner.trailscanParameter(KEY).as_int();
    outcome.cfg_file = runner.trailscanParameter("detector_cfg_file").as_string();
  }
  rclcpp::shutdown();
  return outcome;
}

std::set<std::string> leafKeys(const YAML::Node & node, const std::string & prefix = "")
{
  std::set<std::string> keys;
  for (const auto & entry : node) {
    const std::string key = prefix + entry.first.as<std::string>();
    if (entry.second.IsMap()) {
      const auto inner = leafKeys(entry.second, key + ".");
      keys.insert(inner.begin(), inner.end());
    } else {
      keys.insert(key);
    }
  }
  return keys;
}

std::set<std::string> topLevelKeys(const fs::path & file)
{
  std::set<std::string> keys;
  for (const auto & entry : YAML::LoadFile(file.string())) {
    keys.insert(entry.first.as<std::string>());
  }
  return keys;
}

}  // namespace

TEST(ScannerProfiles, EveryScannerModelHasAProfileAndEveryProfileAScannerModel)
{
  const auto models = quillon_tools::scannerModelNames();
  const auto profiles = quillon_tools::scannerProfileNames();
  EXPECT_EQ(
    std::set<std::string>(models.begin(), models.end()),
    std::set<std::string>(profiles.begin(), profiles.end()));

  EXPECT_FALSE(quillon_tools::profileOption("none").has_value());
  EXPECT_EQ(quillon_tools::profileOption("lidar_541_10hz")->name, "lidar_541_10hz");
  try {
    quillon_tools::scannerProfile("lidar_9000_100hz");
    FAIL() << "an unknown profile was taken";
  } catch (const std::invalid_argument & e) {
    EXPECT_NE(std::string(e.what()).find("lidar_9000_100hz"), std::string::npos) << e.what();
    for (const auto & model : models) {
      EXPECT_NE(std::string(e.what()).find(model), std::string::npos) << e.what();
    }
  }
}

// Every key a profile sets for the node `node_name` is one that `declare` declares, with the
// declared type, and differs from its default. Needs rclcpp initialised with the profile.
template <typename Declare>
void expectOnlyChangedKnownParameters(
  const YAML::Node & params, const std::string & node_name, Declare declare)
{
  SCOPED_TRACE(node_name);
  const auto keys = leafKeys(params[node_name]["ros__parameters"]);
  EXPECT_FALSE(keys.empty());
  auto defaults =
    std::make_shared<rclcpp::Node>(node_name, rclcpp::NodeOptions().use_global_arguments(false));
  declare(*defaults);
  auto with_profile = std::make_shared<rclcpp::Node>(node_name);
  declare(*with_profile);
  for (const auto & key : keys) {
    ASSERT_TRUE(defaults->has_parameter(key)) << key;
    EXPECT_EQ(defaults->get_parameter(key).get_type(), with_profile->get_parameter(key).get_type())
      << key;
    EXPECT_TRUE(defaults->get_parameter(key) != with_profile->get_parameter(key))
      << key << " is set to its default";
  }
}

// Each parameter file changes only parameters that trailscan and trailmerge declare, with their
// declared types, and each detector configuration holds only keys of the package's own
// cfg.yaml; a replay starts with both (its detectors read and check the configuration).
TEST(ScannerProfiles, EveryProfileParsesAndSetsOnlyKnownKeys)
{
  const fs::path share = ament_index_cpp::get_package_share_directory("quillon_dynamic_detector");
  const auto known_cfg_keys = topLevelKeys(share / "config" / "cfg.yaml");
  for (const auto & name : quillon_tools::scannerProfileNames()) {
    SCOPED_TRACE(name);
    const ScannerProfile profile = quillon_tools::scannerProfile(name);

    const YAML::Node params = YAML::LoadFile(profile.params_file.string());
    std::set<std::string> nodes;
    for (const auto & entry : params) {
      nodes.insert(entry.first.as<std::string>());
    }
    EXPECT_EQ(nodes, (std::set<std::string>{"laser_subscriber", "trailmerge"}));

    for (const auto & key : topLevelKeys(profile.cfg_file)) {
      EXPECT_EQ(known_cfg_keys.count(key), 1u) << key;
    }

    std::string program = "test";
    char * argv[] = {program.data(), nullptr};
    RosCommandLine command_line(1, argv, profile);
    rclcpp::init(command_line.argc(), command_line.argv());
    expectOnlyChangedKnownParameters(params, "laser_subscriber", [](rclcpp::Node & node) {
      quillon_dynamic_detector::declareTrailscanParameters(node);
    });
    expectOnlyChangedKnownParameters(params, "trailmerge", [](rclcpp::Node & node) {
      quillon_dynamic_detector::declareTrailmergeParameters(node);
    });
    {
      auto trailscan = std::make_shared<rclcpp::Node>("laser_subscriber");
      quillon_dynamic_detector::declareTrailscanParameters(*trailscan);
      EXPECT_EQ(
        trailscan->get_parameter("detector_cfg_file").as_string(), profile.cfg_file.string());
    }
    rclcpp::shutdown();
  }
}

// Lowest first: built-in defaults, the profile, the user's parameter file, the program's own
// option. Each layer replaces the one below it, and only where it says something.
TEST(ScannerProfiles, ArgumentsBeatTheUserFileWhichBeatsTheProfileWhichBeatsTheDefaults)
{
  const ScannerProfile profile = quillon_tools::scannerProfile("lidar_768_7p5hz");
  const int64_t profile_value =
    YAML::LoadFile(profile.params_file.string())["laser_subscriber"]["ros__parameters"]["tracker"]
                                                ["max_coasting_frames"]
                                                  .as<int64_t>();
  ASSERT_NE(profile_value, DEFAULT_VALUE);
  const fs::path user_cfg = quillon_dynamic_detector::defaultDetectorConfigPath();
  const std::string user_file = userParameterFile(user_cfg).string();
  const std::vector<std::string> with_file{"program", "--ros-args", "--params-file", user_file};
  const std::vector<std::string> without_file{"program"};

  const Outcome all = runProgram(with_file, profile, ARGUMENT_VALUE);
  EXPECT_EQ(all.value, ARGUMENT_VALUE);

  const Outcome no_argument = runProgram(with_file, profile, std::nullopt);
  EXPECT_EQ(no_argument.value, USER_FILE_VALUE);
  EXPECT_EQ(no_argument.cfg_file, user_cfg.string());

  const Outcome profile_only = runProgram(without_file, profile, std::nullopt);
  EXPECT_EQ(profile_only.value, profile_value);
  EXPECT_EQ(profile_only.cfg_file, profile.cfg_file.string());

  const Outcome defaults = runProgram(without_file, std::nullopt, std::nullopt);
  EXPECT_EQ(defaults.value, DEFAULT_VALUE);
  EXPECT_EQ(defaults.cfg_file, quillon_dynamic_detector::defaultDetectorConfigPath());

  // A -p value on the command line is the user's too: it beats the profile.
  const Outcome p_value = runProgram(
    {"program", "--ros-args", "-p", "laser_subscriber:" + KEY + ":=4"}, profile, std::nullopt);
  EXPECT_EQ(p_value.value, 4);
}
