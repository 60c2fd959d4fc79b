#include "report/report_assembly.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/atomic_file.h"
#include "base/file_name_part.h"
#include "base/run_stages.h"
#include "report/bar_graph.h"
#include "report/page_frame.h"
#include "report/ranked_section.h"
#include "report/special_sections.h"
#include "report/theme.h"
#include "report/time_sections.h"
#include "settings/site_profile.h"
#include "stats/day_order.h"
#include "stats/log_numbers.h"
#include "stats/stat_table.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

// Every graph file a report may have; copied beside a local report and
// uploaded with a remote one.
constexpr std::array<const char*, 15> kGraphFiles{
    "tlwgraph_hostnames.gif",    "tlwgraph_dirs.gif",       "tlwgraph_domains.gif",
    "tlwgraph_keywords.gif",     "tlwgraph_countries.gif",  "tlwgraph_filereq.gif",
    "tlwgraph_filetypes.gif",    "tlwgraph_webpages.gif",   "tlwgraph_topentrypages.gif",
    "tlwgraph_topexitpages.gif", "tlwgraph_clickpaths.gif", "tlwgraph_browsers.gif",
    "tlwgraph_referer.gif",      "tlwgraph_retcodes.gif",   "tlwgraph_brokenlinks.gif"};

std::string Slashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string GraphWarning(const std::string& path, const std::string& reason) {
  return "could not write graph " + path + " (" + reason + ")";
}

// Everything one report needs while its sections are written.
struct ReportJob {
  ReportJob(const ReportInput& in, std::string workPath)
      : input(in),
        profile(in.profile),
        stats(in.statistics),
        host(in.host),
        graphScheme(GraphSchemeOf(in.profile)),
        graphWorkPath(std::move(workPath)) {}

  const ReportInput& input;
  const CSiteProfile& profile;
  const SiteStatistics& stats;
  const RunHost& host;
  SectionContext context;
  int graphScheme;
  std::string graphWorkPath;
  std::string html;
  std::vector<std::string> graphsWritten;
  std::vector<std::string> warnings;
  GraphBackground graphBackground = GraphBackground::kTransparent;

  void Post(int stage) const {
    if (host.progress != nullptr) host.progress->Post(stage, profile.GetListIndex());
  }

  // Draws a section's graph from the first `limit` ranked entries. A graph
  // that cannot be written does not stop the report, which still refers to
  // it; it becomes a warning for the front end.
  void DrawGraph(const RankedRows& ranked, size_t limit, std::string_view title, const char* file) {
    if (!context.includeGraphs || file == nullptr) return;
    std::vector<BarGraphEntry> entries;
    entries.reserve(std::min(limit, ranked.size()));
    for (size_t i = 0; i < limit && i < ranked.size(); ++i) {
      entries.push_back({ranked[i].key, ranked[i].count});
    }
    const std::string path = graphWorkPath + file;
    if (Status drawn = DrawBarGraph(entries, title, graphScheme, path, graphBackground);
        !drawn.ok()) {
      warnings.push_back(GraphWarning(path, drawn.message()));
      return;
    }
    graphsWritten.push_back(path);
  }

  void RankedSection(const char* tableName, int rowLimit) {
    const RankedSectionSpec& spec = *FindRankedSection(tableName);
    const StatTable* table = nullptr;
    for (const auto& ref : SiteStatistics::Tables()) {
      if (ref.name == spec.table) table = &(stats.*ref.table);
    }
    const RankedRows ranked = Ranked(*table);
    const std::string section = RankedSectionHtml(spec, ranked, rowLimit, context);
    if (section.empty()) return;
    const int limit = spec.fixedRowLimit > 0 ? spec.fixedRowLimit : rowLimit;
    DrawGraph(ranked, static_cast<size_t>(std::max(0, limit)), spec.title, spec.graphFile);
    html += section;
  }

  void Special(const std::string& section, const RankedRows& ranked, int rowLimit,
               const char* title, const char* file) {
    if (section.empty()) return;
    DrawGraph(ranked, static_cast<size_t>(std::max(0, rowLimit)), title, file);
    html += section;
  }

