#include "robots/robot_catalog.h"

#include <re2/re2.h>
#include <re2/set.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <tuple>
#include <utility>

namespace tlw {
namespace {

// All patterns together make one program of about 1,500 alternatives; its
// DFA states are built as agents need them, within this budget. Past it
// RE2 reports the set out of memory for that agent, and each pattern is
// then tried alone (slower, same answer).
constexpr std::int64_t kSetMemoryBudget = std::int64_t{64} << 20;

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Agents are bytes, often not valid UTF-8, and the data's patterns are
// ASCII: matched as Latin-1, every byte is a character and none is skipped
// (a user's pattern with UTF-8 text still matches those same bytes).
re2::RE2::Options PatternOptions() {
  re2::RE2::Options options;
  options.set_encoding(re2::RE2::Options::EncodingLatin1);
  options.set_log_errors(false);
  return options;
}

re2::StringPiece Piece(std::string_view text) { return {text.data(), text.size()}; }

// Where the first match of `expression` starts in `agent`; the agent's
// length when it does not match.
std::size_t MatchStart(const re2::RE2& expression, std::string_view agent) {
  re2::StringPiece found;
  if (!expression.Match(Piece(agent), 0, agent.size(), re2::RE2::UNANCHORED, &found, 1)) {
    return agent.size();
  }
  return static_cast<std::size_t>(found.data() - agent.data());
}

// The text a pattern without an example would match: its escapes undone
// ("Mediapartners \(Googlebot\)" is "Mediapartners (Googlebot)").
std::string Unescaped(std::string_view pattern) {
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
    text += pattern[i];
  }
  return text;
}

int CapitalCount(std::string_view text) {
  return static_cast<int>(
      std::count_if(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
}

// A data entry's family is named once, from the example agents the file
// gives for it, so that every agent of the robot counts under one name
// whatever its spelling: the name most examples give, and of names given
// equally often the one with more capitals (a product token is "ClaudeBot",
// an address or a mail box "claudebot"), then the first.
std::string NameFromExamples(const re2::RE2& expression, const std::vector<std::string>& examples,
                             const std::string& pattern) {
  std::vector<std::pair<std::string, int>> names;  // in the order first given
  for (const std::string& example : examples) {
    re2::StringPiece found;
    if (!expression.Match(example, 0, example.size(), re2::RE2::UNANCHORED, &found, 1)) continue;
    std::string name = RobotFamilyName(std::string_view(found.data(), found.size()));
    if (name.empty()) continue;
    auto known = std::find_if(names.begin(), names.end(),
                              [&](const auto& counted) { return counted.first == name; });
    if (known == names.end()) {
      names.emplace_back(std::move(name), 1);
    } else {
      ++known->second;
    }
  }
  auto better = [](const auto& a, const auto& b) {
    return std::pair(a.second, CapitalCount(a.first)) > std::pair(b.second, CapitalCount(b.first));
  };
  std::stable_sort(names.begin(), names.end(), better);
  if (!names.empty()) return names.front().first;
  std::string name = RobotFamilyName(Unescaped(pattern));
  return name.empty() ? pattern : name;
}

}  // namespace

// What an entry computes at its first use; once computed, only read, so
// runs on several threads share it.
struct RobotCatalog::Lazy {
  std::once_flag compiled;
  std::unique_ptr<re2::RE2> expression;
  std::once_flag named;
  std::string family;
  std::vector<std::string> examples;  // dropped once the entry is named
};

struct RobotCatalog::SetHolder {
  explicit SetHolder(const re2::RE2::Options& options) : set(options, re2::RE2::UNANCHORED) {}
  re2::RE2::Set set;
};

RobotCatalog::RobotCatalog() = default;
RobotCatalog::~RobotCatalog() = default;

Result<std::unique_ptr<RobotCatalog>> RobotCatalog::Compile(std::vector<RobotCandidate> candidates,
                                                            std::vector<std::string> warnings,
                                                            const std::string& setName) {
  std::unique_ptr<RobotCatalog> catalog(new RobotCatalog());
  re2::RE2::Options setOptions = PatternOptions();
  setOptions.set_max_mem(kSetMemoryBudget);
  catalog->set_ = std::make_unique<SetHolder>(setOptions);
  // The set parses every pattern as it takes it: one it refuses is left out
  // (or fails the catalog), and the set's numbers stay those of the entries.
  for (RobotCandidate& candidate : candidates) {
    std::string error;
    if (catalog->set_->set.Add(candidate.entry.pattern, &error) < 0) {
      if (candidate.required) {
        return Status::Error(candidate.origin + ": the pattern is not valid RE2: " + error);
      }
      warnings.push_back(candidate.origin + ": " + error + "; left out");
      continue;
    }
    catalog->entries_.push_back(std::move(candidate.entry));
    catalog->lazy_.push_back(std::make_unique<Lazy>());
    catalog->lazy_.back()->examples = std::move(candidate.examples);
  }
  if (!catalog->entries_.empty() && !catalog->set_->set.Compile()) {
    return Status::Error(setName + ": the " + std::to_string(catalog->entries_.size()) +
                         " robot patterns do not compile into one set within " +
                         std::to_string(kSetMemoryBudget >> 20) + " MiB");
  }
  catalog->warnings_ = std::move(warnings);
  return catalog;
}

const re2::RE2& RobotCatalog::ExpressionOf(std::size_t index) const {
  Lazy& lazy = *lazy_[index];
  std::call_once(lazy.compiled, [&] {
    lazy.expression = std::make_unique<re2::RE2>(entries_[index].pattern, PatternOptions());
  });
  return *lazy.expression;
}

const std::string& RobotCatalog::FamilyOf(std::size_t index) const {
  Lazy& lazy = *lazy_[index];
  std::call_once(lazy.named, [&] {
    lazy.family = entries_[index].family;
    if (lazy.family.empty()) {
      // Matching the examples builds the expression's DFAs: a copy of its
      // own does it, so the one kept for ranking stays small.
      const re2::RE2 expression(entries_[index].pattern, PatternOptions());
      lazy.family = NameFromExamples(expression, lazy.examples, entries_[index].pattern);
    }
    std::vector<std::string>().swap(lazy.examples);
  });
  return lazy.family;
}

std::optional<std::size_t> RobotCatalog::EntryOf(std::string_view agent) const {
  std::optional<std::size_t> entry = FindEntry(agent);
  // IIS's W3C logs write the agent's spaces as "+", which patterns with a
  // space ("Dow Jones Searchbot") do not match: an agent without a space
  // that matches nothing is tried again with its "+" read as spaces.
  if (!entry && agent.find(' ') == std::string_view::npos &&
      agent.find('+') != std::string_view::npos) {
    std::string spaced(agent);
    std::replace(spaced.begin(), spaced.end(), '+', ' ');
    entry = FindEntry(spaced);
  }
  return entry;
}

std::optional<std::size_t> RobotCatalog::FindEntry(std::string_view agent) const {
  if (entries_.empty()) return std::nullopt;
  std::vector<int> hits;
  re2::RE2::Set::ErrorInfo error{};
  if (!set_->set.Match(Piece(agent), &hits, &error)) {
    if (error.kind != re2::RE2::Set::kOutOfMemory) return std::nullopt;
    hits.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (re2::RE2::PartialMatch(Piece(agent), ExpressionOf(i)))
        hits.push_back(static_cast<int>(i));
    }
    if (hits.empty()) return std::nullopt;
  }
  if (hits.size() == 1) return static_cast<std::size_t>(hits.front());

  // The order of EntryOf's comment: smaller ranks first.
  auto rank = [&](int hit) {
    const auto index = static_cast<std::size_t>(hit);
    const RobotEntry& entry = entries_[index];
    return std::tuple(!entry.fromUser, entry.tool, MatchStart(ExpressionOf(index), agent), index);
  };
  int best = hits.front();
  auto bestRank = rank(best);
  for (std::size_t i = 1; i < hits.size(); ++i) {
    auto candidate = rank(hits[i]);
    if (candidate < bestRank) {
      best = hits[i];
      bestRank = candidate;
    }
  }
  return static_cast<std::size_t>(best);
}

std::optional<RobotMatch> RobotCatalog::RobotOf(std::string_view agent) {
  const std::optional<std::size_t> index = EntryOf(agent);
  if (!index) return std::nullopt;
  return RobotMatch{FamilyOf(*index), entries_[*index].kind};
}

std::string RobotFamilyName(std::string_view matched) {
  for (std::string_view scheme : {std::string_view("https://"), std::string_view("http://")}) {
    if (matched.starts_with(scheme)) {
      matched.remove_prefix(scheme.size());
      break;
    }
  }
  const auto* const first = std::find_if(matched.begin(), matched.end(), IsAsciiAlnum);
  if (first == matched.end()) return {};
  std::string_view name(first, matched.end());
  name = name.substr(0, name.find_first_of("/;,()"));
  while (!IsAsciiAlnum(name.back())) name.remove_suffix(1);
  return std::string(name);
}

}  // namespace tlw
