#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "logs/layout_cutters.h"
#include "logs/tokenizer.h"

namespace tlw::layout {
namespace {

constexpr DelimiterSet kDateSeparator("/.");

// The URL of a request line "METHOD URL PROTOCOL". A request of one word is
// the URL alone: HTTP/0.9 requests carry no protocol, and servers write a
// request they never received as "-".
std::string_view RequestUrl(std::string_view request) {
  Tokenizer words(request);
  const std::string_view first = words.Next(' ');
  const std::string_view second = words.Next(' ');
  return second.empty() ? first : second;
}

// Word-at-a-time tests of eight characters (lane i holds character i).
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t Repeated(char c) {
  return 0x0101010101010101ULL * static_cast<unsigned char>(c);
}
constexpr std::uint64_t Lanes(std::initializer_list<int> lanes) {
  std::uint64_t mask = 0;
  for (const int lane : lanes) mask |= std::uint64_t{0x80} << (8 * lane);
  return mask;
}
// The lanes of `word` that hold `c`, exactly: no carry crosses lanes.
std::uint64_t LanesHolding(std::uint64_t word, char c) {
  const std::uint64_t x = word ^ Repeated(c);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}
std::uint64_t Load64(const char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The timestamp as servers write it, "dd/Mon/yyyy:hh:mm:", cut at its fixed
// places; false, having read nothing, for any other shape, which the general
// cutting then takes. Where it applies it gives exactly what that cutting
// gives: every separator is where the shape puts it and no field holds one.
bool CutUsualTimestamp(Tokenizer& tokens, LogRecord& record) {
  constexpr std::size_t kShape = 18;  // "07/Mar/2004:16:05:"
  const char* p = tokens.Cursor();
  if (tokens.Remaining() < kShape) return false;
  if constexpr (std::endian::native == std::endian::little) {
    // Characters 0-7 "dd/Mon/y", 8-15 "yyy:hh:m", then "m:".
    const std::uint64_t first = Load64(p);
    const std::uint64_t second = Load64(p + 8);
    if ((LanesHolding(first, '/') | LanesHolding(first, '.')) != Lanes({2, 6}) ||
        (LanesHolding(first, ':') & Lanes({7})) != 0 ||
        LanesHolding(second, ':') != Lanes({3, 6}) || p[16] == ':' || p[17] != ':') {
      return false;
    }
  } else {
    if (p[2] != '/' || p[6] != '/' || p[11] != ':' || p[14] != ':' || p[17] != ':') return false;
    for (const int at : {0, 1, 3, 4, 5}) {
      if (kDateSeparator.Contains(p[at])) return false;
    }
    for (const int at : {7, 8, 9, 10, 12, 13, 15, 16}) {
      if (p[at] == ':') return false;
    }
  }
  record.day = {p, 2};
  record.month = {p + 3, 3};
  record.year = {p + 7, 4};
  record.hour = {p + 12, 2};
  record.minute = {p + 15, 2};
  tokens.Skip(kShape);
  return true;
}

}  // namespace

// host ident user [day/Mon/year:hh:mm:ss zone] "request" status bytes
// and, in the combined form, "referrer" "agent". The request is taken as the
// whole text between its quotes, so one without a protocol, or an empty
// one, leaves the status and bytes in place.
ParseOutcome CutNcsa(std::string_view line, LogRecord& record) {
  Tokenizer tokens(line);
  record.host = tokens.Next(' ');
  tokens.Next(' ');  // ident
  // The user keeps the blank before the bracket: an anonymous one is "- ".
  record.user = tokens.Next('[');
  if (!CutUsualTimestamp(tokens, record)) {
    record.day = tokens.Next(kDateSeparator);
    record.month = tokens.Next(kDateSeparator);
    record.year = tokens.Next(':');
    record.hour = tokens.Next(':');
    record.minute = tokens.Next(':');
  }
  tokens.Next(']');  // seconds and zone
  record.url = tokens.SkipPast('"') ? RequestUrl(tokens.RestOfQuoted()) : std::string_view();
  record.status = tokens.Next(' ');
  record.bytes = tokens.Next(' ');
  // The common form ends here and leaves both empty.
  record.referrer = tokens.NextQuoted();
  record.agent = tokens.NextQuoted();
  return ParseOutcome::Record;
}

}  // namespace tlw::layout