  void DailyActivity() {
    // DaysByDate lists newest first; the section shows the oldest first.
    const std::vector<StatEntry> newestFirst = DaysByDate(stats.days);
    std::vector<DayActivity> days;
    days.reserve(newestFirst.size());
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) {
      days.push_back({it->key, it->count, stats.dayNewVisitors.Get(it->key).value_or(0),
                      stats.dayBytes.Get(it->key).value_or(0)});
    }
    html += DailyActivityHtml(days, context.colors);
  }

  void Section(int id) {
    const CSiteProfile& p = profile;
    switch (id) {
      case 1:
        if (p.GetShowDailyActivity()) DailyActivity();
        break;
      case 2:
        if (p.GetShowLastVisitors()) {
          html += LastVisitorsHtml(stats.lastVisitors.Texts(), p.GetTopLastVisitors(), context);
        }
        break;
      case 3:
        if (p.GetShowHostnames()) RankedSection("hostnames", p.GetTopHostnames());
        break;
      case 4:
        if (p.GetShowDomains()) RankedSection("domains", p.GetTopDomains());
        break;
      case 5:
        if (p.GetShowCountries()) RankedSection("countries", p.GetTopCountries());
        break;
      case 6:
        if (p.GetShowFileRequests()) RankedSection("fileRequests", p.GetTopFileRequests());
        break;
      case 7:
        if (p.GetShowFileTypes()) {
          const RankedRows ranked = Ranked(stats.fileTypes);
          Special(FileTypesHtml(ranked, p.GetTopFileTypes(), context), ranked, p.GetTopFileTypes(),
                  "File Types", "tlwgraph_filetypes.gif");
        }
        break;
      case 8:
        if (p.GetShowDirectories()) RankedSection("dirs", p.GetTopDirectories());
        break;
      case 9:
        if (p.GetShowHourlySummary()) html += HoursHtml(Ranked(stats.hours), context.colors);
        // Days of the Week come with the hourly summary even when the hours
        // themselves are switched off.
        html += DaysOfWeekHtml(Ranked(stats.weekdays), context.colors);
        break;
      case 10:
        if (p.GetShowMonthlySummary()) html += MonthsHtml(Ranked(stats.months), context.colors);
        break;
      case 11:
        if (p.GetShowMostAccessedPages()) {
          RankedSection("webPages", p.GetTopMostAccessedPages());
        }
        break;
      case 12:
        if (p.GetShowLeastAccessedPages()) {
          html +=
              LeastAccessedPagesHtml(Ranked(stats.webPages), p.GetTopLeastAccessedPages(), context);
        }
        break;
      case 13:
        if (p.GetShowEntryPages()) RankedSection("entryPages", p.GetTopEntryPages());
        break;
      case 14:
        if (p.GetShowExitPages()) RankedSection("exitPages", p.GetTopExitPages());
        break;
      case 15:
        if (p.GetShowPathsThroughSite()) {
          const RankedRows ranked = Ranked(stats.clickPaths);
          Special(ClickPathsHtml(ranked, p.GetTopPathsThroughSite(), context), ranked,
                  p.GetTopPathsThroughSite(), "Click Paths Through Site",
                  "tlwgraph_clickpaths.gif");
        }
        break;
      case 16:
        if (p.GetShowWebBrowsers()) {
          const RankedRows ranked = Ranked(stats.browsers);
          Special(BrowsersHtml(ranked, Ranked(stats.platforms), p.GetTopWebBrowsers(), context),
                  ranked, p.GetTopWebBrowsers(), "Web Browsers", "tlwgraph_browsers.gif");
        }
        break;
      case 17:
        if (p.GetShowRefererPages()) {
          const RankedRows ranked = Ranked(stats.referers);
          Special(ReferringSitesHtml(ranked, p.GetTopRefererPages(), context), ranked,
                  p.GetTopRefererPages(), "Referring Sites", "tlwgraph_referer.gif");
          RankedSection("keywords", 20);
        }
        break;
      case 18:
        if (p.GetShowServerStatusCodes()) html += StatusCodesHtml(Ranked(stats.retCodes), context);
        break;
      case 19:
        if (p.GetShowBrokenLinks()) RankedSection("brokenLinks", p.GetTopBrokenLinks());
        break;
      default:
        break;  // unknown identifiers are skipped
    }
  }

  // Walks the section order text: each identifier ends with "|"; text after
  // the last "|" is ignored.
  void Sections() {
    std::string_view order = profile.GetSectionOrder();
    while (order.size() > 1) {
      const size_t bar = order.find('|');
      if (bar == std::string_view::npos) break;
      const std::string_view token = order.substr(0, bar);
      order.remove_prefix(bar + 1);
      const int id = static_cast<int>(ReadLogNumber(token));
      const bool whois = id == 4 && input.whoisLookups;
      const bool pageTitles = id == 11 && input.fetchPageTitles;
      if (whois) Post(kStageWhois);
      if (pageTitles) Post(kStagePageTitles);
      Section(id);
      // Back to writing once the look-up stage of the section is over.
      if (whois || pageTitles) Post(kStageWritingReport);
    }
  }
};

