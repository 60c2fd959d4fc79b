#include "report/section_catalog.h"

#include <algorithm>
#include <array>
#include <vector>

#include "report/special_sections.h"
#include "report/time_sections.h"
#include "settings/site_profile.h"
#include "stats/day_order.h"

namespace tlw {

const StatTable& SectionInput::Table() const { return stats.*section.table; }

namespace {

std::size_t RowsOf(int rowLimit) { return static_cast<std::size_t>(std::max(0, rowLimit)); }

SectionOutput HtmlOnly(std::string html) { return SectionOutput{std::move(html), {}, {}, 0, {}}; }

// A section that draws the first `rowLimit` entries of its ranked table.
SectionOutput WithGraph(std::string html, std::string_view graphTitle, RankedRows ranked,
                        int rowLimit) {
  return SectionOutput{std::move(html), graphTitle, std::move(ranked), RowsOf(rowLimit), {}};
}

SectionOutput RankedTable(const SectionInput& in) {
  const RankedSectionSpec& spec = *in.section.layout;
  RankedRows ranked = Ranked(in.Table());
  std::string html = RankedSectionHtml(spec, in.section.graphFile, ranked, in.rowLimit, in.context);
  return WithGraph(std::move(html), spec.title, std::move(ranked),
                   RankedRowLimit(spec, in.rowLimit));
}

SectionOutput DailyActivity(const SectionInput& in) {
  // DaysByDate lists newest first; the section shows the oldest first.
  const std::vector<StatEntry> newestFirst = DaysByDate(in.Table());
  std::vector<DayActivity> days;
  days.reserve(newestFirst.size());
  for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) {
    days.push_back({it->key, it->count, in.stats.dayNewVisitors.Get(it->key).value_or(0),
                    in.stats.dayBytes.Get(it->key).value_or(0)});
  }
  return HtmlOnly(DailyActivityHtml(days, in.context.colors));
}

SectionOutput LastVisitors(const SectionInput& in) {
  return HtmlOnly(LastVisitorsHtml(in.stats.lastVisitors.Texts(), in.rowLimit, in.context));
}

SectionOutput FileTypes(const SectionInput& in) {
  RankedRows ranked = Ranked(in.Table());
  std::string html = FileTypesHtml(ranked, in.rowLimit, in.section.graphFile, in.context);
  return WithGraph(std::move(html), "File Types", std::move(ranked), in.rowLimit);
}

SectionOutput Hours(const SectionInput& in) {
  return HtmlOnly(HoursHtml(Ranked(in.Table()), in.context.colors));
}

SectionOutput DaysOfWeek(const SectionInput& in) {
  return HtmlOnly(DaysOfWeekHtml(Ranked(in.Table()), in.context.colors));
}

SectionOutput Months(const SectionInput& in) {
  return HtmlOnly(MonthsHtml(Ranked(in.Table()), in.context.colors));
}

SectionOutput LeastAccessedPages(const SectionInput& in) {
  return HtmlOnly(LeastAccessedPagesHtml(Ranked(in.Table()), in.rowLimit, in.context));
}

// The table is keyed by page numbers: the rows shown and drawn get their
// texts, which the output keeps; the others no key at all.
SectionOutput ClickPaths(const SectionInput& in) {
  RankedRows ranked = Ranked(in.Table());
  const std::size_t shown = std::min(RowsOf(in.rowLimit), ranked.size());
  std::vector<std::string> texts;
  texts.reserve(shown);
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    ranked[r].key =
        r < shown ? std::string_view(texts.emplace_back(in.stats.ClickPathText(ranked[r].key)))
                  : std::string_view();
  }
  std::string html = ClickPathsHtml(ranked, in.rowLimit, in.section.graphFile, in.context);
  SectionOutput out =
      WithGraph(std::move(html), "Click Paths Through Site", std::move(ranked), in.rowLimit);
  out.keyTexts = std::move(texts);
  return out;
}

SectionOutput Browsers(const SectionInput& in) {
  RankedRows ranked = Ranked(in.Table());
  std::string html = BrowsersHtml(ranked, Ranked(in.stats.platforms), in.rowLimit,
                                  in.section.graphFile, in.context);
  return WithGraph(std::move(html), "Web Browsers", std::move(ranked), in.rowLimit);
}

