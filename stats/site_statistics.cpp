#include "stats/site_statistics.h"

#include "stats/counting_state.h"

namespace tlw {

SiteStatistics::SiteStatistics() : counting_(std::make_unique<CountingState>()) {}

SiteStatistics::~SiteStatistics() = default;

const std::array<SiteStatistics::TableRef, 23>& SiteStatistics::Tables() {
  static const std::array<TableRef, 23> kTables = {{
      {"hostnames", &SiteStatistics::hostnames},
      {"dirs", &SiteStatistics::dirs},
      {"hours", &SiteStatistics::hours},
      {"months", &SiteStatistics::months},
      {"days", &SiteStatistics::days},
      {"dayBytes", &SiteStatistics::dayBytes},
      {"dayNewVisitors", &SiteStatistics::dayNewVisitors},
      {"domains", &SiteStatistics::domains},
      {"countries", &SiteStatistics::countries},
      {"fileRequests", &SiteStatistics::fileRequests},
      {"fileTypes", &SiteStatistics::fileTypes},
      {"webPages", &SiteStatistics::webPages},
      {"browsers", &SiteStatistics::browsers},
      {"retCodes", &SiteStatistics::retCodes},
      {"brokenLinks", &SiteStatistics::brokenLinks},
      {"referers", &SiteStatistics::referers},
      {"keywords", &SiteStatistics::keywords},
      {"logons", &SiteStatistics::logons},
      {"clickPaths", &SiteStatistics::clickPaths, true},
      {"exitPages", &SiteStatistics::exitPages},
      {"entryPages", &SiteStatistics::entryPages},
      {"platforms", &SiteStatistics::platforms},
      {"weekdays", &SiteStatistics::weekdays},
  }};
  return kTables;
}

void SiteStatistics::Prepare() { Clear(); }

void SiteStatistics::Clear() {
  uniqueHosts = 0;
  homepageHits = 0;
  successfulRequests = 0;
  totalBytes = 0;
  for (const TableRef& ref : Tables()) (this->*ref.table).Clear();
  openVisits.Clear();
  busiestDay = "today";
  lastVisitors.Clear();
  clickPathPages.Clear();
  audience.Clear();
  counting_->Reset();
}

}  // namespace tlw
