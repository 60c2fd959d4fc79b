#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "stats/audience.h"

namespace re2 {
class RE2;
}  // namespace re2

namespace tlw {

// The name of the robot pattern file installed with the programs.
inline constexpr std::string_view kRobotPatternsFileName = "crawler-user-agents.json";

// One robot of the catalog: a pattern (RE2 syntax, found anywhere in the
// agent), the family it names and what the robot is for.
struct RobotEntry {
  std::string family;  // empty: named from the examples when the entry first decides an agent
  std::string pattern;
  RobotKind kind = RobotKind::kOther;
  // An HTTP library or a browser-automation tool rather than a robot of its
  // own: robots built on one often name it beside their own name.
  bool tool = false;
  bool fromUser = false;
};

// An entry as a pattern file gives it, before its pattern is compiled.
struct RobotCandidate {
  RobotEntry entry;                   // an empty family is named from the examples
  std::vector<std::string> examples;  // agents of the robot, as the file gives them
  std::string origin;                 // "FILE: entry N (pattern "P")", for messages
  // A user's entry: a pattern RE2 rejects fails the catalog instead of
  // being left out.
  bool required = false;
};

// The robots' agents of the robot pattern file and of the user's own
// pattern file, compiled once into one set of regular expressions.
// RobotOf changes nothing, so one catalog may serve several runs on their
// threads at once.
class RobotCatalog final : public RobotLookup {
 public:
  // Compiles the candidates, in their order, into a catalog. A candidate
  // whose pattern RE2 rejects is left out with a warning naming its origin,
  // or fails the catalog when it is required; fails too, with a message
  // that begins with `setName`, when the set of all patterns cannot be
  // compiled.
  static Result<std::unique_ptr<RobotCatalog>> Compile(std::vector<RobotCandidate> candidates,
                                                       std::vector<std::string> warnings,
                                                       const std::string& setName);

  ~RobotCatalog() override;
  RobotCatalog(const RobotCatalog&) = delete;
  RobotCatalog& operator=(const RobotCatalog&) = delete;

  std::optional<RobotMatch> RobotOf(std::string_view agent) override;

  // The index of the entry that decides `agent`, or nothing for a person's.
  // Of several that match, a user's entry wins, then a robot over a tool,
  // then the match that starts first in the agent (the robot's own product
  // token usually leads, what it is built on or a URL follows), then the
  // entry that comes first (the pattern file lists specific robots first).
  // An agent of a W3C log, its spaces written as "+", is tried as it is and
  // then, when nothing matches, with spaces.
  std::optional<std::size_t> EntryOf(std::string_view agent) const;

  const std::vector<RobotEntry>& Entries() const { return entries_; }
  // Entries of the pattern file that were left out, one line each naming the
  // file, the entry and the reason.
  const std::vector<std::string>& Warnings() const { return warnings_; }

 private:
  RobotCatalog();
  std::optional<std::size_t> FindEntry(std::string_view agent) const;
  // The entry's own expression, compiled at its first use: a run needs those
  // of the few entries that share an agent with another or name a family,
  // and compiling all 1,500 at load took most of the load's time.
  const re2::RE2& ExpressionOf(std::size_t index) const;
  // The entry's family, named from its examples at its first use.
  const std::string& FamilyOf(std::size_t index) const;

  std::vector<RobotEntry> entries_;
  struct Lazy;
  std::vector<std::unique_ptr<Lazy>> lazy_;  // one per entry
  struct SetHolder;
  std::unique_ptr<SetHolder> set_;
  std::vector<std::string> warnings_;
};

// Reads the robot pattern file (`dataFile`, the JSON array of
// crawler-user-agents) and the user's pattern file (`userFile`; empty for
// none). Fails with a message naming the file (and the line of the user's
// file) when a file cannot be read, is not JSON of that shape, or a user's
// line is wrong; a pattern of the data that RE2 rejects is left out with a
// warning (Warnings()).
Result<std::unique_ptr<RobotCatalog>> LoadRobotCatalog(const std::string& dataFile,
                                                       const std::string& userFile);

// The family name of a robot from the text its pattern matched: from the
// first letter or digit (after an http:// or https:// scheme) up to the
// first "/", ";", ",", "(" or ")", without punctuation or spaces at either
// end. "Googlebot/" gives "Googlebot", "yandex.com/bots" gives "yandex.com".
std::string RobotFamilyName(std::string_view matched);

}  // namespace tlw
