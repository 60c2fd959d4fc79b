#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "base/log_record.h"
#include "logs/line_parser.h"

namespace tlw::test {

// The record's fields joined by "|", in declaration order, so a table row
// states a whole record and a failure shows every field.
inline std::string Describe(const LogRecord& r) {
  std::string text;
  for (const std::string_view field : {r.host, r.user, r.day, r.month, r.year, r.hour, r.minute,
                                       r.url, r.status, r.bytes, r.referrer, r.agent}) {
    if (!text.empty()) text += '|';
    text += field;
  }
  return text;
}

// Parses lines with one run's state; keeps every line alive so earlier
// records stay readable.
class LineCutter {
 public:
  ParseOutcome Cut(LogFormat format, std::string_view line, LogRecord& record) {
    std::string& kept = lines_.emplace_back(line);
    return ParseLine(format, std::span<char>(kept.data(), kept.size()), state, record);
  }
  // The record of a line that must parse as one.
  LogRecord Record(LogFormat format, std::string_view line) {
    LogRecord record;
    lastOutcome = Cut(format, line, record);
    return record;
  }

  ParseState state;
  ParseOutcome lastOutcome = ParseOutcome::Skipped;

 private:
  std::deque<std::string> lines_;
};

}  // namespace tlw::test
