#pragma once

#include <string_view>

namespace tlw {

// One parsed logfile line. Every field is a view into the run's line buffer
// (or into a fixed text such as "-"), valid only until the next line is read.
// Numbers and dates stay texts: the statistics interpret them.
struct LogRecord {
  std::string_view host;      // client address or host name; never empty in a record
  std::string_view user;      // authenticated user as written in the log, "-" when none
  std::string_view day;       // day of month, digits
  std::string_view month;     // NCSA: "Jan".."Dec" as written; other layouts: digits
  std::string_view year;      // four digits, or two in the comma and "!" layouts
  std::string_view hour;      // digits
  std::string_view minute;    // digits
  std::string_view url;       // requested path (URI stem); never empty in a record
  std::string_view status;    // HTTP status code text ("!" layout: result word)
  std::string_view bytes;     // bytes sent to the client, text
  std::string_view referrer;  // referring URL, empty when none
  std::string_view agent;     // user agent, empty when none
};

}  // namespace tlw
