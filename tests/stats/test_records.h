#pragma once

#include <map>
#include <string>

#include "base/log_record.h"
#include "stats/add_record.h"
#include "stats/stat_table.h"

namespace tlw::testing_records {

// A log record that owns its texts; View() gives the LogRecord of it.
struct OwnedRecord {
  std::string host = "client.example.com";
  std::string user = "-";
  std::string day = "10";
  std::string month = "Oct";
  std::string year = "2000";
  std::string hour = "13";
  std::string minute = "55";
  std::string url = "/index.html";
  std::string status = "200";
  std::string bytes = "100";
  std::string referrer;
  std::string agent;

  LogRecord View() const {
    return LogRecord{host,   user, day,    month, year,     hour,
                     minute, url,  status, bytes, referrer, agent};
  }
};

// A record of `host` asking for `url` at hh:mm on 10 October 2000.
inline OwnedRecord At(std::string host, std::string hour, std::string minute, std::string url) {
  OwnedRecord r;
  r.host = std::move(host);
  r.hour = std::move(hour);
  r.minute = std::move(minute);
  r.url = std::move(url);
  return r;
}

// The table's contents, for comparing with a literal expectation.
inline std::map<std::string, std::int64_t> Contents(const StatTable& table) {
  std::map<std::string, std::int64_t> contents;
  for (const StatEntry& e : table.Entries()) contents[std::string(e.key)] = e.count;
  return contents;
}

using Counts = std::map<std::string, std::int64_t>;

}  // namespace tlw::testing_records
