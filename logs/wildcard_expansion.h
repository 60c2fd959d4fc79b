#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tlw {

// Whether a logfile setting, local or remote, stands for the files its
// pattern matches: the pattern (the text before the first "|", the whole
// setting when that is shorter than 2 characters) has a "*" or "?" in its
// last component. Folders are never matched, so a "*" in a folder's name is
// taken as it is written.
bool NamesWildcard(std::string_view logfileSetting);

// What a local wildcard pattern matched.
struct WildcardMatches {
  // Each matching file's path followed by "|"; empty when nothing matches.
  std::string fileList;
  // The paths of matches left out because their names could not stand in a
  // file list (see IsListableFileName), for a warning each.
  std::vector<std::string> leftOut;
};

// The file list of a local logfile setting with "*" wildcards: the pattern
// is the setting's text before its first "|" (the whole setting when that
// is under 2 characters). Every match that is a regular file (not a
// folder, named pipe, socket or device) becomes its
// path followed by "|", in time order: name order, so that daily logs
// ("u_ex090817.log") come by date, except that rotated logs ("access.log.2.gz",
// "access.log.1", "access.log") come oldest first and the live log last.
// A "\" in the pattern is read as "/". Wildcards apply to the last path
// component only. Nothing matches when the folder cannot be read.
WildcardMatches ExpandLocalWildcards(std::string_view logfileSetting);

// Whether a name found in a folder can stand in a file list as one file of
// that folder: anyone who may create files there chooses these names, and a
// "|" would split the name into two list entries, a "\" would be read as a
// folder separator (so "a\..\..\x.log" would name a file elsewhere), and
// control characters have no business in a logfile's name.
bool IsListableFileName(std::string_view name);

// Whether `name` matches `pattern` the way users of Windows paths expect:
// "*" is any run of characters, "?" any one character, and a pattern that
// ends in ".*" also matches the name without that extension, so "*.*" is
// every file. A name starting with "." matches only a pattern that does.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace tlw
