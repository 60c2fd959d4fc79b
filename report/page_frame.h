#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "report/theme.h"

namespace tlw {

// What the page frame shows: the site, the period and the summary figures
// of one run. The period texts are held, not viewed: a profile hands them
// out as copies, since the window may read them while the run writes them.
struct FrameFacts {
  std::string_view siteUrl;
  std::string periodStart;  // "month-day-year[ hour:minute]"
  std::string periodEnd;
  std::string busiestDay;
  std::int64_t uniqueHosts = 0;
  std::int64_t homepageHits = 0;
  std::int64_t successfulRequests = 0;
  std::int64_t totalBytes = 0;
  std::int64_t dayCount = 0;      // entries of the daily table
  std::int64_t domainCount = 0;   // entries of the domain table
  std::int64_t countryCount = 0;  // entries of the country table
};

// The document head and the header box with the site link and the period.
std::string PageHead(const FrameFacts& facts, const ThemeColors& colors);

// The summary block that precedes the first section; its heading is shaded
// in the theme's shade.
std::string SummaryBlock(const FrameFacts& facts, const ThemeColors& colors);

// The footer that ends the report, with the generation time `now`.
std::string PageFooter(std::time_t now, const ThemeColors& colors);

}  // namespace tlw
