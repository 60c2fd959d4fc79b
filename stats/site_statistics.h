#pragma once

namespace tlw {

// Placeholder until the statistics tables land: all tables and counters of
// one run of one site.
class SiteStatistics {
 public:
  // Empties every table and counter.
  void Clear() {}
};

}  // namespace tlw
