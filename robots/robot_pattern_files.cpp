// Reading the two robot pattern files: the JSON array of crawler-user-agents
// and the user's own tab-separated lines.
#include <simdjson.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "robots/robot_catalog.h"

namespace tlw {
namespace {

// What the pattern file's tags say a robot is for. An entry with several
// tags takes the first of this table that it has; every other tag (seo,
// scanner, advertising, social-preview, archiver, ...) is kOther.
struct TagKind {
  std::string_view tag;
  RobotKind kind;
};
constexpr std::array<TagKind, 4> kTagKinds = {{
    {"search-engine", RobotKind::kSearchEngine},
    {"ai-crawler", RobotKind::kAiCrawler},
    {"monitoring", RobotKind::kMonitor},
    {"feed-reader", RobotKind::kFeedReader},
}};
constexpr std::string_view kOtherKindWord = "other";
// Tags of what robots are built on rather than of robots (see RobotEntry::tool).
constexpr std::array<std::string_view, 2> kToolTags = {"http-library", "browser-automation"};

bool IsToolTag(std::string_view tag) {
  return std::find(kToolTags.begin(), kToolTags.end(), tag) != kToolTags.end();
}

// The bytes of `file`, or a message naming it as `what`.
Result<std::string> ReadWholeFile(const std::string& file, const std::string& what) {
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) {
    return Status::Error(what + " " + file + ": is a folder, not a file");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::Error(what + " " + file + ": cannot open: " + std::strerror(errno));
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return Status::Error(what + " " + file + ": cannot read: " + std::strerror(errno));
  return content.str();
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The candidate of entry `index` of the data file, or nothing (with a
// warning) when it is not an object with a pattern.
std::optional<RobotCandidate> DataCandidate(simdjson::dom::element item, std::size_t index,
                                            const std::string& file,
                                            std::vector<std::string>& warnings) {
  const std::string where = "robot patterns " + file + ": entry " + std::to_string(index + 1);
  simdjson::dom::object object;
  std::string_view pattern;
  if (item.get_object().get(object) != simdjson::SUCCESS ||
      object["pattern"].get_string().get(pattern) != simdjson::SUCCESS || pattern.empty()) {
    warnings.push_back(where + " has no pattern; left out");
    return std::nullopt;
  }
  RobotCandidate candidate;
  candidate.entry.pattern = std::string(pattern);
  candidate.origin = where + " (pattern \"" + candidate.entry.pattern + "\")";

  std::size_t bestTag = kTagKinds.size();
  bool onlyTools = false;
  simdjson::dom::array tags;
  if (object["tags"].get_array().get(tags) == simdjson::SUCCESS && tags.size() != 0) {
    onlyTools = true;
    for (const simdjson::dom::element tag : tags) {
      std::string_view text;
      if (tag.get_string().get(text) != simdjson::SUCCESS) continue;
      onlyTools = onlyTools && IsToolTag(text);
      for (std::size_t i = 0; i < kTagKinds.size(); ++i) {
        if (kTagKinds[i].tag == text) bestTag = std::min(bestTag, i);
      }
    }
  }
  candidate.entry.kind = bestTag < kTagKinds.size() ? kTagKinds[bestTag].kind : RobotKind::kOther;
  candidate.entry.tool = onlyTools;

  simdjson::dom::array instances;
  if (object["instances"].get_array().get(instances) == simdjson::SUCCESS) {
    for (const simdjson::dom::element instance : instances) {
      std::string_view text;
      if (instance.get_string().get(text) == simdjson::SUCCESS) {
        candidate.examples.emplace_back(text);
      }
    }
  }
  return candidate;
}

// The file is parsed with simdjson, which reads the megabyte of the data
// in well under a millisecond (a run loads it before its first record); a
// file it refuses is parsed again by nlohmann::json, whose message names
// the line and column.
Status ReadDataPatterns(const std::string& file, std::vector<RobotCandidate>& candidates,
                        std::vector<std::string>& warnings) {
  Result<std::string> content = ReadWholeFile(file, "robot patterns");
  if (!content) return content.status();
  simdjson::dom::parser parser;
  const simdjson::padded_string padded(*content);
  simdjson::dom::element document;
  if (const simdjson::error_code error = parser.parse(padded).get(document);
      error != simdjson::SUCCESS) {
    try {
      const nlohmann::json parsed = nlohmann::json::parse(*content);
      (void)parsed;
    } catch (const nlohmann::json::parse_error& parseError) {
      // The library's text says where: "parse error at line 3, column 7: ...".
      return Status::Error("robot patterns " + file + ": not valid JSON: " + parseError.what());
    }
    return Status::Error("robot patterns " + file +
                         ": not valid JSON: " + simdjson::error_message(error));
  }
  simdjson::dom::array robots;
  if (document.get_array().get(robots) != simdjson::SUCCESS) {
    return Status::Error("robot patterns " + file +
                         ": not a list of robots (the file holds no JSON array)");
  }
  std::size_t index = 0;
  for (const simdjson::dom::element item : robots) {
    std::optional<RobotCandidate> candidate = DataCandidate(item, index++, file, warnings);
    if (candidate) candidates.push_back(std::move(*candidate));
  }
  return Status::Ok();
}

// The user's lines: FAMILY <tab> KIND <tab> PATTERN; blank lines and lines
// that start with "#" are skipped.
Status ReadUserPatterns(const std::string& file, std::vector<RobotCandidate>& candidates) {
  Result<std::string> content = ReadWholeFile(file, "user robot patterns");
  if (!content) return content.status();
  std::string_view rest = *content;
  for (std::size_t lineNumber = 1; !rest.empty(); ++lineNumber) {
    std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (Trimmed(line).empty() || Trimmed(line).starts_with('#')) continue;

    const std::string where =
        "user robot patterns " + file + ", line " + std::to_string(lineNumber);
    const std::size_t firstTab = line.find('\t');
    const std::size_t secondTab =
        firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
    if (secondTab == std::string_view::npos) {
      return Status::Error(where + ": expected a family, a kind and a pattern separated by tabs");
    }
    const std::string_view family = Trimmed(line.substr(0, firstTab));
    const std::string_view kindWord = Trimmed(line.substr(firstTab + 1, secondTab - firstTab - 1));
    const std::string_view pattern = line.substr(secondTab + 1);
    if (family.empty()) return Status::Error(where + ": the family name is empty");
    if (pattern.empty()) return Status::Error(where + ": the pattern is empty");

    RobotCandidate candidate;
    candidate.entry.family = std::string(family);
    candidate.entry.pattern = std::string(pattern);
    candidate.entry.fromUser = true;
    candidate.origin = where;
    candidate.required = true;
    const auto* const kind =
        std::find_if(kTagKinds.begin(), kTagKinds.end(),
                     [&](const TagKind& known) { return known.tag == kindWord; });
    if (kind != kTagKinds.end()) {
      candidate.entry.kind = kind->kind;
    } else if (kindWord != kOtherKindWord) {
      return Status::Error(where + ": unknown kind \"" + std::string(kindWord) +
                           "\" (search-engine, ai-crawler, monitoring, feed-reader or other)");
    }
    candidates.push_back(std::move(candidate));
  }
  return Status::Ok();
}

}  // namespace

Result<std::unique_ptr<RobotCatalog>> LoadRobotCatalog(const std::string& dataFile,
                                                       const std::string& userFile) {
  std::vector<RobotCandidate> candidates;
  std::vector<std::string> warnings;
  // The user's entries first, so that they win over the data's.
  if (!userFile.empty()) {
    if (Status read = ReadUserPatterns(userFile, candidates); !read) return read;
  }
  if (Status read = ReadDataPatterns(dataFile, candidates, warnings); !read) return read;
  return RobotCatalog::Compile(std::move(candidates), std::move(warnings),
                               "robot patterns " + dataFile);
}

}  // namespace tlw
