#include "logs/layout_cutters.h"
#include "logs/tokenizer.h"

namespace tlw::layout {
namespace {

constexpr DelimiterSet kBlank(" ");
constexpr DelimiterSet kOpenBracket("[");
constexpr DelimiterSet kCloseBracket("]");
constexpr DelimiterSet kDateSeparator("/.");
constexpr DelimiterSet kColon(":");

// The URL of a request line "METHOD URL PROTOCOL". A request of one word is
// the URL alone: HTTP/0.9 requests carry no protocol, and servers write a
// request they never received as "-".
std::string_view RequestUrl(std::string_view request) {
  Tokenizer words(request);
  const std::string_view first = words.Next(kBlank);
  const std::string_view second = words.Next(kBlank);
  return second.empty() ? first : second;
}

}  // namespace

// host ident user [day/Mon/year:hh:mm:ss zone] "request" status bytes
// and, in the combined form, "referrer" "agent". The request is taken as the
// whole text between its quotes, so one without a protocol, or an empty
// one, leaves the status and bytes in place.
ParseOutcome CutNcsa(std::string_view line, LogRecord& record) {
  Tokenizer tokens(line);
  record.host = tokens.Next(kBlank);
  tokens.Next(kBlank);  // ident
  // The user keeps the blank before the bracket: an anonymous one is "- ".
  record.user = tokens.Next(kOpenBracket);
  record.day = tokens.Next(kDateSeparator);
  record.month = tokens.Next(kDateSeparator);
  record.year = tokens.Next(kColon);
  record.hour = tokens.Next(kColon);
  record.minute = tokens.Next(kColon);
  tokens.Next(kCloseBracket);  // seconds and zone
  if (tokens.SkipPast('"')) record.url = RequestUrl(tokens.RestOfQuoted());
  record.status = tokens.Next(kBlank);
  record.bytes = tokens.Next(kBlank);
  // The common form ends here and leaves both empty.
  record.referrer = tokens.NextQuoted();
  record.agent = tokens.NextQuoted();
  return ParseOutcome::Record;
}

}  // namespace tlw::layout
