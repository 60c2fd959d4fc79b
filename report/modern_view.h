#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "stats/audience.h"
#include "stats/site_statistics.h"

namespace tlw {

// What the modern view is made of: the run's statistics seen as people and
// robots, the classic tables it also shows, and the texts of its header.
struct ModernViewInput {
  const SiteStatistics& statistics;  // status codes and broken links
  const AudienceStatistics& audience;
  std::string siteName;                // the site's name as the user gave it
  std::string periodStart, periodEnd;  // as the classic report shows them
  std::string generatedAt;             // "2026-12-08 14:30 UTC"
  std::string classicReportName;       // file name of the classic report, linked; "" none
};

// The modern view: one self-contained HTML page (no script, no request of
// its own: styles inline, charts as inline SVG, a Content-Security-Policy
// that allows nothing else) with the run's people and robots. Every text
// from the log or the settings is escaped.
std::string RenderModernView(const ModernViewInput& input);

// Writes the modern view to `path` atomically (the old file or the whole new
// one). Fails with "Error writing the modern view: " and the writer's
// message, which names the file and the reason.
Status WriteModernView(const ModernViewInput& input, const std::string& path);

// The modern view's file beside a report: "x/stats.html" -> "x/stats-modern.html";
// a name without an extension gets "-modern.html" appended. Only the last
// name of the path counts: a dot in a folder's name is no extension.
std::string ModernViewPathOf(std::string_view reportPath);

}  // namespace tlw
