#include "engine/w3c_fields.h"

#include <array>

#include "engine/tokenizer.h"

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

constexpr std::size_t kMaxMethodLength = 20;

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
    actions_.push_back(action);
    previous = name;
  }
  return hasDate;
}

bool IsW3cMethodToken(std::string_view token) {
  if ((token.size() > 0 && token[0] == 'G') || (token.size() > 1 && token[1] == 'E') ||
      (token.size() > 2 && token[2] == 'T')) {
    return true;
  }
  if (token.empty() || token.size() > kMaxMethodLength) return false;
  if (token[0] < 'A' || token[0] > 'Z') return false;
  for (const char c : token) {
    if ((c < 'A' || c > 'Z') && c != '-') return false;
  }
  return true;
}

}  // namespace tlw
