#ifndef QUILLON_DYNAMIC_DETECTOR__TRACKER_CONFIG_HPP_
#define QUILLON_DYNAMIC_DETECTOR__TRACKER_CONFIG_HPP_

#include <cstdint>

namespace quillon_dynamic_detector
{

// Settings of the pedestrian tracker ("tracker.*"); every field is 4 bytes, declared in the
// order the parameters are declared.
struct TrackerConfig
{
  int32_t confirm_threshold = 2;
  int32_t max_coasting_frames = 10;
  float dynamic_gate = 1.0f;
  float static_gate = 0.5f;
  float init_score_threshold = 0.2f;
  float pedestrian_speed_min = 0.1f;
  float pedestrian_speed_max = 2.5f;
  float pedestrian_speed_hard_max = 5.5f;
  float motion_add_weight = 0.25f;
  float medium_speed_max = 3.5f;
  float medium_speed_add_weight = 0.1f;
  float high_speed_penalty_weight = 0.15f;
  float stop_speed_threshold = 0.05f;
  float stop_protection_bonus = 0.05f;
  float consistency_confidence_min = 0.35f;
  float consistency_threshold = 0.7f;
  float consistency_speed_min = 0.08f;
  float consistency_bonus_weight = 0.1f;
  float keep_pedestrian_threshold = 0.3f;
  float upgrade_pedestrian_threshold = 0.45f;
  float keep_due_to_stop_threshold = 0.1f;
  float motion_hit_confidence_divisor = 3.0f;
  float motion_covariance_norm = 3.0f;
  float motion_hit_weight = 0.6f;
  float motion_consistency_weight = 0.25f;
  float motion_covariance_weight = 0.15f;
  float coasting_penalty = 0.2f;
  float motion_zero_speed_threshold = 0.05f;
  float motion_consistency_alpha = 0.7f;
  float motion_speed_ema_alpha = 0.7f;
  float motion_stationary_consistency = 1.0f;
  float motion_default_consistency = 0.5f;
  float initial_position_covariance = 0.1f;
  float initial_velocity_covariance = 1.0f;
  float measurement_noise = 0.05f;
  float default_dt = 0.1f;
  float max_dt = 1.0f;
  float process_noise_position = 0.01f;
  float process_noise_velocity = 0.5f;
  float marker_arrow_speed_threshold = 0.1f;
  float marker_text_heading_speed_threshold = 0.1f;
  int32_t min_dynamic_updates_for_static_retention = 3;
  int32_t max_consecutive_static_updates = 120;
  float min_motion_for_static_retention = 0.15f;
  float min_displacement_for_static_retention = 0.2f;
  float new_track_suppression_distance = 0.45f;
  float new_track_suppression_max_width = 0.22f;
  float new_track_suppression_max_length = 0.6f;
  int32_t new_track_suppression_max_points = 32;
  float duplicate_track_distance = 0.35f;
  float duplicate_track_velocity_angle = 0.8f;
  int32_t duplicate_track_merge_hits = 3;
  // m/s; above 0, a lost track is held on a static cluster only while its filter speed is below
  // this (a person who stops slows down first; a walker whose detections drop out does not).
  // 0 holds a track at any speed.
  float static_retention_max_speed = 0.0f;
  // s; above 0, the tracker remembers where static clusters stood (until unseen for this long)
  // and holds a lost track only on a static cluster that was not standing there when the track
  // was born: a stopped person, not a table leg a walker passed. 0 holds on any static cluster.
  // Meant for tracks in odom (or a robot that stands still).
  float static_retention_memory = 0.0f;
  // s; above 0, a track that found no detection ends once the scans have shown its place empty
  // (seen through, or outside the scanner's field of view) for this long, instead of coasting
  // on where nobody can be. 0 lets it coast for max_coasting_frames, whatever the scan shows.
  float seen_empty_timeout = 0.0f;
  // m; above 0, a track becomes a pedestrian only once it has been this far from where it was
  // born: a still thing that a detector took for moving for a moment (a chair leg the scan
  // plane grazed as the robot pitched) stays put. Meant for tracks in odom. 0: no such test.
  float pedestrian_min_displacement = 0.0f;
  // m; above 0, a track whose latest cluster lies on a straight line at least this long (its
  // outline no thicker than straight_edge_thickness) is no pedestrian, nor for 1 s after: a
  // stretch of wall, a door or a panel that moved or that a detector took for moving. People's
  // legs are round. 0: no such test.
  float straight_edge_length = 0.0f;
  // m; how thick an outline may be and still count as a straight line (straight_edge_length)
  float straight_edge_thickness = 0.01f;
  // s; above 0, a pedestrian that found no detection where the scan shows its place hidden
  // behind nearer returns (someone walking behind a pillar or behind the person beside them)
  // coasts on for up to this long since its last detection, however many scans that takes,
  // instead of ending after max_coasting_frames. 0: hidden or not, it coasts as any lost track.
  float occluded_coast_time = 0.0f;
  // s; above 0, a pedestrian who stopped is held on the static clusters where they stand for up
  // to this long since their last moving detection, however many scans that takes, instead of
  // for max_consecutive_static_updates scans in a row. The hold still ends when no static
  // cluster is left within static_gate (they walked off, or the cluster vanished); with
  // static_retention_memory a cluster that stood there before the track was born holds nothing.
  float stopped_hold_time = 0.0f;
  // s; above 0, a pedestrian whose track ended is remembered for this long since their last
  // detection, and a track that becomes a pedestrian takes up their id when it was born where
  // they could have walked in the meantime (within reidentify_margin, plus
  // reidentify_reach_growth times the gap, of the way from their last detected place to where
  // their last velocity carries them) and
  // nobody else lost, nor another track born since, fits there as well. 0: every new track
  // keeps a new id. Meant for tracks in odom (or a robot that stands still).
  float reidentify_time = 0.0f;
  float reidentify_reach_growth = 0.5f;  // m/s
  float reidentify_margin = 0.5f;        // m
  // m; above 0, a moving cluster that holds the predicted places of two or more published tracks
  // this far apart or farther and side by side (two people walking together leave one cluster) is
  // cut between them before detection; tracks held on static clusters take no part. 0: clusters
  // reach the tracker as they are.
  float split_cluster_distance = 0.0f;
  // s; only tracks born this long ago or earlier take part in split_cluster_distance: a fragment
  // trailing a person for a moment gets no share of them.
  float split_min_track_age = 0.5f;
  // m/s^2; above 0, a track not yet published that missed a scan takes a detection again only
  // within refind_margin plus half this times the square of the time since its last detection of
  // where its velocity carries it: a thing that stood still is not found a metre away half a
  // second later (nobody starting to walk gets that far), and the jump does not make it a
  // walker. Published pedestrians keep dynamic_gate. 0: dynamic_gate for every track.
  float refind_max_acceleration = 0.0f;
  float refind_margin = 0.5f;  // m
  // m; above 0, a confirmed pedestrian slower than keep_due_to_stop_threshold that lies at least
  // this far from where its track was born stays one even when its newest detection does not
  // look like a pedestrian (someone who stopped, legs together or beside a chair); the distance
  // tells them from a track that slid onto a chair leg beside its birthplace. 0: the flag of a
  // track matched in this scan starts from its newest detection's shape.
  float keep_due_to_stop_min_displacement = 0.0f;
  // Above 1, a published pedestrian walking at 0.5 m/s or more measures a detection that another
  // established track lies nearer to with the offset across its heading counted this many times
  // (in choosing and against dynamic_gate): a walker whose own detection is missing does not take
  // the one of someone beside them or crossing their path, and a lone walker who turns still
  // takes theirs. 1: distance is distance.
  float association_across_factor = 1.0f;
  // m; above 0, a track held on static clusters in its last scan that lies at least this far
  // from where it was born (someone who walked there and stands) does not take a moving
  // detection this far or farther that another confirmed or coasting track lies nearer to:
  // someone who starts walking does so from where they stand, and a walker passing by is
  // somebody else. 0: any detection within dynamic_gate.
  float stopped_yield_distance = 0.0f;
  // m; above 0, a new track is born only from a detection at most this far from the scanner;
  // farther detections only continue tracks. With clustering.max_range beyond it the tracker
  // follows people out past this range without starting tracks on what lies out there. 0: a
  // detection anywhere the clustering reaches may start a track.
  float birth_max_range = 0.0f;
};

static_assert(sizeof(TrackerConfig) == 71 * 4, "TrackerConfig holds 71 four-byte fields");

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__TRACKER_CONFIG_HPP_
