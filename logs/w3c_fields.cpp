#include "logs/w3c_fields.h"

#include <algorithm>
#include <array>

#include "logs/tokenizer.h"

namespace tlw {
namespace {

struct NamedAction {
  std::string_view name;
  W3cFieldAction action;
};

// Field names are compared exactly, case included, as IIS writes them.
// Names not listed are read past.
constexpr std::array<NamedAction, 9> kFieldActions{{
    {"date", W3cFieldAction::Date},
    {"time", W3cFieldAction::Time},
    {"c-ip", W3cFieldAction::Host},
    {"cs-username", W3cFieldAction::User},
    {"cs-uri-stem", W3cFieldAction::Url},
    {"sc-status", W3cFieldAction::Status},
    {"sc-bytes", W3cFieldAction::Bytes},
    {"cs(User-Agent)", W3cFieldAction::Agent},
    {"cs(Referer)", W3cFieldAction::Referrer},
}};

W3cFieldAction ActionOf(std::string_view name) {
  for (const NamedAction& entry : kFieldActions) {
    if (entry.name == name) return entry.action;
  }
  return W3cFieldAction::Skip;
}

// The request methods of HTTP (RFC 9110), its PATCH (RFC 5789), WebDAV
// (RFC 4918) with its extensions (versioning, RFC 3253; ordering, RFC 3648;
// access control, RFC 3744; binding, RFC 5842; calendars, RFC 4791; search,
// RFC 5323), and the two that Exchange's RPC over HTTP writes into IIS logs.
constexpr std::array<std::string_view, 36> kMethodWords{
    "GET",
    "HEAD",
    "POST",
    "PUT",
    "DELETE",
    "CONNECT",
    "OPTIONS",
    "TRACE",
    "PATCH",
    "PROPFIND",
    "PROPPATCH",
    "MKCOL",
    "COPY",
    "MOVE",
    "LOCK",
    "UNLOCK",
    "SEARCH",
    "REPORT",
    "CHECKIN",
    "CHECKOUT",
    "UNCHECKOUT",
    "UPDATE",
    "LABEL",
    "MERGE",
    "MKWORKSPACE",
    "MKACTIVITY",
    "ORDERPATCH",
    "ACL",
    "BIND",
    "UNBIND",
    "REBIND",
    "MKCALENDAR",
    "VERSION-CONTROL",
    "BASELINE-CONTROL",
    "RPC_IN_DATA",
    "RPC_OUT_DATA",
};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool W3cFieldList::Define(std::string_view directiveLine) {
  constexpr DelimiterSet kBlank(" ");
  Tokenizer tokens(directiveLine);
  tokens.Next(kBlank);  // "#Fields:"
  actions_.clear();
  bool hasDate = false;
  std::string_view previous;
  for (std::string_view name = tokens.Next(kBlank); !name.empty(); name = tokens.Next(kBlank)) {
    W3cFieldAction action = ActionOf(name);
    if (name == "date") hasDate = true;
    if (name == "cs-method" && previous == "cs-username") {
      // The user-name rule reads the method together with the user.
      actions_.back() = W3cFieldAction::UserThenMethod;
      action = W3cFieldAction::MethodAlreadyRead;
    }
    if (name == "cs-uri-stem" && previous == "cs-method" && actions_.size() >= 2 &&
        actions_[actions_.size() - 2] == W3cFieldAction::UserThenMethod) {
      actions_[actions_.size() - 2] = W3cFieldAction::UserThenRequest;
    }
    actions_.push_back(action);
    previous = name;
  }
  return hasDate;
}

bool IsW3cMethodToken(std::string_view token) {
  if ((!token.empty() && token[0] == 'G') || (token.size() > 1 && token[1] == 'E') ||
      (token.size() > 2 && token[2] == 'T')) {
    return true;
  }
  return std::find(kMethodWords.begin(), kMethodWords.end(), token) != kMethodWords.end();
}

bool IsRequestTarget(std::string_view token) {
  if (token.starts_with('/') || token == "*") return true;
  // scheme ":" as RFC 3986 section 3.1 writes it; an authority ("host:443",
  // as CONNECT has it) has the same form.
  if (token.empty() || !IsLetter(token[0])) return false;
  for (std::size_t i = 1; i < token.size(); ++i) {
    const char c = token[i];
    if (c == ':') return true;
    if (!IsLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

}  // namespace tlw
