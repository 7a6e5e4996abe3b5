#include "quillon_tools/evaluation/track_svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "quillon_tools/evaluation/frame_conversion.hpp"

namespace quillon_tools
{
namespace
{

constexpr double MARGIN_M = 0.5;
constexpr double BORDER_PX = 20.0;
constexpr double TITLE_PX = 30.0;
constexpr double SCALE_BAR_PX = 40.0;
constexpr double LEGEND_PX = 230.0;
constexpr double MIN_PX_PER_M = 5.0;
constexpr double MAX_PX_PER_M = 200.0;

// Well-separated colours for the (few) truth people.
const std::vector<std::string> & personColours()
{
  static const std::vector<std::string> colours = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                                   "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                                   "#bcbd22", "#17becf"};
  return colours;
}

// Track ids can be many; golden-angle hues keep consecutive ids apart.
std::string trackColour(int32_t id)
{
  if (id == UNKNOWN_OBJECT_ID) {
    return "#999999";
  }
  const double hue = std::fmod(static_cast<double>(id) * 137.508, 360.0);
  char text[48];
  std::snprintf(text, sizeof(text), "hsl(%.0f,75%%,40%%)", hue < 0.0 ? hue + 360.0 : hue);
  return text;
}

std::string number(double value)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", value);
  return text;
}

std::string escapeXml(const std::string & text)
{
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

struct TrackPoint
{
  PlanarVector position;
  int32_t id = UNKNOWN_OBJECT_ID;
};

// Everything drawn, in "odom".
struct Scene
{
  std::map<int32_t, std::vector<PlanarVector>> people;
  std::vector<PlanarVector> robot;
  std::vector<TrackPoint> detections;
};

Scene collectScene(
  const GroundTruth & truth, const std::vector<ScoredList> & lists, const SvgOptions & options)
{
  Scene scene;
  for (const auto & frame : truth.frames) {
    scene.robot.push_back({frame.robot.x, frame.robot.y});
    for (const auto & person : frame.people) {
      scene.people[person.id].push_back({person.x, person.y});
    }
  }
  for (const auto & scored : lists) {
    const auto at =
      truthAtStamp(truth, stampNanoseconds(scored.list.header.stamp), options.truth_tolerance_ns);
    const auto frame =
      at ? outputFramePose(truth, at->robot, scored.list.header.frame_id) : std::nullopt;
    if (!frame) {
      continue;
    }
    for (std::size_t i = 0; i < scored.list.objects.size(); ++i) {
      const auto & object = scored.list.objects[i];
      const PlanarVector p{object.pose.position.x, object.pose.position.y};
      if (
        object.classification != options.pedestrian_classification || !std::isfinite(p.x) ||
        !std::isfinite(p.y)) {
        continue;
      }
      const int32_t id = i < scored.ids.size() ? scored.ids[i] : UNKNOWN_OBJECT_ID;
      scene.detections.push_back({pointFromFrame(*frame, p), id});
    }
  }
  return scene;
}

// Maps "odom" metres to picture pixels (y up becomes y down).
struct View
{
  double min_x = -1.0;
  double max_x = 1.0;
  double min_y = -1.0;
  double max_y = 1.0;
  double px_per_m = 1.0;

  double px(double x) const { return BORDER_PX + (x - min_x) * px_per_m; }
  double py(double y) const { return TITLE_PX + (max_y - y) * px_per_m; }
  double plotWidth() const { return (max_x - min_x) * px_per_m; }
  double plotHeight() const { return (max_y - min_y) * px_per_m; }
};

View fitView(const GroundTruth & truth, const Scene & scene, double plot_width_px)
{
  std::vector<std::pair<PlanarVector, double>> extents;  // centre, radius
  for (const auto & item : truth.furniture) {
    extents.push_back({{item.x, item.y}, item.radius});
  }
  for (const auto & p : scene.robot) {
    extents.push_back({p, 0.0});
  }
  for (const auto & [id, path] : scene.people) {
    for (const auto & p : path) {
      extents.push_back({p, 0.0});
    }
  }
  for (const auto & d : scene.detections) {
    extents.push_back({d.position, 0.0});
  }
  View view;
  if (!extents.empty()) {
    view.min_x = view.min_y = std::numeric_limits<double>::infinity();
    view.max_x = view.max_y = -std::numeric_limits<double>::infinity();
  }
  for (const auto & [c, r] : extents) {
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(r)) {
      continue;
    }
    view.min_x = std::min(view.min_x, c.x - r);
    view.max_x = std::max(view.max_x, c.x + r);
    view.min_y = std::min(view.min_y, c.y - r);
    view.max_y = std::max(view.max_y, c.y + r);
  }
  if (!std::isfinite(view.min_x)) {
    view.min_x = view.min_y = -1.0;
    view.max_x = view.max_y = 1.0;
  }
  view.min_x -= MARGIN_M;
  view.min_y -= MARGIN_M;
  view.max_x += MARGIN_M;
  view.max_y += MARGIN_M;
  const double width_m = view.max_x - view.min_x;
  view.px_per_m = std::clamp(plot_width_px / width_m, MIN_PX_PER_M, MAX_PX_PER_M);
  return view;
}

std::string pointList(const View & view, const std::vector<PlanarVector> & points)
{
  std::string text;
  for (const auto & p : points) {
    if (!text.empty()) {
      text += ' ';
    }
    text += number(view.px(p.x)) + "," + number(view.py(p.y));
  }
  return text;
}

void drawFurniture(std::ostream & svg, const View & view, const GroundTruth & truth)
{
  svg << "<g id=\"furniture\" fill=\"#dddddd\" stroke=\"#888888\" stroke-width=\"1\">\n";
  for (const auto & item : truth.furniture) {
    svg << "<circle cx=\"" << number(view.px(item.x)) << "\" cy=\"" << number(view.py(item.y))
        << "\" r=\"" << number(std::max(item.radius * view.px_per_m, 1.0)) << "\"><title>"
        << escapeXml(item.kind) << "</title></circle>\n";
  }
  svg << "</g>\n";
}

void drawTruth(std::ostream & svg, const View & view, const Scene & scene)
{
  svg << "<g id=\"truth\" fill=\"none\" stroke-width=\"6\" stroke-opacity=\"0.4\""
      << " stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
  std::size_t index = 0;
  for (const auto & [id, path] : scene.people) {
    std::string d;
    for (std::size_t i = 0; i < path.size(); ++i) {
      d += (i == 0 ? "M " : " L ") + number(view.px(path[i].x)) + " " + number(view.py(path[i].y));
    }
    if (path.size() == 1) {
      d += " l 0 0";  // a lone sample still shows as a round dot
    }
    svg << "<path class=\"truth-path\" stroke=\""
        << personColours()[index++ % personColours().size()] << "\" d=\"" << d
        << "\"><title>person " << id << "</title></path>\n";
  }
  svg << "</g>\n";
  svg << "<polyline id=\"robot\" fill=\"none\" stroke=\"#000000\" stroke-width=\"2\""
      << " stroke-dasharray=\"6 4\" points=\"" << pointList(view, scene.robot) << "\"/>\n";
}

void drawTracks(std::ostream & svg, const View & view, const Scene & scene)
{
  std::map<int32_t, std::vector<PlanarVector>> by_id;
  for (const auto & d : scene.detections) {
    if (d.id != UNKNOWN_OBJECT_ID) {
      by_id[d.id].push_back(d.position);
    }
  }
  svg << "<g id=\"tracks\" fill=\"none\" stroke-width=\"1\">\n";
  for (const auto & [id, points] : by_id) {
    svg << "<polyline stroke=\"" << trackColour(id) << "\" points=\"" << pointList(view, points)
        << "\"><title>track " << id << "</title></polyline>\n";
  }
  svg << "</g>\n<g id=\"detections\" stroke=\"none\">\n";
  for (const auto & d : scene.detections) {
    svg << "<circle cx=\"" << number(view.px(d.position.x)) << "\" cy=\""
        << number(view.py(d.position.y)) << "\" r=\"2.5\" fill=\"" << trackColour(d.id) << "\"/>\n";
  }
  svg << "</g>\n";
}

void legendEntry(
  std::ostream & svg, double x, double y, const std::string & swatch, const std::string & label)
{
  svg << "<g transform=\"translate(" << number(x) << "," << number(y) << ")\">" << swatch
      << "<text x=\"30\" y=\"4\">" << escapeXml(label) << "</text></g>\n";
}

void drawLegend(std::ostream & svg, const View & view, const Scene & scene)
{
  const double x = BORDER_PX + view.plotWidth() + 20.0;
  double y = TITLE_PX + 10.0;
  svg << "<g id=\"legend\" font-family=\"sans-serif\" font-size=\"12\">\n";
  std::size_t index = 0;
  for (const auto & entry : scene.people) {
    const std::string colour = personColours()[index++ % personColours().size()];
    legendEntry(
      svg, x, y,
      "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"" + colour +
        "\" stroke-width=\"6\" stroke-opacity=\"0.4\"/>",
      "truth person " + std::to_string(entry.first));
    y += 18.0;
  }
  legendEntry(
    svg, x, y,
    "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"#000000\""
    " stroke-width=\"2\" stroke-dasharray=\"6 4\"/>",
    "robot (base_footprint)");
  y += 18.0;
  legendEntry(
    svg, x, y,
    "<circle cx=\"12\" cy=\"0\" r=\"6\" fill=\"#dddddd\""
    " stroke=\"#888888\"/>",
    "furniture");
  y += 18.0;
  legendEntry(
    svg, x, y,
    "<circle cx=\"6\" cy=\"0\" r=\"2.5\" fill=\"" + trackColour(1) +
      "\"/><circle cx=\"18\" cy=\"0\" r=\"2.5\" fill=\"" + trackColour(2) + "\"/>",
    "detections, coloured by id");
  y += 18.0;
  legendEntry(
    svg, x, y, "<circle cx=\"12\" cy=\"0\" r=\"2.5\" fill=\"#999999\"/>", "detection without id");
  svg << "</g>\n";
}

// The longest of 1-2-5 steps in metres that stays within about a fifth of the plot.
double scaleBarLength(const View & view)
{
  const double target = 0.2 * view.plotWidth() / view.px_per_m;
  double length = 0.1;
  for (double decade = 0.1; decade <= 1000.0; decade *= 10.0) {
    for (const double step : {1.0, 2.0, 5.0}) {
      if (step * decade <= target) {
        length = step * decade;
      }
    }
  }
  return length;
}

void drawScaleBar(std::ostream & svg, const View & view)
{
  const double metres = scaleBarLength(view);
  const double x0 = BORDER_PX;
  const double y = TITLE_PX + view.plotHeight() + 25.0;
  const double x1 = x0 + metres * view.px_per_m;
  char label[32];
  std::snprintf(label, sizeof(label), "%g m", metres);
  svg << "<g id=\"scale\" stroke=\"#000000\" stroke-width=\"2\" font-family=\"sans-serif\""
      << " font-size=\"12\">\n<line x1=\"" << number(x0) << "\" y1=\"" << number(y) << "\" x2=\""
      << number(x1) << "\" y2=\"" << number(y) << "\"/>\n<line x1=\"" << number(x0) << "\" y1=\""
      << number(y - 5) << "\" x2=\"" << number(x0) << "\" y2=\"" << number(y + 5) << "\"/>\n"
      << "<line x1=\"" << number(x1) << "\" y1=\"" << number(y - 5) << "\" x2=\"" << number(x1)
      << "\" y2=\"" << number(y + 5) << "\"/>\n<text stroke=\"none\" x=\"" << number(x1 + 8)
      << "\" y=\"" << number(y + 4) << "\">" << label << "</text>\n</g>\n";
}

}  // namespace