std::string Joined(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

// Copies the graphs drawn elsewhere next to the report; an existing file is
// never overwritten. A failed copy does not stop the run: it becomes a
// warning.
void CopyGraphs(const std::string& workPath, const std::string& imagesPrefix,
                ReportOutcome& outcome) {
  for (const char* file : kGraphFiles) {
    const fs::path from = workPath + file;
    const fs::path to = imagesPrefix + file;
    std::error_code error;
    if (!fs::exists(from, error) || fs::exists(to, error)) continue;
    if (fs::copy_file(from, to, fs::copy_options::skip_existing, error)) {
      outcome.graphFiles.push_back(to.string());
    } else if (error) {
      outcome.warnings.push_back(GraphWarning(to.string(), error.message()));
    }
  }
}

// A number of a period text; `valid` is cleared when it holds no digit.
std::int64_t PeriodNumber(std::string_view token, bool& valid) {
  const size_t digit = token.find_first_not_of(' ');
  if (digit == std::string_view::npos || token[digit] < '0' || token[digit] > '9') valid = false;
  return ReadLogNumber(token);
}

}  // namespace

std::string ReportFolderOf(const std::string& reportPath) {
  const std::string path = Slashes(reportPath);
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string DatedNamePart(std::string_view periodEnd) {
  // month "-" day "-" year [" " hour ":" minute]; only the date is used.
  const size_t firstDash = periodEnd.find('-');
  const size_t secondDash =
      firstDash == std::string_view::npos ? firstDash : periodEnd.find('-', firstDash + 1);
  if (secondDash == std::string_view::npos) return "undated";
  const std::string_view yearText = periodEnd.substr(secondDash + 1);
  bool valid = true;
  const int month = MonthNumber(periodEnd.substr(0, firstDash));
  const std::int64_t day =
      PeriodNumber(periodEnd.substr(firstDash + 1, secondDash - firstDash - 1), valid);
  const std::int64_t year = FullYear(PeriodNumber(yearText.substr(0, yearText.find(' ')), valid));
  if (!valid || month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || year > 9999) {
    return "undated";
  }
  return std::to_string(month) + "-" + std::to_string(day) + "-" + std::to_string(year);
}

std::string FinalReportFileName(const std::string& reportPath, std::string_view periodEnd) {
  const size_t percent = reportPath.find('%');
  if (percent == std::string::npos || percent + 1 >= reportPath.size() ||
      reportPath[percent + 1] != 'd') {
    return reportPath;
  }
  // Made of digits and "-" already; FileNamePart keeps it one name whatever
  // DatedNamePart may come to return.
  return reportPath.substr(0, percent) + FileNamePart(DatedNamePart(periodEnd)) + ".html";
}

Result<ReportOutcome> GenerateReport(const ReportInput& input) {
  const CSiteProfile& profile = input.profile;
  const bool remote = profile.GetUploadReport() != 0;
  const bool graphs = profile.GetIncludeGraphs() != 0;
  const std::string& programDirectory = input.programDirectory;

  // A local report path without a folder lives in the program directory,
  // and so does a relative one: a scheduled run and a manual one write the
  // same file whatever folder they were started in.
  std::string folder = ReportFolderOf(profile.GetReportPath());
  if (!remote) {
    if (folder.empty()) {
      folder = programDirectory;
    } else if (fs::path(folder).is_relative()) {
      folder = Joined(programDirectory, folder);
    }
  }

  std::string finalName = FinalReportFileName(profile.GetReportPath(), input.periodEnd);
  if (!remote) {
    // The file is always the last name of the path inside the report folder.
    const std::string path = Slashes(finalName);
    finalName = Joined(folder, path.substr(path.rfind('/') + 1));
  }

  // The graphs of a local report go straight into its images folder; those
  // of a report to be uploaded wait in the program directory.
  std::string graphWorkPath = Joined(programDirectory, input.graphFilePrefix);
  if (!remote) {
    std::error_code ignored;  // the write below reports what matters
    fs::create_directories(folder, ignored);
    if (graphs) {
      fs::create_directories(Joined(folder, "images"), ignored);
      graphWorkPath = Joined(folder, "images/") + input.graphFilePrefix;
    }
  }
  const std::string openedFile =
      remote ? Joined(programDirectory, "Report" + std::to_string(profile.GetListIndex()))
             : finalName;

  ReportJob job(input, graphWorkPath);
  const SiteStatistics& stats = job.stats;
  job.context.colors = ThemeColorsOf(profile);
  if (IsDarkPage(job.context.colors)) job.graphBackground = GraphBackground::kOpaqueWhite;
  job.context.includeGraphs = graphs;
  job.context.graphFilePrefix = input.graphFilePrefix;
  // Page titles are looked up over HTTP by a later part of the program;
  // until then no title fragment is written.
  job.context.pageTitle = [](std::string_view) { return std::string(); };

  FrameFacts facts;
  facts.siteUrl = profile.GetHomepageUrl();
  facts.periodStart = input.periodStart;
  facts.periodEnd = input.periodEnd;
  facts.busiestDay = input.busiestDay;
  facts.uniqueHosts = stats.uniqueHosts;
  facts.homepageHits = stats.homepageHits;
  facts.successfulRequests = stats.successfulRequests;
  facts.totalBytes = stats.totalBytes;
  facts.dayCount = static_cast<std::int64_t>(stats.days.Count());
  facts.domainCount = static_cast<std::int64_t>(stats.domains.Count());
  facts.countryCount = static_cast<std::int64_t>(stats.countries.Count());

  job.html = PageHead(facts, job.context.colors);
  job.html += SummaryBlock(facts, job.context.colors);
  job.Sections();
  job.RankedSection("logons", profile.GetTopEntryPages());
  job.html += PageFooter(std::time(nullptr), job.context.colors);

  // The whole report replaces the old one at once, so a failed write (a full
  // disk, a missing folder) never leaves half a report behind.
  const Status written = WriteFileAtomically(openedFile, job.html, 0644);
  if (!written.ok()) {
    const std::string text = "Error creating HTML report: " + openedFile;
    if (input.host.notifier != nullptr) input.host.notifier->ShowMessage(text, kApplicationTitle);
    return Status::Error(text + " (" + written.message() + ")");
  }

  ReportOutcome outcome;
  outcome.reportFolder = folder;
  outcome.finalReportFileName = finalName;
  outcome.reportFile = openedFile;
  outcome.graphFiles = std::move(job.graphsWritten);
  outcome.warnings = std::move(job.warnings);
  if (!remote && graphs) {
    job.Post(kStageCopyingImages);
    CopyGraphs(graphWorkPath, Joined(folder, "images/") + input.graphFilePrefix, outcome);
  }
  return outcome;
}

}  // namespace tlw
