#include "quillon_tools/runner/scenario_bag.hpp"

#include "quillon_tools/evaluation/scored_list.hpp"
#include "quillon_tools/recording/bag_writer.hpp"
#include "quillon_tools/runner/system_topics.hpp"

namespace quillon_tools
{
namespace
{

void createTopic(BagWriter & bag, const std::string & topic)
{
  bag.createTopic(topic, *systemTopicType(topic), "cdr", offeredQosOfSystemTopic(topic));
}

}  // namespace

GroundTruth writeScenarioBag(
  const Scenario & scenario, const SimulatorConfig & config, const std::filesystem::path & bag)
{
  Simulator simulator(scenario, config);
  BagWriter writer;
  writer.open(bag);
  for (const char * topic : {"/tf_static", "/tf", "/scan_01", "/scan_02"}) {
    createTopic(writer, topic);
  }
  tf2_msgs::msg::TFMessage mounts;
  mounts.transforms = simulator.staticTransforms();
  writer.write("/tf_static", config.start_stamp_ns, mounts);

  GroundTruth truth = simulator.groundTruthHeader();
  SimulatedScan scan;
  tf2_msgs::msg::TFMessage odometry;
  while (simulator.next(scan)) {
    for (const auto & sample : scan.odometry) {
      odometry.transforms = {sample};
      writer.write("/tf", stampNanoseconds(sample.header.stamp), odometry);
    }
    writer.write(scan.topic, scan.published_ns, scan.scan);
    truth.frames.push_back(scan.truth);
  }
  writer.close();
  return truth;
}

}  // namespace quillon_tools
