#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tlw {

// Logs are bytes. Text from them is read as UTF-8 where it is valid UTF-8
// and as Windows-1252 (a superset of Latin-1 for the printable characters)
// byte by byte everywhere else, so that both today's logs and old Latin-1
// logs read right.

// Length of the valid UTF-8 sequence at the start of `text`, or 0 when
// `text` is empty or its first byte does not begin one (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF). An ASCII byte is a
// sequence of length 1.
std::size_t Utf8SequenceLength(std::string_view text);

// The character of a byte of Windows-1252. The five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give U+FFFD, the
// replacement character, so the reader sees that something was there.
char32_t Windows1252Character(unsigned char byte);

// One character read from log text: its code point and how many bytes of
// the text it took.
struct LogCharacter {
  char32_t codePoint;
  std::size_t length;
};

// The first character of the non-empty `text`: a valid UTF-8 sequence, else
// its first byte read as Windows-1252.
LogCharacter FirstLogCharacter(std::string_view text);

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// `text` cut to at most `maxBytes` bytes without splitting a valid UTF-8
// sequence: a character that would not fit whole is left out.
std::string_view CutToWholeCharacters(std::string_view text, std::size_t maxBytes);

}  // namespace tlw
