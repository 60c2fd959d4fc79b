#include "frontend/last_report.h"

#include <filesystem>
#include <system_error>

#include "report/report_assembly.h"
#include "settings/site_profile.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

// The newest "<stem><date>.html" in `folder`, the names a dated report
// path gives its reports; empty when there is none.
std::string NewestDatedReport(const std::string& folder, const std::string& stem) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return {};
  std::string newest;
  fs::file_time_type newestTime;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(stem) || !name.ends_with(".html") || !entry.is_regular_file(error)) {
      continue;
    }
    const fs::file_time_type written = entry.last_write_time(error);
    if (error) continue;
    if (newest.empty() || written > newestTime) {
      newest = entry.path().string();
      newestTime = written;
    }
  }
  return newest;
}

}  // namespace

LastReport FindLastReport(const CSiteProfile& profile, int row,
                          const std::string& programDirectory) {
  LastReport last;
  const bool uploaded = profile.GetUploadReport() != 0;
  if (uploaded) {
    last.file = (fs::path(programDirectory) / ("Report" + std::to_string(row))).string();
  } else {
    const std::string reportPath = profile.GetReportPath();
    const LocalReportPlace place = LocalReportPlaceOf(reportPath, "", programDirectory);
    last.folder = place.folder;
    if (!IsDatedReportName(reportPath)) {
      last.file = place.file;
    } else {
      // The date comes from a run's period, which is not kept between
      // sessions: the file the last run named, else the newest of the name.
      last.file = std::string(profile.GetFinalReportFileName());
      if (last.file.empty()) {
        const std::string stem =
            fs::path(LocalReportPlaceOf(reportPath.substr(0, reportPath.size() - 2), "",
                                        programDirectory)
                         .file)
                .filename()
                .string();
        last.file = NewestDatedReport(place.folder, stem);
      }
      if (last.file.empty()) {
        last.reason =
            "its name ends in %d and gets the date of each run's period, and no "
            "report of that name is in " +
            place.folder + " yet (run the site to write one)";
        return last;
      }
    }
  }
  std::error_code error;
  const fs::file_status status = fs::status(last.file, error);
  if (!fs::exists(status)) {
    last.reason = uploaded ? "there is no such file (the local copy of an uploaded report is "
                             "removed once it is uploaded)"
                           : "there is no such file (run the site to write it)";
  } else if (!fs::is_regular_file(status)) {
    last.reason = "it is not a regular file";
  } else {
    last.found = true;
  }
  if (!last.folder.empty() && !fs::is_directory(last.folder, error)) last.folder.clear();
  return last;
}

}  // namespace tlw
