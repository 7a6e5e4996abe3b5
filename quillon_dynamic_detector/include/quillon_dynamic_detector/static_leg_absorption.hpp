#ifndef QUILLON_DYNAMIC_DETECTOR__STATIC_LEG_ABSORPTION_HPP_
#define QUILLON_DYNAMIC_DETECTOR__STATIC_LEG_ABSORPTION_HPP_

#include "quillon_dynamic_detector/cluster_cloud.hpp"
#include "quillon_dynamic_detector/cluster_merge_config.hpp"

namespace quillon_dynamic_detector
{

// Lets each leg-like moving cluster take over the nearest leg-like static cluster that passes the
// leg pair test, so that a person with one planted leg reaches the tracker whole. Each static
// cluster is taken at most once per call, by the first moving cluster in list order that wants
// it; of equally near ones the earlier wins. The result has one entry per moving entry, in the
// same order; both inputs are left untouched.
ClusterList absorbNearbyStaticLegLikeClusters(
  const ClusterList & moving_clusters, const ClusterList & static_clusters,
  const ClusterMergeConfig & config);

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__STATIC_LEG_ABSORPTION_HPP_