std::string renderSvg(
  const GroundTruth & truth, const std::vector<ScoredList> & lists, const SvgOptions & options)
{
  const Scene scene = collectScene(truth, lists, options);
  const View view = fitView(truth, scene, options.plot_width_px);
  const double width = BORDER_PX + view.plotWidth() + LEGEND_PX;
  const double legend_height =
    TITLE_PX + 10.0 + 18.0 * static_cast<double>(scene.people.size() + 4) + BORDER_PX;
  const double height = std::max(TITLE_PX + view.plotHeight() + SCALE_BAR_PX, legend_height);
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\""
      << number(height) << "\" viewBox=\"0 0 " << number(width) << " " << number(height)
      << "\">\n<rect x=\"0\" y=\"0\" width=\"" << number(width) << "\" height=\"" << number(height)
      << "\" fill=\"#ffffff\"/>\n<text x=\"" << number(BORDER_PX)
      << "\" y=\"20\" font-family=\"sans-serif\" font-size=\"14\">" << escapeXml(options.title)
      << "</text>\n<rect x=\"" << number(BORDER_PX) << "\" y=\"" << number(TITLE_PX)
      << "\" width=\"" << number(view.plotWidth()) << "\" height=\"" << number(view.plotHeight())
      << "\" fill=\"none\" stroke=\"#cccccc\"/>\n";
  drawFurniture(svg, view, truth);
  drawTruth(svg, view, scene);
  drawTracks(svg, view, scene);
  drawLegend(svg, view, scene);
  drawScaleBar(svg, view);
  svg << "</svg>\n";
  return svg.str();
}

void writeSvg(
  const std::string & path, const GroundTruth & truth, const std::vector<ScoredList> & lists,
  const SvgOptions & options)
{
  const std::string text = renderSvg(truth, lists, options);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    throw std::runtime_error("cannot open SVG file '" + path + "' for writing");
  }
  file << text;
  file.close();
  if (!file) {
    throw std::runtime_error("failed to write SVG file '" + path + "'");
  }
}

}  // namespace quillon_tools
