#include "benchmark_run.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

#include "quillon_tools/evaluation/evaluation_options.hpp"

namespace quillon_tools
{
namespace
{

void writeRealColumns(std::ofstream & csv, const Run & r, const std::string & topic)
{
  if (!r.real) {
    csv << ",,,,";
    return;
  }
  csv << ',' << r.real->moving_share << ',' << r.real->moving_share_of;
  const auto figures = r.real->structure.find(topic);
  if (figures == r.real->structure.end()) {
    csv << ",,";
    return;
  }
  csv << ',' << figures->second.longest_pedestrian_near_structure_s << ','
      << figures->second.pedestrian_seconds_in_open_area;
}

void writeRunColumns(std::ofstream & csv, const Run & r)
{
  csv << r.scenario << ',' << r.scanner << ',' << r.detector << ',' << r.params << ',';
}

// Nine columns of walking misses by stage; empty for other people or an untraced run.
void writeMissStageColumns(
  std::ofstream & csv, const Run & r, const std::string & topic, double gate_m,
  const std::string & kind)
{
  const auto counts = r.miss_stages.find({topic, gate_m});
  if (kind != "walking" || counts == r.miss_stages.end()) {
    csv << std::string(MISS_STAGE_COUNT, ',');
    return;
  }
  for (const int64_t count : counts->second) {
    csv << ',' << count;
  }
}

}  // namespace

void countMissStages(Run & r, const MissStageTable & table, const ReplayOutputs & outputs)
{
  for (const auto & [topic, result] : r.topics) {
    // The runs name a topic with the label before it (" /objects_laser1").
    const auto lists = outputs.lists.find(topic.substr(topic.find('/')));
    if (lists == outputs.lists.end() || lists->second.empty()) {
      continue;  // no list, no miss
    }
    const std::string & frame = lists->second.front().list.header.frame_id;
    for (const GateScores & gate : result.gates) {
      std::array<int64_t, MISS_STAGE_COUNT> counts{};
      for (const MissStage stage : table.stagesOf(gate.walking_misses, frame, gate.gate_m)) {
        ++counts[static_cast<std::size_t>(stage)];
      }
      r.miss_stages[{topic, gate.gate_m}] = counts;
    }
  }
}

std::vector<std::string> bandLabels()
{
  const EvaluationOptions options;
  std::vector<std::string> labels;
  double from = 0.0;
  std::vector<double> ends = options.range_band_limits_m;
  ends.push_back(options.max_range_m);
  for (const double to : ends) {
    char label[48];
    std::snprintf(label, sizeof(label), "%g_%gm", from, to);
    labels.push_back(label);
    from = to;
  }
  return labels;
}

void writeIdentityColumns(std::ofstream & csv, const IdentityScores & id, const std::string & kind)
{
  const int64_t idtp = kind == "walking"    ? id.idtp_walking
                       : kind == "standing" ? id.idtp_standing
                                            : id.idtp;
  const int64_t idfn = kind == "walking"    ? id.idfn_walking
                       : kind == "standing" ? id.idfn_standing
                                            : id.idfn;
  csv << ',' << id.idf1 << ',' << idtp << ',' << idfn << ',' << id.idfp;
}

// Whether a switch belongs to a row of `kind` ("all", "walking" or "standing") people.
bool ofKind(const IdentitySwitch & change, const std::string & kind)
{
  return kind == "all" || change.standing == (kind == "standing");
}

void writeSwitchCauseColumns(
  std::ofstream & csv, const std::vector<IdentitySwitch> & switches, const std::string & kind)
{
  for (const SwitchCause cause :
       {SwitchCause::after_long_gap, SwitchCause::after_short_gap, SwitchCause::duplicate,
        SwitchCause::id_taken, SwitchCause::alternating, SwitchCause::old_id_ended}) {
    const auto count = std::count_if(switches.begin(), switches.end(), [&](const auto & change) {
      return change.cause == cause && ofKind(change, kind);
    });
    csv << ',' << count;
  }
}

void writeLeavingSightColumn(
  std::ofstream & csv, const std::vector<IdentitySwitch> & switches, const std::string & kind)
{
  csv << ',' << std::count_if(switches.begin(), switches.end(), [&](const auto & change) {
    return afterLeavingSight(change) && ofKind(change, kind);
  });
}

void writeCsvHeader(std::ofstream & csv)
{
  csv << "scenario,scanner,detector,params,topic,gate_m,people,ground_truth,true_positives,"
         "false_negatives,recall,motp_m,velocity_error_mps,id_switches,id_switches_per_minute,"
         "person_minutes,false_positives,false_positives_on_furniture,precision,f1,mota,"
         "lists_scored,cost_median_ms,bare_clustering_median_ms";
  // Later columns come after these, so that files written before them still line up.
  csv << ",profile";
  for (const auto & band : bandLabels()) {
    csv << ",walking_ground_truth_" << band << ",walking_recall_" << band << ",precision_" << band;
  }
  csv << ",people_mota";
  csv << ",scored_minutes,false_positives_per_minute,false_positive_ids,"
         "false_positive_ids_per_minute,longest_false_id_near_furniture_s";
  csv << ",moving_share,moving_share_of,longest_pedestrian_near_structure_s,"
         "pedestrian_seconds_in_open_area";
  // Identity over the whole run: IDF1 and IDFP of the gate, IDTP and IDFN of the row's people;
  // then the row's people's identity switches by cause.
  csv << ",idf1,idtp,idfn,idfp";
  csv << ",switches_after_long_gap,switches_after_short_gap,switches_duplicate,"
         "switches_id_taken,switches_alternating,switches_old_id_ended";
  csv << ",false_positives_near_person,false_positives_on_furniture_only,"
         "false_positives_elsewhere";
  // Walking people's misses by the stage of the pipeline that lost them.
  csv << ",misses_no_returns,misses_none_moving,misses_cluster_too_small_or_split,"
         "misses_not_pedestrian_by_shape,misses_not_yet_confirmed,misses_lost_while_coasting,"
         "misses_not_published,misses_matched_elsewhere,misses_not_recorded";
  // Of the row's people's switches, those after they were out of every scanner's sight for 2 s
  // or more: people who left through a door and came back.
  csv << ",switches_after_leaving_sight";
  csv << '\n';
}

void writeCsvRows(std::ofstream & csv, const Run & r)
{
  if (r.topics.empty() && r.real) {
    for (const auto & [topic, figures] : r.real->structure) {
      writeRunColumns(csv, r);
      csv << topic << std::string(18, ',') << r.cost_median_ms << ',' << r.bare_median_ms << ','
          << r.profile << std::string(3 * bandLabels().size() + 1 + 5, ',');
      writeRealColumns(csv, r, topic);
      csv << std::string(4 + 6 + 3 + MISS_STAGE_COUNT, ',');
      csv << '\n';
    }
    return;
  }
  for (const auto & [topic, result] : r.topics) {
    for (const GateScores & gate : result.gates) {
      const std::pair<const char *, const PeopleScores *> kinds[] = {
        {"all", &gate.all}, {"walking", &gate.walking}, {"standing", &gate.standing}};
      for (const auto & [kind, p] : kinds) {
        writeRunColumns(csv, r);
        csv << topic << ',' << gate.gate_m << ',' << kind << ',' << p->ground_truth << ','
            << p->true_positives << ',' << p->false_negatives << ',' << p->recall << ','
            << p->motp_m << ',' << p->mean_velocity_error_mps << ',' << p->id_switches << ','
            << p->id_switches_per_minute << ',' << p->person_minutes << ',' << gate.false_positives
            << ',' << gate.false_positives_on_furniture << ',' << gate.precision << ',' << gate.f1
            << ',' << gate.mota << ',' << result.lists_scored << ',' << r.cost_median_ms << ','
            << r.bare_median_ms << ',' << r.profile;
        for (const RangeBandScores & band : gate.range_bands) {
          csv << ',' << band.walking_ground_truth << ',' << band.walking_recall << ','
              << band.precision;
        }
        csv << ',' << p->mota;
        csv << ',' << gate.scored_minutes << ',' << gate.false_positives_per_minute << ','
            << gate.false_positive_ids << ',' << gate.false_positive_ids_per_minute << ','
            << gate.longest_false_id_near_furniture_s;
        writeRealColumns(csv, r, topic);
        writeIdentityColumns(csv, gate.identity, kind);
        writeSwitchCauseColumns(csv, gate.switches, kind);
        csv << ',' << gate.false_positives_near_person << ','
            << gate.false_positives_on_furniture_only << ',' << gate.false_positives_elsewhere;
        writeMissStageColumns(csv, r, topic, gate.gate_m, kind);
        writeLeavingSightColumn(csv, gate.switches, kind);
        csv << '\n';
      }
    }
  }
}

}  // namespace quillon_tools
