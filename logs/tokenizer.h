#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tlw {

// The first `c` in [from, end), or `end`; `begin` (at or before `from`) is
// where the text starts. Most fields of a log line are a few characters
// long, where a call of memchr costs more than the search: sixteen
// characters are compared at a time inline, and the last few by a load
// that ends at `end` and reaches back into the text before `from` (never
// outside the text).
inline const char* FindByte(const char* begin, const char* from, const char* end, char c) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  const auto matches = [&](const char* at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted)));
  };
  const char* p = from;
  while (end - p >= 16) {
    if (const unsigned found = matches(p); found != 0) return p + std::countr_zero(found);
    p += 16;
  }
  if (p == end) return end;
  if (end - begin >= 16) {
    const char* last = end - 16;
    // Lanes before `p` were searched already (or lie before `from`).
    const unsigned found = matches(last) >> (p - last);
    return found != 0 ? p + std::countr_zero(found) : end;
  }
  while (p != end && *p != c) ++p;
  return p;
#else
  static_cast<void>(begin);
  const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
  return found == nullptr ? end : static_cast<const char*>(found);
#endif
}

// A set of delimiter characters (a set, not a string: "/." means either).
class DelimiterSet {
 public:
  constexpr explicit DelimiterSet(std::string_view chars)
      : single_(chars.size() == 1 ? chars[0] : '\0'), isSingle_(chars.size() == 1) {
    for (const char c : chars) {
      const auto byte = static_cast<unsigned char>(c);
      bits_[byte / 64] |= std::uint64_t{1} << (byte % 64);
    }
  }

  constexpr bool Contains(char c) const {
    const auto byte = static_cast<unsigned char>(c);
    return (bits_[byte / 64] >> (byte % 64)) & 1U;
  }
  constexpr bool IsSingle() const { return isSingle_; }
  constexpr char Single() const { return single_; }

 private:
  std::array<std::uint64_t, 4> bits_{};
  char single_ = '\0';
  bool isSingle_ = false;
};

// Cuts a line into tokens the way the log layouts are defined: each call
// first skips any delimiters of its set, then returns the text up to the
// next delimiter of that set and steps past it; runs of delimiters
// therefore never yield empty tokens. At the end of the line it returns the
// empty view. The line itself is not modified.
class Tokenizer {
 public:
  Tokenizer(const char* begin, const char* end) : begin_(begin), cursor_(begin), end_(end) {}
  explicit Tokenizer(std::string_view line) : Tokenizer(line.data(), line.data() + line.size()) {}

  std::string_view Next(const DelimiterSet& delimiters) {
    while (cursor_ != end_ && delimiters.Contains(*cursor_)) ++cursor_;
    if (cursor_ == end_) return {};
    const char* start = cursor_;
    const char* stop = FindDelimiter(delimiters);
    if (stop == end_) {
      cursor_ = end_;
    } else {
      cursor_ = stop + 1;
    }
    return {start, static_cast<std::size_t>(stop - start)};
  }

  // Next for a set of one character, the common case: the same cut, with
  // the character known where the call is inlined.
  std::string_view Next(char delimiter) {
    while (cursor_ != end_ && *cursor_ == delimiter) ++cursor_;
    if (cursor_ == end_) return {};
    const char* start = cursor_;
    const char* stop = FindByte(begin_, cursor_, end_, delimiter);
    cursor_ = stop == end_ ? end_ : stop + 1;
    return {start, static_cast<std::size_t>(stop - start)};
  }

  // Steps past the next occurrence of `c` (and everything before it);
  // returns false, at the end of the line, when there is none.
  bool SkipPast(char c) {
    const char* found = FindByte(begin_, cursor_, end_, c);
    if (found == end_) {
      cursor_ = end_;
      return false;
    }
    cursor_ = found + 1;
    return true;
  }

  // A quoted field as the NCSA layouts write it: blanks before it are
  // skipped; a field in quotes runs to its closing quote (a quote escaped
  // with a backslash, as servers write quotes inside a request or user
  // agent, does not close it) and both quotes are stepped over; an unquoted
  // field runs to the next blank. Empty view at the end of the line.
  std::string_view NextQuoted() {
    while (cursor_ != end_ && *cursor_ == ' ') ++cursor_;
    if (cursor_ == end_) return {};
    if (*cursor_ != '"') return Next(' ');
    const char* start = ++cursor_;
    const char* close = FindClosingQuote(start);
    cursor_ = close == end_ ? end_ : close + 1;
    return {start, static_cast<std::size_t>(close - start)};
  }

  // The text from the cursor to the closing quote of a field whose opening
  // quote has already been read; steps past the closing quote.
  std::string_view RestOfQuoted() {
    const char* start = cursor_;
    const char* close = FindClosingQuote(start);
    cursor_ = close == end_ ? end_ : close + 1;
    return {start, static_cast<std::size_t>(close - start)};
  }

  // The start of the unread text; used to restart or splice.
  const char* Cursor() const { return cursor_; }
  std::size_t Remaining() const { return static_cast<std::size_t>(end_ - cursor_); }
  // Steps over `count` characters (at most Remaining()) that the caller has
  // cut itself.
  void Skip(std::size_t count) { cursor_ += count; }
  bool AtEnd() const { return cursor_ == end_; }

 private:
  const char* FindDelimiter(const DelimiterSet& delimiters) const {
    if (delimiters.IsSingle()) return FindByte(begin_, cursor_, end_, delimiters.Single());
    const char* p = cursor_;
    while (p != end_ && !delimiters.Contains(*p)) ++p;
    return p;
  }

  // The first quote at or after `from` that is not escaped by an odd run of
  // backslashes, or the end of the line.
  const char* FindClosingQuote(const char* from) const {
    const char* p = from;
    while (true) {
      const char* quote = FindByte(begin_, p, end_, '"');
      if (quote == end_) return end_;
      std::size_t backslashes = 0;
      for (const char* b = quote; b != from && b[-1] == '\\'; --b) ++backslashes;
      if (backslashes % 2 == 0) return quote;
      p = quote + 1;
    }
  }

  const char* begin_;
  const char* cursor_;
  const char* end_;
};

}  // namespace tlw
