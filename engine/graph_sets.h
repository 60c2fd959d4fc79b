#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tlw {

// Removes from `imagesFolder` the graphs that the report of the saved site
// in row `listIndex` wrote for an earlier last day of its log: a saved
// site's graphs are named "<row>_<last day>" and a graph's own name
// ("0_Mar-14tlwgraph_hostnames.gif"), so a report rewritten under the same
// name every day (from cron) left a set of orphans behind each day. Only
// names of exactly that form go: the row, "_", a day part of letters,
// digits, "-" and "_", and a graph name of the report; the set of
// `currentPrefix` and anything else stay. Returns the files removed;
// a file that cannot be removed is left as it is.
std::vector<std::filesystem::path> RemoveEarlierGraphSets(const std::filesystem::path& imagesFolder,
                                                          int listIndex,
                                                          std::string_view currentPrefix);

}  // namespace tlw
