// quillon_check_params: tells a user everything wrong with their parameter files and detector
// configurations before the programs start.

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/file_check.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

using quillon_dynamic_detector::check_params::FileReport;
using quillon_dynamic_detector::check_params::Finding;
using quillon_dynamic_detector::check_params::Severity;

constexpr int CLEAN = 0;
constexpr int FOUND = 1;
constexpr int USAGE = 2;

const char * const HELP =
  R"(usage: quillon_check_params [--schema-dir DIR] FILE...

Checks ROS 2 parameter files of trailscan and trailmerge (like config/people_tracking.yaml and
config/profiles/*.params.yaml) and detector configurations (like config/cfg.yaml and
config/profiles/*.cfg.yaml) before the programs start. A file with "ros__parameters" in it, or
named *.params.yaml, is a parameter file; any other is a detector configuration.

Reports unknown keys (with the nearest known spelling), wrong types, values outside the range
that makes sense, keys that must not exceed others (min_cluster_size and max_cluster_size),
broken YAML, and what the programs' own start-up would refuse. One line per finding:
  FILE:LINE: error|warning: text
then a summary per file.

  --schema-dir DIR  the parameter schemas (default: the package's installed share/schema)
  --help            this text

Exit status: 0 when every file is clean, 1 when anything is wrong, 2 on a usage error or when
the schemas cannot be read.
)";

struct Options
{
  std::string schema_dir;
  std::vector<std::string> files;
};

// The command line, or an error text for a usage error; "help" for --help.
std::string parseArguments(int argc, char ** argv, Options & options)
{
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      return "help";
    }
    if (argument == "--schema-dir") {
      if (i + 1 >= argc) {
        return "--schema-dir needs a folder";
      }
      options.schema_dir = argv[++i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      return "unknown option '" + argument + "'";
    } else {
      options.files.push_back(argument);
    }
  }
  return options.files.empty() ? "no file given" : "";
}

const char * severityWord(Severity severity)
{
  return severity == Severity::error ? "error" : "warning";
}

std::size_t countOf(const FileReport & report, Severity severity)
{
  return std::count_if(report.findings.begin(), report.findings.end(), [&](const Finding & f) {
    return f.severity == severity;
  });
}

std::string plural(std::size_t count, const std::string & word)
{
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

int checkFiles(const Options & options)
{
  namespace cp = quillon_dynamic_detector::check_params;
  const cp::Schemas schemas =
    cp::loadSchemas(options.schema_dir.empty() ? cp::installedSchemaDir() : options.schema_dir);
  std::vector<FileReport> reports;
  for (const std::string & file : options.files) {
    FileReport report = cp::checkFile(file, schemas);
    std::stable_sort(
      report.findings.begin(), report.findings.end(),
      [](const Finding & a, const Finding & b) { return a.line < b.line; });
    for (const Finding & finding : report.findings) {
      std::cout << file << ":" << finding.line << ": " << severityWord(finding.severity) << ": "
                << finding.text << "\n";
    }
    reports.push_back(std::move(report));
  }
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::cout << "Checked " << plural(reports.size(), "file") << ":\n";
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const std::size_t e = countOf(reports[i], Severity::error);
    const std::size_t w = countOf(reports[i], Severity::warning);
    std::cout << "  " << options.files[i] << ": " << reports[i].kind << ": "
              << (e + w == 0 ? "clean" : plural(e, "error") + ", " + plural(w, "warning")) << "\n";
    errors += e;
    warnings += w;
  }
  std::cout << plural(errors, "error") << ", " << plural(warnings, "warning") << "\n";
  return errors + warnings == 0 ? CLEAN : FOUND;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  const std::string usage_error = parseArguments(argc, argv, options);
  if (usage_error == "help") {
    std::cout << HELP;
    return CLEAN;
  }
  if (!usage_error.empty()) {
    std::cerr << "quillon_check_params: " << usage_error << " (--help shows the usage)\n";
    return USAGE;
  }
  // The start-up checks create nodes; they need no network (the standalone build's transport
  // reads this; ROS 2 itself ignores it).
  setenv("ROS2_COMPAT_TRANSPORT", "in_process", 0);
  rclcpp::init(1, argv);
  int status = USAGE;
  try {
    status = checkFiles(options);
  } catch (const std::exception & e) {
    std::cerr << "quillon_check_params: " << e.what() << "\n";
  }
  rclcpp::shutdown();
  return status;
}
