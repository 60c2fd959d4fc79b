#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tlw {

// Where the names of a file list come from.
enum class ListedNames {
  kTyped,    // the user's logfile setting
  kMatched,  // the files a wildcard pattern matched
};

// The logfile names of one run, taken in order from its file list: names
// each followed by "|", or a single name.
//
// The first name is the text before the first "|"; a list without "|" (or
// a first entry under 3 characters) stands for the whole logfile setting.
// Only that first name is expanded as a time format with the run's start
// time, so a profile can name the current day's log ("ex%y%m%d.log"), and
// only when the user typed it: the name of a matched file is read as it
// is, or a file named "%x" would stand for a path with the date's "/"s.
// Each later name is the text before the next "|": an entry after the last
// "|" of a list is not read, as lists always end their entries with "|".
class LogfileNames {
 public:
  LogfileNames(std::string_view fileList, std::string_view logfileSetting, const std::tm& startTime,
               ListedNames listed = ListedNames::kTyped);

  // The next logfile name, or nothing when the list is done (a name of 2
  // characters or fewer ends it).
  std::optional<std::string> Next();

  // What the rules above left unread, one sentence each, for the run's
  // warnings: a short name, a list read as one name, an entry after the
  // last "|".
  const std::vector<std::string>& Unread() const { return unread_; }

 private:
  std::string current_;
  std::string remainder_;
  std::vector<std::string> unread_;
};

// `name` with its strftime conversion codes ("%y", "%m", "%d", "%Y", "%H"...)
// replaced by the values of `time`; a "#" after the "%" drops leading
// zeros ("%#d" gives "5"). Unknown codes and other text are kept as they are.
std::string ExpandTimeCodes(std::string_view name, const std::tm& time);

// The files that a local logfile setting stands for.
struct LocalFiles {
  // The wildcard matches when the setting NamesWildcard, otherwise the
  // setting itself.
  std::string fileList;
  ListedNames listed = ListedNames::kTyped;
  // Matches left out because their names cannot stand in a file list.
  std::vector<std::string> leftOut;
};

LocalFiles LocalFileList(std::string_view logfileSetting);

}  // namespace tlw
