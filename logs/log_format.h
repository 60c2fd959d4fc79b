#pragma once

#include <string>
#include <string_view>

#include "base/notice.h"

namespace tlw {

// The layout of a logfile. The values are fixed: runs and statistics branch
// on them.
enum class LogFormat : int {
  Unsupported = -1,
  Ncsa = 1,              // NCSA common or combined
  W3cExtended = 2,       // blank-separated, fields named by a "#Fields" directive
  CommaSeparated = 3,    // IIS comma-separated log
  TabSeparated = 4,      // date and time, then tab-separated columns
  BangTabSeparated = 5,  // tab-separated, directive lines start with "!"
};

// The layout that `probeLine` belongs to, or Unsupported. Never fails
// otherwise; the caller shows DetectionFailedNotice() for Unsupported.
LogFormat DetectLogFormat(std::string_view probeLine);

// The message box for a logfile whose layout was not recognised.
Notice DetectionFailedNotice();

// The message box shown when the first line of a logfile of unsupported
// layout is about to be parsed; the run then ends.
Notice UnsupportedLogfileNotice(std::string_view logfileName);

// The message box for a W3C field directive without a "date" field; the run
// then ends.
Notice MissingDateFieldNotice();

}  // namespace tlw
