#include "quillon_tools/runner/object_list_csv.hpp"

#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>

namespace quillon_tools
{
namespace
{

void writeObject(std::ofstream & out, const ScoredList & scored, size_t index)
{
  const auto & object = scored.list.objects[index];
  const bool known = index < scored.ids.size() && scored.ids[index] != UNKNOWN_OBJECT_ID;
  out << stampNanoseconds(scored.list.header.stamp) << ',' << scored.list.header.frame_id << ','
      << index << ',' << (known ? std::to_string(scored.ids[index]) : std::string()) << ','
      << object.pose.position.x << ',' << object.pose.position.y << ',' << object.velocity_x << ','
      << object.velocity_y << ',' << object.classification << ',' << object.width << ','
      << object.length << ',' << object.point_count << '\n';
}

}  // namespace

void writeObjectListCsv(const std::filesystem::path & file, const std::vector<ScoredList> & lists)
{
  std::ofstream out(file);
  if (!out) {
    throw std::runtime_error(file.string() + ": cannot be written");
  }
  out.precision(std::numeric_limits<double>::max_digits10);
  out << OBJECT_LIST_CSV_HEADER << '\n';
  for (const auto & scored : lists) {
    for (size_t i = 0; i < scored.list.objects.size(); ++i) {
      writeObject(out, scored, i);
    }
  }
  out.flush();
  if (!out) {
    throw std::runtime_error(file.string() + ": writing failed");
  }
}

}  // namespace quillon_tools
