#include "quillon_dynamic_detector/check_params/file_check.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <yaml-cpp/eventhandler.h>

#include "quillon_dynamic_detector/check_params/detector_config_check.hpp"
#include "quillon_dynamic_detector/check_params/parameter_file_check.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

// Finds where the second document starts. yaml-cpp's loader reads some broken streams (a lone
// ",") as an empty document; its parser then reports that empty document again and again at
// the same place, which is how such a stream is told apart.
class DocumentStarts : public YAML::EventHandler
{
public:
  void OnDocumentStart(const YAML::Mark & mark) override
  {
    if (count_ > 0 && mark.pos == previous_) {
      throw YAML::ParserException(mark, "unexpected token");
    }
    ++count_;
    previous_ = mark.pos;
    second_line_ = count_ == 2 ? mark.line + 1 : second_line_;
  }
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark &, YAML::anchor_t) override {}
  void OnAlias(const YAML::Mark &, YAML::anchor_t) override {}
  void OnScalar(
    const YAML::Mark &, const std::string &, YAML::anchor_t, const std::string &) override
  {
  }
  void OnSequenceStart(
    const YAML::Mark &, const std::string &, YAML::anchor_t, YAML::EmitterStyle::value) override
  {
  }
  void OnSequenceEnd() override {}
  void OnMapStart(
    const YAML::Mark &, const std::string &, YAML::anchor_t, YAML::EmitterStyle::value) override
  {
  }
  void OnMapEnd() override {}

  int secondLine() const { return second_line_; }

private:
  int count_ = 0;
  int previous_ = -1;
  int second_line_ = 0;
};

// The line where a second YAML document starts (0 when there is one), after the stream has
// been checked for the faults the loader lets through. Throws YAML::ParserException.
int secondDocumentLine(const std::string & path)
{
  std::ifstream stream(path);
  YAML::Parser parser(stream);
  DocumentStarts starts;
  while (parser.HandleNextDocument(starts)) {
  }
  return starts.secondLine();
}

bool hasParametersKey(const YAML::Node & node)
{
  if (!node.IsMap()) {
    return false;
  }
  for (const auto & entry : node) {
    if (
      entry.first.as<std::string>("").rfind("ros__parameters", 0) == 0 ||
      hasParametersKey(entry.second)) {
      return true;
    }
  }
  return false;
}

bool endsWith(const std::string & text, const std::string & end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

FileReport checkFile(const std::string & path, const Schemas & schemas)
{
  FileReport report;
  if (std::filesystem::is_directory(path)) {
    report.kind = "a folder";
    report.findings.push_back({1, Severity::error, "is a folder, not a file"});
    return report;
  }
  YAML::Node root;
  int second_document = 0;
  try {
    root = YAML::LoadFile(path);
    second_document = secondDocumentLine(path);
  } catch (const YAML::BadFile &) {
    report.kind = "unreadable";
    report.findings.push_back({1, Severity::error, "cannot be opened"});
    return report;
  } catch (const YAML::Exception & e) {
    report.kind = "broken YAML";
    report.findings.push_back(
      {std::max(e.mark.line + 1, 1), Severity::error, "not valid YAML: " + e.msg});
    return report;
  }
  const bool parameter_file = hasParametersKey(root) || endsWith(path, ".params.yaml");
  if (parameter_file) {
    report.kind = hasParametersKey(root) ? "ROS 2 parameter file (it has ros__parameters)"
                                         : "ROS 2 parameter file (by its name)";
    report.findings = checkParameterFile(path, root, schemas);
  } else {
    report.kind = "detector configuration (it has no ros__parameters)";
    report.findings = checkDetectorConfig(path, root, schemas.detector_config);
  }
  if (second_document != 0) {
    report.findings.push_back(
      {second_document, Severity::warning,
       "a second YAML document starts here; only the first is " +
         std::string(parameter_file ? "checked" : "read by the detectors")});
  }
  return report;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
