#pragma once

#include <string>

namespace tlw {

class CSiteProfile;

// Where a site's last report is, as "Open Report" and the command line's
// mail-test find it.
struct LastReport {
  // The report file, or where it would be; empty when no one file can be
  // named (a dated report name before its first report).
  std::string file;
  // The folder that holds the report and its images; empty for an uploaded
  // report, whose folder is on the server.
  std::string folder;
  // Whether `file` is there as a regular file.
  bool found = false;
  // When not found: why, as one line that follows the file's name
  // ("there is no such file (run the site to write it)").
  std::string reason;
};

// The last report of `profile` in row `row`, found where its run writes
// it: the local copy of a report to be uploaded ("Report" and the row, in
// the program directory); the report path with a relative folder (or none)
// taken in `programDirectory`; for a dated report name ("...%d"), the file
// this session's last run wrote, else the newest report of that name in the
// folder. Never fails: what is missing is said in `reason`.
LastReport FindLastReport(const CSiteProfile& profile, int row,
                          const std::string& programDirectory);

}  // namespace tlw
