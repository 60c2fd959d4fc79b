#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tlw {

// What the W3C cutting does for one field of the field directive. Names are
// resolved once per directive, so a data line costs one switch per field.
enum class W3cFieldAction : std::uint8_t {
  Date,               // year-month-day into `year`, `month`, `day`
  Time,               // hh:mm:ss into `hour`, `minute`
  Host,               // c-ip
  User,               // cs-username
  UserThenMethod,     // cs-username directly before cs-method: the user-name rule
  UserThenRequest,    // the same, with cs-uri-stem after cs-method: the method
                      // must also be followed by a request target
  MethodAlreadyRead,  // cs-method after cs-username: the user-name rule read it
  Url,                // cs-uri-stem
  Status,             // sc-status
  Bytes,              // sc-bytes
  Agent,              // cs(User-Agent)
  Referrer,           // cs(Referer)
  Skip,               // any other field: one token read past
};

// The field list of the most recent W3C field directive of a run.
class W3cFieldList {
 public:
  // Replaces the list with the fields named by `directiveLine` ("#Fields:"
  // and the names, cut at blanks; the first token is the directive itself).
  // Returns false when no field is named "date": such a log cannot be
  // dated and the run ends.
  bool Define(std::string_view directiveLine);

  bool empty() const { return actions_.empty(); }
  const std::vector<W3cFieldAction>& Actions() const { return actions_; }
  // The list a directive of an earlier run defined, for a run that goes on
  // reading the same log.
  void Restore(std::vector<W3cFieldAction> actions) { actions_ = std::move(actions); }

 private:
  std::vector<W3cFieldAction> actions_;
};

// Whether `token` names a request method: the old rule (first letter "G",
// second "E" or third "T") or a method word of HTTP or WebDAV, such as POST
// or PROPFIND. Method names are case-sensitive.
bool IsW3cMethodToken(std::string_view token);

// Whether `token` is a request target: a path ("/..."), "*", or a URL or
// authority that starts with a scheme and ":".
bool IsRequestTarget(std::string_view token);

}  // namespace tlw
