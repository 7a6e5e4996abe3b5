#include "quillon_dynamic_detector/detection_builder.hpp"

#include <pcl/common/centroid.h>

#include <opencv2/imgproc.hpp>

#include "quillon_dynamic_detector/cluster_features.hpp"
#include "quillon_dynamic_detector/object_classification.hpp"
#include "quillon_dynamic_detector/pedestrian_shape_classifier.hpp"

namespace quillon_dynamic_detector
{
namespace
{

std::vector<geometry_msgs::msg::Point32> convexOutline(
  const pcl::PointCloud<pcl::PointXYZ> & cluster)
{
  std::vector<geometry_msgs::msg::Point32> outline;
  if (cluster.empty()) {
    return outline;  // cv::convexHull refuses an empty set
  }
  std::vector<cv::Point2f> points;
  points.reserve(cluster.size());
  for (const pcl::PointXYZ & p : cluster.points) {
    points.emplace_back(p.x, p.y);
  }
  std::vector<cv::Point2f> hull;
  cv::convexHull(points, hull, false, true);
  for (const cv::Point2f & h : hull) {
    geometry_msgs::msg::Point32 vertex;
    vertex.x = h.x;
    vertex.y = h.y;
    vertex.z = 0.0f;
    outline.push_back(vertex);
  }
  return outline;
}

// The twelve shape fields travel one to one from the features into the object.
void copyFeatures(const ClusterFeatures & f, quillon_protocol::msg::Object & o)
{
  o.width = f.width;
  o.length = f.length;
  o.aspect_ratio = f.aspect_ratio;
  o.area = f.area;
  o.compactness = f.compactness;
  o.point_count = f.point_count;
  o.velocity_x = f.velocity_x;
  o.velocity_y = f.velocity_y;
  o.speed = f.speed;
  o.reserved_5 = f.reserved;
  o.range = f.range;
  o.bearing = f.bearing;
}

}  // namespace

Detections buildDetections(const ClusterList & clusters, const ClassifierConfig & classifier)
{
  Detections detections;
  detections.objects.reserve(clusters.size());
  detections.scores.reserve(clusters.size());
  for (const ClusterCloud & cluster : clusters) {
    Eigen::Vector4f centroid = Eigen::Vector4f::Zero();
    pcl::compute3DCentroid(*cluster, centroid);
    const ClusterFeatures features = computeClusterFeatures(cluster);
    const ShapeScore shape = scorePedestrianShape(features, classifier);

    quillon_protocol::msg::Object object;
    object.pose.position.x = centroid[0];
    object.pose.position.y = centroid[1];
    object.pose.position.z = 0.0;
    object.polygon = convexOutline(*cluster);
    object.classification = classificationOf(shape.is_pedestrian);
    copyFeatures(features, object);
    detections.objects.push_back(std::move(object));
    detections.scores.push_back(shape.score);
  }
  return detections;
}

}  // namespace quillon_dynamic_detector
