#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/run_host.h"
#include "report/page_title.h"

namespace tlw {

class CSiteProfile;
class SiteStatistics;

// Everything a report is made of. The run fills it once its statistics are
// complete; the report reads nothing else and writes nothing back.
struct ReportInput {
  // The site's report options: theme, sections and their order, top
  // counts, includeGraphs, reportPath, uploadReport, homepageUrl, listIndex.
  const CSiteProfile& profile;
  const SiteStatistics& statistics;
  // The report period and busiest day as the summary shows them.
  std::string periodStart;
  std::string periodEnd;
  std::string busiestDay;
  // Begins every graph file name of the run (GraphFilePrefixOf).
  std::string graphFilePrefix;
  // Holds a report path without a folder or with a relative one, the local
  // copy of a report to be uploaded and its graphs.
  std::string programDirectory;
  // The program settings' look-up options; each adds a stage.
  bool whoisLookups = false;
  // Set when the program settings ask for page titles: asked for the page
  // of each row of the Most and Least Accessed Pages sections. Empty: no
  // titles and no stage for them.
  PageHeadSource pageHeads;
  // Where stages go (against the profile's listIndex) and messages are shown.
  RunHost host;
};

// What writing a report left behind.
struct ReportOutcome {
  // The folder of the report: local, where it and its images folder are;
  // for an uploaded report, the folder on the server.
  std::string reportFolder;
  // The report file as the user names it (the dated name filled in).
  std::string finalReportFileName;
  // The file written: the final report, or the local copy of a report to be
  // uploaded ("Report" and the profile's row, in the program directory).
  std::string reportFile;
  // The graphs written, in the order of the report.
  std::vector<std::string> graphFiles;
  // Graphs that could not be written or copied, one line each naming the
  // file and the reason. The report is complete without them; its image
  // links then show nothing.
  std::vector<std::string> warnings;
};

// Writes the HTML report of a finished run: decides the report folder and
// the final file name, creates the folder and its images folder, writes the
// frame and every selected section in the profile's order with their
// graphs. Posts to `input.host.progress` stage 11 before the Domains and 9
// before the Most and the Least Accessed Pages when their look-ups are asked
// for, 8 after each of those, and 45 before the graphs are copied beside a local
// report; the run has posted 8 before. A local report path that is relative (or a bare
// name) is taken relative to the program directory, whatever the current
// folder. A local report path naming a character device or FIFO
// (/dev/null, a pipe) gets the page alone, written to it as it is: no graph
// and no folder is made beside it. Fails with "Error creating HTML report:
// <path>" (also shown through `input.host.notifier`) when the report file
// cannot be written whole.
Result<ReportOutcome> GenerateReport(const ReportInput& input);

// The report folder of a report path: the path up to its last "/" or "\"
// (a leading "/" is kept); empty when the path names no folder.
std::string ReportFolderOf(const std::string& reportPath);

// The part of a dated report name that stands for the period-end text:
// month "-" day "-" year in decimal ("6-24-1999"; a two-digit year is
// widened as the statistics widen it), or "undated" when the text holds no
// valid date. Nothing of the text itself is copied.
std::string DatedNamePart(std::string_view periodEnd);

// Whether the report path asks for a dated name: it ends in "%d". A "%d"
// anywhere else, in a folder or inside a name, is taken as it is.
bool IsDatedReportName(std::string_view reportPath);

// The final report file name: a dated report path loses its "%d" and gets
// DatedNamePart(periodEnd) and ".html" in its place.
std::string FinalReportFileName(const std::string& reportPath, std::string_view periodEnd);

// Where a local report is written.
struct LocalReportPlace {
  std::string folder;  // the report folder, which holds images/
  std::string file;    // the final report file name, inside `folder`
};

// The place of the local report of `reportPath` for the period-end text
// `periodEnd`. A path without a folder, or with a relative one, is taken in
// `programDirectory`, so a scheduled run, a manual one and mail-test find
// the same file whatever folder they were started in.
LocalReportPlace LocalReportPlaceOf(const std::string& reportPath, std::string_view periodEnd,
                                    const std::string& programDirectory);

// The graph file prefix of a report that names its graphs after its own
// file: the last name of `finalReportFileName` as a DistinctFileNamePart,
// then "_". Reports of different names in one folder never share a graph.
std::string GraphFilePrefixOfReport(std::string_view finalReportFileName);

}  // namespace tlw
