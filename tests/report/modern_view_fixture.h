#pragma once

#include <string>

#include "report/modern_view.h"
#include "stats/audience.h"
#include "stats/site_statistics.h"

namespace tlw {

// A small fixed run for the modern view's tests and pictures: people and
// robots with hostile text in the keys (markup, quotes, "&", control
// characters, a very long URL), 30 pages (so a table is cut), no exit pages
// (an empty section), and `dayCount` days from 2026-11-01 with every fifth
// day missing.
struct ModernViewFixture {
  explicit ModernViewFixture(int dayCount);
  ModernViewInput Input() const;

  SiteStatistics statistics;
  AudienceStatistics audience;
};

}  // namespace tlw
