#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tlw {

// The logfile names of one run, taken in order from its file list: names
// each followed by "|", or a single name.
//
// The first name is the text before the first "|"; a list without "|" (or
// a first entry under 3 characters) stands for the whole logfile setting.
// Only that first name is expanded as a time format with the run's start
// time, so a profile can name the current day's log ("ex%y%m%d.log").
// Each later name is the text before the next "|": an entry after the last
// "|" of a list is not read, as lists always end their entries with "|".
class LogfileNames {
 public:
  LogfileNames(std::string_view fileList, std::string_view logfileSetting,
               const std::tm& startTime);

  // The next logfile name, or nothing when the list is done (a name of 2
  // characters or fewer ends it).
  std::optional<std::string> Next();

 private:
  std::string current_;
  std::string remainder_;
};

// `name` with its strftime conversion codes ("%y", "%m", "%d", "%Y", "%H"...)
// replaced by the values of `time`; a "#" after the "%" drops leading
// zeros ("%#d" gives "5"). Unknown codes and other text are kept as they are.
std::string ExpandTimeCodes(std::string_view name, const std::tm& time);

// The file list that a local logfile setting stands for: the wildcard
// expansion when it contains "*", otherwise the setting itself.
std::string LocalFileList(std::string_view logfileSetting);

}  // namespace tlw
