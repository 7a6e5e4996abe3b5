#include "quillon_dynamic_detector/check_params/parameter_file_check.hpp"

#include <string>
#include <vector>

#include "quillon_dynamic_detector/check_params/schema_check.hpp"
#include "quillon_dynamic_detector/check_params/self_filter_check.hpp"
#include "quillon_dynamic_detector/check_params/startup_check.hpp"

namespace quillon_dynamic_detector
{
namespace check_params
{
namespace
{

constexpr char PARAMETERS_KEY[] = "ros__parameters";

// The parameters under one node name ("laser_subscriber", "/**", "robot/trailmerge").
struct Section
{
  std::string node;
  int node_line = 0;  // of the node's (last) name
  int line = 0;       // of ros__parameters
  YAML::Node parameters;
};

int lineOf(const YAML::Node & node) { return node.Mark().line + 1; }

// Walks the node names down to each "ros__parameters" (rcl compares only its start).
void collectSections(
  const YAML::Node & map, const std::string & node, int node_line, std::vector<Section> & sections,
  std::vector<Finding> & findings)
{
  for (const auto & entry : map) {
    const std::string key = entry.first.as<std::string>("");
    const int line = lineOf(entry.first);
    if (key.rfind(PARAMETERS_KEY, 0) == 0) {
      if (node.empty()) {
        findings.push_back({line, Severity::error, "ros__parameters needs a node name above it"});
      } else if (!entry.second.IsMap() && !entry.second.IsNull()) {
        findings.push_back(
          {line, Severity::error, "ros__parameters must hold a map of parameters"});
      } else {
        sections.push_back({node, node_line, line, entry.second});
      }
    } else if (entry.second.IsMap()) {
      collectSections(
        entry.second, node.empty() ? key : node + "/" + key, line, sections, findings);
    } else {
      findings.push_back(
        {line, Severity::error, "'" + key + "' holds a value outside any ros__parameters"});
    }
  }
}

// The keys that one program receives from the file, and where its sections start.
struct ProgramKeys
{
  const char * program;
  const ParameterSchema & schema;
  std::vector<SetKey> keys;
  int first_line = 0;
};

std::string lastComponent(const std::string & node)
{
  const auto slash = node.rfind('/');
  return slash == std::string::npos ? node : node.substr(slash + 1);
}

ReadValue rosValue(const YAML::Node & node, ValueType) { return rosParameterValue(node); }

bool setsKey(const std::vector<SetKey> & keys, const std::string & name)
{
  for (const SetKey & key : keys) {
    if (key.name == name) {
      return true;
    }
  }
  return false;
}

void checkStartup(
  const std::string & path, const ProgramKeys & program, std::vector<Finding> & findings)
{
  const std::string name = program.program;
  const auto refusal = name == "trailscan"
                         ? trailscanStartupRefusal(path, setsKey(program.keys, "detector_cfg_file"))
                         : trailmergeStartupRefusal(path);
  if (refusal) {
    findings.push_back(
      {lineMentioned(*refusal, program.keys, program.first_line), Severity::error,
       name + " would not start: " + *refusal});
  }
}

}  // namespace

std::vector<Finding> checkParameterFile(
  const std::string & path, const YAML::Node & root, const Schemas & schemas)
{
  std::vector<Finding> findings;
  if (root.IsNull()) {
    return findings;  // an empty file sets nothing
  }
  if (!root.IsMap()) {
    findings.push_back({1, Severity::error, "a parameter file must be a map of node names"});
    return findings;
  }
  std::vector<Section> sections;
  collectSections(root, "", 0, sections, findings);

  ProgramKeys trailscan{"trailscan", schemas.trailscan, {}, 0};
  ProgramKeys trailmerge{"trailmerge", schemas.trailmerge, {}, 0};
  for (const Section & section : sections) {
    const std::string node = lastComponent(section.node);
    const bool everyone = node == "**" || node == "*";
    std::vector<ProgramKeys *> programs;
    if (everyone || node == "laser_subscriber") {
      programs.push_back(&trailscan);
    }
    if (everyone || node == "trailmerge") {
      programs.push_back(&trailmerge);
    }
    if (programs.empty()) {
      findings.push_back(
        {section.node_line, Severity::warning,
         "node '" + section.node +
           "' is neither trailscan's 'laser_subscriber' nor "
           "trailmerge's 'trailmerge': its parameters are not checked"});
      continue;
    }
    const auto keys = flattenKeys(section.parameters);
    std::vector<const ParameterSchema *> applicable;
    for (ProgramKeys * program : programs) {
      applicable.push_back(&program->schema);
      program->keys.insert(program->keys.end(), keys.begin(), keys.end());
      program->first_line = program->first_line ? program->first_line : section.line;
    }
    checkKeys(applicable, keys, rosValue, findings);
  }
  for (const ProgramKeys * program : {&trailscan, &trailmerge}) {
    if (program->first_line != 0) {
      checkOrder(program->schema, program->keys, rosValue, findings);
      checkStartup(path, *program, findings);
    }
  }
  if (trailscan.first_line != 0) {
    checkSelfFilterLists(trailscan.keys, findings);
  }
  return findings;
}

}  // namespace check_params
}  // namespace quillon_dynamic_detector
