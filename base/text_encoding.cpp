#include "base/text_encoding.h"

#include <array>

namespace tlw {
namespace {

// Characters of the bytes 0x80 to 0x9F in Windows-1252 (U+FFFD for the
// five it leaves undefined); from 0xA0 up the byte is its own code point,
// as in Latin-1.
// clang-format off
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,  // 88
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,  // 98
};
// clang-format on

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

char32_t Windows1252Character(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kWindows1252High[byte - 0x80];
  return byte;
}

LogCharacter FirstLogCharacter(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text.front());
  const std::size_t length = Utf8SequenceLength(text);
  if (length == 0) return {Windows1252Character(lead), 1};
  if (length == 1) return {lead, 1};
  // The lead byte keeps 5, 4 or 3 bits for sequences of 2, 3 or 4 bytes.
  char32_t codePoint = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
  }
  return {codePoint, length};
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  const auto put = [&](char32_t bits) { out += static_cast<char>(bits); };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0 | (codePoint >> 6));
    put(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    put(0xE0 | (codePoint >> 12));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  } else {
    put(0xF0 | (codePoint >> 18));
    put(0x80 | ((codePoint >> 12) & 0x3F));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  }
}

std::string_view CutToWholeCharacters(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // A sequence that the cut would split starts at most 3 bytes before it.
  for (std::size_t back = 1; back <= 3 && back <= maxBytes; ++back) {
    const std::size_t start = maxBytes - back;
    const auto byte = static_cast<unsigned char>(text[start]);
    if (byte < 0x80) break;
    if (byte >= 0xC0) {
      if (Utf8SequenceLength(text.substr(start)) > back) return text.substr(0, start);
      break;
    }
  }
  return text.substr(0, maxBytes);
}

}  // namespace tlw
