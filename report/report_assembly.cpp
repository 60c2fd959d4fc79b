#include "report/report_assembly.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "base/atomic_file.h"
#include "base/device_file.h"
#include "base/file_name_part.h"
#include "base/run_stages.h"
#include "report/bar_graph.h"
#include "report/graph_queue.h"
#include "report/page_frame.h"
#include "report/page_title.h"
#include "report/section_catalog.h"
#include "report/theme.h"
#include "settings/site_profile.h"
#include "stats/log_numbers.h"
#include "stats/stat_table.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

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
  GraphQueue graphs;

  void Post(int stage) const {
    if (host.progress != nullptr) host.progress->Post(stage, profile.GetListIndex());
  }

  // Queues a section's graph from the first `limit` ranked entries.
  void DrawGraph(const RankedRows& ranked, size_t limit, std::string_view title,
                 std::string_view file) {
    if (!context.includeGraphs || file.empty()) return;
    std::vector<BarGraphEntry> entries;
    entries.reserve(std::min(limit, ranked.size()));
    for (size_t i = 0; i < limit && i < ranked.size(); ++i) {
      entries.push_back({ranked[i].key, ranked[i].count});
    }
    graphs.Add(entries, title, graphScheme, graphWorkPath + std::string(file), graphBackground);
  }

  // Waits for the queued graphs. A graph that cannot be written does not
  // stop the report, which still refers to it; it becomes a warning for
  // the front end.
  void FinishGraphs() {
    for (GraphQueue::Written& graph : graphs.Finish()) {
      if (graph.status.ok()) {
        graphsWritten.push_back(std::move(graph.path));
      } else {
        warnings.push_back(GraphWarning(graph.path, graph.status.message()));
      }
    }
  }

  // Writes one section of the catalog, with its graph, when the profile
  // shows it.
  void Write(const ReportSection& section) {
    const CSiteProfile& p = profile;
    if (section.enabled != nullptr && (p.*section.enabled)() == 0) return;
    const int rowLimit = section.topCount != nullptr ? (p.*section.topCount)() : 0;
    const SectionOutput out = section.write({section, stats, rowLimit, context});
    if (out.html.empty()) return;
    if (!out.graphTitle.empty()) {
      DrawGraph(out.ranked, out.graphRows, out.graphTitle, section.graphFile);
    }
    html += out.html;
  }

  // Walks the section order text: each identifier ends with "|"; text after
  // the last "|" is ignored, and so are numbers the catalog does not list.
  // The sections without identifier follow.
  void Sections() {
    std::string_view order = profile.GetSectionOrder();
    while (order.size() > 1) {
      const size_t bar = order.find('|');
      if (bar == std::string_view::npos) break;
      const std::string_view token = order.substr(0, bar);
      order.remove_prefix(bar + 1);
      const std::int64_t id = ReadLogNumber(token);
      const bool whois = id == 4 && input.whoisLookups;
      // Both page sections ask for their titles while they are written.
      const bool pageTitles = (id == 11 || id == 12) && input.pageHeads;
      if (whois) Post(kStageWhois);
      if (pageTitles) Post(kStagePageTitles);
      for (const ReportSection& section : ListedSections(id)) Write(section);
      // Back to writing once the look-up stage of the section is over.
      if (whois || pageTitles) Post(kStageWritingReport);
    }
    for (const ReportSection& section : TrailingSections()) Write(section);
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
  for (const ReportSection& section : ReportSections()) {
    if (section.graphFile.empty()) continue;
    const fs::path from = workPath + std::string(section.graphFile);
    const fs::path to = imagesPrefix + std::string(section.graphFile);
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

bool IsDatedReportName(std::string_view reportPath) { return reportPath.ends_with("%d"); }

std::string FinalReportFileName(const std::string& reportPath, std::string_view periodEnd) {
  if (!IsDatedReportName(reportPath)) return reportPath;
  // Made of digits and "-" already; FileNamePart keeps it one name whatever
  // DatedNamePart may come to return.
  return reportPath.substr(0, reportPath.size() - 2) + FileNamePart(DatedNamePart(periodEnd)) +
         ".html";
}

LocalReportPlace LocalReportPlaceOf(const std::string& reportPath, std::string_view periodEnd,
                                    const std::string& programDirectory) {
  LocalReportPlace place;
  place.folder = ReportFolderOf(reportPath);
  if (place.folder.empty()) {
    place.folder = programDirectory;
  } else if (fs::path(place.folder).is_relative()) {
    place.folder = Joined(programDirectory, place.folder);
  }
  // The file is always the last name of the path inside the report folder.
  const std::string path = Slashes(FinalReportFileName(reportPath, periodEnd));
  place.file = Joined(place.folder, path.substr(path.rfind('/') + 1));
  return place;
}

std::string GraphFilePrefixOfReport(std::string_view finalReportFileName) {
  const size_t slash = finalReportFileName.find_last_of("/\\");
  const std::string_view name =
      slash == std::string_view::npos ? finalReportFileName : finalReportFileName.substr(slash + 1);
  return DistinctFileNamePart(name) + "_";
}

Result<ReportOutcome> GenerateReport(const ReportInput& input) {
  const CSiteProfile& profile = input.profile;
  const bool remote = profile.GetUploadReport() != 0;
  const std::string& programDirectory = input.programDirectory;

  std::string folder = ReportFolderOf(profile.GetReportPath());
  std::string finalName = FinalReportFileName(profile.GetReportPath(), input.periodEnd);
  if (!remote) {
    LocalReportPlace place =
        LocalReportPlaceOf(profile.GetReportPath(), input.periodEnd, programDirectory);
    folder = std::move(place.folder);
    finalName = std::move(place.file);
  }
  // A device takes the page and nothing else: it has no folder of its own
  // for images, and a temporary file renamed over it would replace it.
  const bool device = !remote && IsDeviceFile(finalName);
  const bool graphs = profile.GetIncludeGraphs() != 0 && !device;

  // The graphs of a local report go straight into its images folder; those
  // of a report to be uploaded wait in the program directory.
  std::string graphWorkPath = Joined(programDirectory, input.graphFilePrefix);
  if (!remote && !device) {
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
  if (input.pageHeads) {
    // One page head per row shown; a failure leaves the row without a
    // fragment.
    job.context.pageTitle = [&input, &job](std::string_view key) -> std::string {
      const std::optional<std::string> url = PageTitleUrl(input.profile.GetHomepageUrl(), key);
      if (!url) return {};
      return PageTitleFragment(job.context.colors.headerColor, input.pageHeads(*url));
    };
  }

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
  job.html += PageFooter(std::time(nullptr), job.context.colors);
  job.FinishGraphs();

  // The whole report replaces the old one at once, so a failed write (a full
  // disk, a missing folder) never leaves half a report behind.
  const Status written = device
                             ? WriteToDevice(openedFile, job.html)
                             : WriteFileAtomically(openedFile, job.html, FileAccess::kKeepOrUmask,
                                                   Durability::kReplaceOnly);
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
