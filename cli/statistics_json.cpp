#include "cli/statistics_json.h"

#include <cstdint>
#include <cstdio>
#include <functional>

#include "base/atomic_file.h"
#include "base/device_file.h"
#include "base/text_encoding.h"
#include "settings/site_profile.h"
#include "stats/stat_table.h"

namespace tlw::cli {
namespace {

void AppendEscape(std::string& out, unsigned int codeUnit) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", codeUnit);
  out += escape;
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  while (!text.empty()) {
    const auto lead = static_cast<unsigned char>(text.front());
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      AppendEscape(out, 0xDC00u + lead);
      text.remove_prefix(1);
      continue;
    }
    if (length == 1) {
      switch (lead) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default:
          if (lead < 0x20) {
            AppendEscape(out, lead);
          } else {
            out += static_cast<char>(lead);
          }
      }
    } else {
      out.append(text.data(), length);
    }
    text.remove_prefix(length);
  }
  out += '"';
}

void AppendField(std::string& out, std::string_view name, std::string_view value) {
  out += "  ";
  AppendJsonString(out, name);
  out += ": ";
  AppendJsonString(out, value);
  out += ",\n";
}

void AppendCounters(std::string& out, const SiteStatistics& stats) {
  out += "  \"counters\": {\"uniqueHosts\": " + std::to_string(stats.uniqueHosts) +
         ", \"homepageHits\": " + std::to_string(stats.homepageHits) +
         ", \"successfulRequests\": " + std::to_string(stats.successfulRequests) +
         ", \"totalBytes\": " + std::to_string(stats.totalBytes) + "},\n";
}

// Text gathered before it goes to the file: a table of a million keys
// passes through in pieces of this size, never whole.
constexpr std::size_t kPieceSize = 1 << 15;

// Takes the text in pieces: the atomic writer of a file, or the writer of
// a device.
using JsonSink = std::function<void(std::string_view)>;

void AppendTables(std::string& out, const JsonSink& file, const SiteStatistics& stats) {
  out += "  \"tables\": {";
  bool firstTable = true;
  for (const SiteStatistics::TableRef& ref : SiteStatistics::Tables()) {
    out += firstTable ? "\n    " : ",\n    ";
    firstTable = false;
    AppendJsonString(out, ref.name);
    out += ": [";
    bool firstEntry = true;
    for (const StatEntry& entry : Ranked(stats.*ref.table)) {
      out += firstEntry ? "\n      [" : ",\n      [";
      firstEntry = false;
      AppendJsonString(out, ref.pageNumberKeys ? stats.ClickPathText(entry.key) : entry.key);
      out += ", ";
      out += std::to_string(entry.count);
      out += ']';
      if (out.size() >= kPieceSize) {
        file(out);
        out.clear();
      }
    }
    out += firstEntry ? "]" : "\n    ]";
  }
  out += "\n  },\n";
}

std::string TotalsJson(const AudienceTotals& totals) {
  return "{\"visitors\": " + std::to_string(totals.visitors) +
         ", \"visits\": " + std::to_string(totals.visits) +
         ", \"pageViews\": " + std::to_string(totals.pageViews) +
         ", \"hits\": " + std::to_string(totals.hits) +
         ", \"bytes\": " + std::to_string(totals.bytes) + "}";
}

// People and robots apart: their totals, the robots by family and the
// pages people viewed.
void AppendAudience(std::string& out, const JsonSink& file, const AudienceStatistics& audience) {
  out += "  \"people\": " + TotalsJson(audience.people) + ",\n";
  out += "  \"robots\": " + TotalsJson(audience.robots) + ",\n";
  out += "  \"robotFamilies\": [";
  bool first = true;
  for (const RobotFamilyCount& robot : audience.robotFamilies) {
    out += first ? "\n    {\"family\": " : ",\n    {\"family\": ";
    first = false;
    AppendJsonString(out, robot.family);
    out += ", \"kind\": ";
    AppendJsonString(out, kRobotKindNames[static_cast<std::size_t>(robot.kind)]);
    out += ", \"hits\": " + std::to_string(robot.hits) +
           ", \"bytes\": " + std::to_string(robot.bytes) +
           ", \"visitors\": " + std::to_string(robot.visitors) + "}";
  }
  out += first ? "],\n" : "\n  ],\n";
  out += "  \"peoplePages\": [";
  first = true;
  for (const StatEntry& entry : Ranked(audience.pages)) {
    out += first ? "\n    [" : ",\n    [";
    first = false;
    AppendJsonString(out, entry.key);
    out += ", " + std::to_string(entry.count) + "]";
    if (out.size() >= kPieceSize) {
      file(out);
      out.clear();
    }
  }
  out += first ? "],\n" : "\n  ],\n";
}

void AppendLastVisitors(std::string& out, const SiteStatistics& stats) {
  out += "  \"lastVisitors\": [";
  for (std::size_t i = 0; i < stats.lastVisitors.size(); ++i) {
    out += i == 0 ? "\n    " : ",\n    ";
    AppendJsonString(out, stats.lastVisitors[i]);
  }
  out += stats.lastVisitors.empty() ? "]\n" : "\n  ]\n";
}

// The whole statistics text, handed to `file` in pieces.
void WriteJson(const CSiteProfile& profile, const JsonSink& file) {
  const SiteStatistics& stats = profile.Statistics();
  std::string out = "{\n";
  AppendField(out, "site", profile.GetHomepageUrl());
  AppendField(out, "periodStart", profile.GetPeriodStart());
  AppendField(out, "periodEnd", profile.GetPeriodEnd());
  AppendField(out, "busiestDay", stats.busiestDay);
  AppendCounters(out, stats);
  AppendTables(out, file, stats);
  AppendAudience(out, file, stats.audience);
  AppendLastVisitors(out, stats);
  out += "}\n";
  file(out);
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

Status WriteStatisticsJson(const std::filesystem::path& path, const CSiteProfile& profile) {
  if (IsDeviceFile(path)) {
    DeviceWriter device(path);
    WriteJson(profile, [&device](std::string_view piece) { device.Write(piece); });
    return device.Commit();
  }
  AtomicFileWriter file(path, FileAccess::kKeepOrUmask, Durability::kReplaceOnly);
  WriteJson(profile, [&file](std::string_view piece) { file.Write(piece); });
  return file.Commit();
}

Status WriteStatisticsJson(std::ostream& out, const CSiteProfile& profile) {
  WriteJson(profile, [&out](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  });
  out.flush();
  if (!out) return Status::Error("Cannot write the statistics to standard output");
  return Status::Ok();
}

std::filesystem::path RowJsonPath(const std::filesystem::path& file, std::size_t row) {
  std::filesystem::path path = file;
  const std::string extension = file.extension().string();
  path.replace_filename(file.stem().string() + "." + std::to_string(row) + extension);
  return path;
}

}  // namespace tlw::cli
