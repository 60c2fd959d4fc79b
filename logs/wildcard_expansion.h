#pragma once

#include <string>
#include <string_view>

namespace tlw {

// The file list of a local logfile setting with "*" wildcards: the pattern
// is the setting's text before its first "|" (the whole setting when that
// is under 2 characters). Every match that is a regular file (not a
// folder, named pipe, socket or device) becomes its
// path followed by "|", in time order: name order, so that daily logs
// ("u_ex090817.log") come by date, except that rotated logs ("access.log.2.gz",
// "access.log.1", "access.log") come oldest first and the live log last.
// A "\" is read as "/". Wildcards apply to the last
// path component only. Empty when nothing matches or the folder cannot be
// read.
std::string ExpandLocalWildcards(std::string_view logfileSetting);

// Whether `name` matches `pattern` the way users of Windows paths expect:
// "*" is any run of characters, "?" any one character, and a pattern that
// ends in ".*" also matches the name without that extension, so "*.*" is
// every file. A name starting with "." matches only a pattern that does.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace tlw