SectionOutput ReferringSites(const SectionInput& in) {
  RankedRows ranked = Ranked(in.Table());
  std::string html = ReferringSitesHtml(ranked, in.rowLimit, in.section.graphFile, in.context);
  return WithGraph(std::move(html), "Referring Sites", std::move(ranked), in.rowLimit);
}

// Draws no graph: its file name is only among those copied beside a report.
SectionOutput StatusCodes(const SectionInput& in) {
  return HtmlOnly(StatusCodesHtml(Ranked(in.Table()), in.context));
}

// The layouts of the ranked tables: minimum entries, width, title, column
// labels, column break, ALT text, fixed row limit, page titles.
// clang-format off
constexpr RankedSectionSpec kHostnames{0, 630, "Hostnames", "computer name", "hits", 40,
                                       "Hostnames Graph", 0, false};
constexpr RankedSectionSpec kDomains{3, 630, "Domains", "domain name", "hits", 40,
                                     "Domains / Organizations Graph", 0, false};
constexpr RankedSectionSpec kCountries{2, 620, "Countries", "computer name", "hits", 60,
                                       "Countries Graph", 0, false};
constexpr RankedSectionSpec kFileRequests{2, 630, "File Requests", "filename", "downloads", 30,
                                          "File Requests Graph", 0, false};
constexpr RankedSectionSpec kDirectories{2, 630, "Directories", "directory", "hits", 10,
                                         "Directories Graph", 0, false};
constexpr RankedSectionSpec kMostAccessedPages{1, 630, "Most Accessed Pages", "document", "views", 0,
                                               "Most Accessed Webpages Graph", 0, true};
constexpr RankedSectionSpec kEntryPages{2, 500, "Top Entry Pages", "document", "exits", 0,
                                        "Top Extry Pages Graph", 0, false};
constexpr RankedSectionSpec kExitPages{2, 500, "Top Exit Pages", "document", "exits", 0,
                                       "Top Exiting Pages Graph", 0, false};
constexpr RankedSectionSpec kKeywords{2, 400, "Search Engine Keywords", "keyword / search phrase",
                                      "found", 0, "Search Engine Keywords Graph", 20, false};
constexpr RankedSectionSpec kBrokenLinks{1, 450, "Broken Links", "missing file (404 error)",
                                         "requests", 0, "Broken Links Graph", 0, false};
constexpr RankedSectionSpec kLogons{2, 300, "Authenticated Logons", "username", "hits", 0,
                                    "", 0, false};
// clang-format on

using S = SiteStatistics;
using P = CSiteProfile;

