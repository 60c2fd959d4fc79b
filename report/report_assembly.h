#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/run_host.h"

namespace tlw {

class CSiteProfile;

// What writing a report left behind besides the report file.
struct ReportOutcome {
  // The report file as the user names it (also left in the profile).
  std::string finalReportFileName;
  // Every file written: the report (or its local copy), then the graphs.
  std::vector<std::string> filesWritten;
  // Graphs that could not be written or copied, one line each naming the
  // file and the reason. The report is complete without them; its image
  // links then show nothing.
  std::vector<std::string> warnings;
};

// Writes the HTML report of a finished run: decides the report folder and
// the final file name (both left in the profile), creates the folder and its
// images folder, writes the frame and every selected section in the
// profile's order with their graphs, and posts stages 8, 9, 11 and 45 to
// `host.progress`. A local report path that is relative (or a bare name) is
// taken relative to the program directory, whatever the current folder.
// Reads the program settings through ProgramSettings(). Fails with "Error
// creating HTML report: <path>" (also shown through `host.notifier`) when
// the report file cannot be written whole.
Result<ReportOutcome> GenerateReport(CSiteProfile& profile, const RunHost& host);

// The report folder of a report path: the path up to its last "/" or "\"
// (a leading "/" is kept); empty when the path names no folder.
std::string ReportFolderOf(const std::string& reportPath);

// The part of a dated report name that stands for the period-end text:
// month "-" day "-" year in decimal ("6-24-1999"; a two-digit year is
// widened as the statistics widen it), or "undated" when the text holds no
// valid date. Nothing of the text itself is copied.
std::string DatedNamePart(std::string_view periodEnd);

// The final report file name: a report path whose first "%" is followed by
// "d" is cut before it and gets DatedNamePart(periodEnd) and ".html".
std::string FinalReportFileName(const std::string& reportPath, std::string_view periodEnd);

}  // namespace tlw
