// Object lists as CSV for spreadsheets and plotting scripts: one line per object.
#ifndef QUILLON_TOOLS__RUNNER__OBJECT_LIST_CSV_HPP_
#define QUILLON_TOOLS__RUNNER__OBJECT_LIST_CSV_HPP_

#include <filesystem>
#include <vector>

#include "quillon_tools/evaluation/scored_list.hpp"

namespace quillon_tools
{

constexpr const char * OBJECT_LIST_CSV_HEADER =
  "stamp_ns,frame,object,id,x,y,vx,vy,classification,width,length,point_count";

// One line per object of every list, in list order: the list's stamp and frame, the object's
// index in its list, its track id (empty when unknown), centre, velocity, classification, size
// and point count. Numbers are written so that they read back exactly. Throws
// std::runtime_error when the file cannot be written.
void writeObjectListCsv(const std::filesystem::path & file, const std::vector<ScoredList> & lists);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RUNNER__OBJECT_LIST_CSV_HPP_