// id, list name, table, top count, enable flag, graph file, writer, layout.
constexpr std::array<ReportSection, 22> kSections{{
    {1, "Daily Activity", &S::days, nullptr, &P::GetShowDailyActivity, "", DailyActivity, nullptr},
    {2, "Last Visitors", nullptr, &P::GetTopLastVisitors, &P::GetShowLastVisitors, "", LastVisitors,
     nullptr},
    {3, "Hostnames", &S::hostnames, &P::GetTopHostnames, &P::GetShowHostnames,
     "tlwgraph_hostnames.gif", RankedTable, &kHostnames},
    {4, "Domains", &S::domains, &P::GetTopDomains, &P::GetShowDomains, "tlwgraph_domains.gif",
     RankedTable, &kDomains},
    {5, "Countries", &S::countries, &P::GetTopCountries, &P::GetShowCountries,
     "tlwgraph_countries.gif", RankedTable, &kCountries},
    {6, "File Requests", &S::fileRequests, &P::GetTopFileRequests, &P::GetShowFileRequests,
     "tlwgraph_filereq.gif", RankedTable, &kFileRequests},
    {7, "File Types", &S::fileTypes, &P::GetTopFileTypes, &P::GetShowFileTypes,
     "tlwgraph_filetypes.gif", FileTypes, nullptr},
    {8, "Directories", &S::dirs, &P::GetTopDirectories, &P::GetShowDirectories, "tlwgraph_dirs.gif",
     RankedTable, &kDirectories},
    {9, "Hourly Summary", &S::hours, nullptr, &P::GetShowHourlySummary, "", Hours, nullptr},
    // Days of the Week come with the hourly summary even when the hours
    // themselves are switched off.
    {9, "Hourly Summary", &S::weekdays, nullptr, nullptr, "", DaysOfWeek, nullptr},
    {10, "Monthly Summary", &S::months, nullptr, &P::GetShowMonthlySummary, "", Months, nullptr},
    {11, "Most Accessed Webpages", &S::webPages, &P::GetTopMostAccessedPages,
     &P::GetShowMostAccessedPages, "tlwgraph_webpages.gif", RankedTable, &kMostAccessedPages},
    {12, "Least Accessed Webpages", &S::webPages, &P::GetTopLeastAccessedPages,
     &P::GetShowLeastAccessedPages, "", LeastAccessedPages, nullptr},
    {13, "Entry Pages", &S::entryPages, &P::GetTopEntryPages, &P::GetShowEntryPages,
     "tlwgraph_topentrypages.gif", RankedTable, &kEntryPages},
    {14, "Exit Pages", &S::exitPages, &P::GetTopExitPages, &P::GetShowExitPages,
     "tlwgraph_topexitpages.gif", RankedTable, &kExitPages},
    {15, "Paths Through Site", &S::clickPaths, &P::GetTopPathsThroughSite,
     &P::GetShowPathsThroughSite, "tlwgraph_clickpaths.gif", ClickPaths, nullptr},
    {16, "WebBrowsers", &S::browsers, &P::GetTopWebBrowsers, &P::GetShowWebBrowsers,
     "tlwgraph_browsers.gif", Browsers, nullptr},
    {17, "Referer Pages", &S::referers, &P::GetTopRefererPages, &P::GetShowRefererPages,
     "tlwgraph_referer.gif", ReferringSites, nullptr},
    {17, "Referer Pages", &S::keywords, nullptr, &P::GetShowRefererPages, "tlwgraph_keywords.gif",
     RankedTable, &kKeywords},
    {18, "Server Status Codes", &S::retCodes, nullptr, &P::GetShowServerStatusCodes,
     "tlwgraph_retcodes.gif", StatusCodes, nullptr},
    {19, "Broken Links", &S::brokenLinks, &P::GetTopBrokenLinks, &P::GetShowBrokenLinks,
     "tlwgraph_brokenlinks.gif", RankedTable, &kBrokenLinks},
    // Authenticated Logons have no row limit of their own: they take the
    // entry pages' one.
    {0, "Authenticated Logons", &S::logons, &P::GetTopEntryPages, nullptr, "", RankedTable,
     &kLogons},
}};

// What the walk over the catalog relies on, checked when it is compiled:
// identifiers ascend from 1 without gaps (rows of one identifier side by
// side), the unlisted rows come last, every writer but Last Visitors has a
// table to read and every ranked table its layout.
constexpr bool CatalogIsWellFormed() {
  std::int64_t previous = 1;
  bool unlisted = false;
  for (const ReportSection& section : kSections) {
    if (section.id == 0) {
      unlisted = true;
    } else if (unlisted || (section.id != previous && section.id != previous + 1)) {
      return false;
    }
    if (section.id != 0) previous = section.id;
    if (section.table == nullptr && section.write != LastVisitors) return false;
    if (section.write == RankedTable && section.layout == nullptr) return false;
    if (section.write == nullptr || section.title.empty()) return false;
  }
  return kSections.front().id == 1;
}
static_assert(CatalogIsWellFormed());

constexpr std::size_t kListedCount = static_cast<std::size_t>(
    std::count_if(kSections.begin(), kSections.end(), [](const auto& s) { return s.id != 0; }));

}  // namespace

std::span<const ReportSection> ReportSections() { return kSections; }

std::span<const ReportSection> ListedSections(std::int64_t id) {
  const std::span<const ReportSection> listed(kSections.data(), kListedCount);
  const auto first = std::find_if(listed.begin(), listed.end(),
                                  [id](const ReportSection& s) { return s.id == id; });
  const auto last =
      std::find_if(first, listed.end(), [id](const ReportSection& s) { return s.id != id; });
  return {first, last};
}

std::span<const ReportSection> TrailingSections() {
  return std::span<const ReportSection>(kSections).subspan(kListedCount);
}

std::int64_t HighestSectionId() { return kSections[kListedCount - 1].id; }

}  // namespace tlw
