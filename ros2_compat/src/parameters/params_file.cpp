#include "params_file.hpp"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "yaml_parameter_value.hpp"

namespace ros2_compat
{
namespace detail
{
namespace
{

// rcl compares only the start of the key with this.
constexpr char kParametersKey[] = "ros__parameters";

std::string line_text(const YAML::Node & node) { return std::to_string(node.Mark().line + 1); }

class ParamsFileReader
{
public:
  ParamsFileReader(const std::string & document, ParameterOverrides & overrides)
  : document_(document), overrides_(overrides)
  {
  }

  void read_document(const YAML::Node & root)
  {
    if (root.IsNull()) {
      return;
    }
    read_node_level(root, "");
  }

private:
  void read_node_level(const YAML::Node & map, const std::string & node_key)
  {
    require_map_of_node_names(map);
    for (const auto & entry : map) {
      const std::string key = key_text(entry.first);
      if (key.rfind(kParametersKey, 0) == 0) {
        if (node_key.empty()) {
          throw ParamsFileError(
            std::string("There are no node names before ") + kParametersKey + " at line " +
            line_text(entry.first));
        }
        read_parameters(entry.second, node_key, "");
      } else {
        read_node_level(entry.second, node_key.empty() ? key : node_key + "/" + key);
      }
    }
  }

  void require_map_of_node_names(const YAML::Node & node) const
  {
    if (node.IsSequence()) {
      throw ParamsFileError(
        "Sequences can only be values and not keys in params. Error at line " + line_text(node));
    }
    if (!node.IsMap()) {
      throw ParamsFileError(
        std::string("Cannot have a value before ") + kParametersKey + " at line " +
        line_text(node));
    }
  }

  void read_parameters(
    const YAML::Node & map, const std::string & node_key, const std::string & prefix)
  {
    if (map.IsNull()) {
      return;
    }
    if (!map.IsMap()) {
      throw ParamsFileError(
        std::string("Expected a map of parameters under ") + kParametersKey + " at line " +
        line_text(map));
    }
    for (const auto & entry : map) {
      const std::string name =
        prefix.empty() ? key_text(entry.first) : prefix + "." + key_text(entry.first);
      if (entry.second.IsMap()) {
        read_parameters(entry.second, node_key, name);
        continue;
      }
      try {
        overrides_.set(
          node_key, name,
          parameter_value_from_yaml(entry.second, document_, entry.first.Mark().line + 1));
      } catch (const YamlValueError & error) {
        throw ParamsFileError(error.what());
      }
    }
  }

  static std::string key_text(const YAML::Node & key)
  {
    if (!key.IsScalar() || key.Scalar().empty()) {
      throw ParamsFileError("No key at line " + line_text(key));
    }
    return key.Scalar();
  }

  const std::string & document_;
  ParameterOverrides & overrides_;
};

// A first pass over the parser's events refuses what the loader below cannot survive:
// - yaml-cpp 0.7's LoadAll never returns on some malformed streams (a lone ","): its parser
//   reports the same empty document again and again without consuming the offending token;
// - aliases, which can make a map contain itself (and endless recursion), are refused as rcl
//   refuses them.
class DocumentEventCheck : public YAML::EventHandler
{
public:
  void OnDocumentStart(const YAML::Mark & mark) override
  {
    if (started_ && mark.pos == previous_start_) {
      throw ParamsFileError(
        "Error parsing a event near line " + std::to_string(mark.line + 1) + ": unexpected token");
    }
    started_ = true;
    previous_start_ = mark.pos;
  }
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark &, YAML::anchor_t) override {}
  void OnAlias(const YAML::Mark & mark, YAML::anchor_t) override
  {
    throw ParamsFileError("Will not support aliasing at line " + std::to_string(mark.line + 1));
  }
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

private:
  bool started_ = false;
  int previous_start_ = 0;
};

void check_document_events(const std::string & document)
{
  std::istringstream stream(document);
  YAML::Parser parser(stream);
  DocumentEventCheck check;
  while (parser.HandleNextDocument(check)) {
  }
}

}  // namespace

void load_params_file(const std::string & path, ParameterOverrides & overrides)
{
  std::ifstream file(path);
  // A directory opens like a file on Linux but cannot be read as one.
  if (!file || std::filesystem::is_directory(path)) {
    throw ParamsFileError("Error opening YAML file");
  }
  std::ostringstream contents;
  contents << file.rdbuf();
  const std::string document = contents.str();

  std::vector<YAML::Node> roots;
  try {
    check_document_events(document);
    roots = YAML::LoadAll(document);
  } catch (const YAML::ParserException & error) {
    throw ParamsFileError(
      "Error parsing a event near line " + std::to_string(error.mark.line + 1) + ": " + error.msg);
  }
  ParamsFileReader reader(document, overrides);
  for (const auto & root : roots) {
    reader.read_document(root);
  }
}

}  // namespace detail
}  // namespace ros2_compat
