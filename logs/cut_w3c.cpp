#include <cstring>

#include "logs/layout_cutters.h"
#include "logs/tokenizer.h"

namespace tlw::layout {
namespace {

constexpr char kBlank = ' ';
constexpr char kDash = '-';
constexpr DelimiterSet kDashDot("-.");
constexpr DelimiterSet kTimeSeparator(":.");

// Reads the user name and the method after it. The word after the first
// word of the user name is the method when it names one and, where the
// URL field follows the method, a request target follows it. Any other
// word ("SMITH" of "JOHN SMITH", or "GREEN" before "GET /") is the second
// word of a user name with a blank: it is joined to the first in place (no
// separator) and the method follows it.
void CutUserThenMethod(std::span<char> line, Tokenizer& tokens, LogRecord& record,
                       bool targetFollows) {
  record.user = tokens.Next(kBlank);
  const std::string_view next = tokens.Next(kBlank);
  if (next.empty()) return;
  if (IsW3cMethodToken(next)) {
    Tokenizer ahead = tokens;
    if (!targetFollows || IsRequestTarget(ahead.Next(kBlank))) return;
  }
  char* userEnd = line.data() + (record.user.data() - line.data()) + record.user.size();
  std::memmove(userEnd, next.data(), next.size());
  record.user = std::string_view(record.user.data(), record.user.size() + next.size());
  tokens.Next(kBlank);  // the method
}

}  // namespace

// Directive lines start with "#"; every field directive ("#Fi...")
// redefines the field list for the lines after it, as IIS writes a new one
// after each restart. Data lines are cut by the field list.
ParseOutcome CutW3cExtended(std::span<char> line, W3cFieldList& fields, LogRecord& record) {
  const std::string_view text(line.data(), line.size());
  if (text.starts_with("#")) {
    if (text.starts_with("#Fi") && !fields.Define(text)) return ParseOutcome::MissingDateField;
    return ParseOutcome::Skipped;
  }
  Tokenizer tokens(text);
  for (const W3cFieldAction action : fields.Actions()) {
    switch (action) {
      case W3cFieldAction::Date: {
        Tokenizer date(tokens.Next(kBlank));
        record.year = date.Next(kDash);
        record.month = date.Next(kDashDot);
        record.day = date.Next(kBlank);
        break;
      }
      case W3cFieldAction::Time: {
        Tokenizer time(tokens.Next(kBlank));
        record.hour = time.Next(kTimeSeparator);
        record.minute = time.Next(kTimeSeparator);
        break;
      }
      case W3cFieldAction::Host:
        record.host = tokens.Next(kBlank);
        break;
      case W3cFieldAction::User:
        record.user = tokens.Next(kBlank);
        break;
      case W3cFieldAction::UserThenMethod:
        CutUserThenMethod(line, tokens, record, false);
        break;
      case W3cFieldAction::UserThenRequest:
        CutUserThenMethod(line, tokens, record, true);
        break;
      case W3cFieldAction::MethodAlreadyRead:
        break;
      case W3cFieldAction::Url:
        record.url = tokens.Next(kBlank);
        break;
      case W3cFieldAction::Status:
        record.status = tokens.Next(kBlank);
        break;
      case W3cFieldAction::Bytes:
        record.bytes = tokens.Next(kBlank);
        break;
      case W3cFieldAction::Agent:
        record.agent = tokens.Next(kBlank);
        break;
      case W3cFieldAction::Referrer:
        record.referrer = tokens.Next(kBlank);
        break;
      case W3cFieldAction::Skip:
        tokens.Next(kBlank);
        break;
    }
  }
  return ParseOutcome::Record;
}

}  // namespace tlw::layout
