#include "report/modern_format.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "base/file_name_part.h"
#include "base/text_encoding.h"
#include "report/html_escape.h"

namespace tlw {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Whether a character of log text is a control character: C0, DEL or C1.
bool IsControl(const LogCharacter& c) {
  return c.codePoint < 0x20 || (c.codePoint >= 0x7F && c.codePoint <= 0x9F);
}

}  // namespace

std::string GroupedNumber(std::int64_t n) {
  // The magnitude as unsigned, so that the most negative number has one.
  const bool negative = n < 0;
  std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
  std::string digits;
  int inGroup = 0;
  do {
    if (inGroup == 3) {
      digits += ',';
      inGroup = 0;
    }
    digits += static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    ++inGroup;
  } while (magnitude != 0);
  if (negative) digits += '-';
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string ByteText(std::int64_t bytes) {
  if (bytes < 1000) return GroupedNumber(bytes) + " bytes";
  static constexpr std::string_view kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes) / 1000.0;
  std::size_t unit = 0;
  // 999.5 KB would print as "1000 KB": such a value moves up a unit.
  while (value >= 999.5 && unit + 1 < std::size(kUnits)) {
    value /= 1000.0;
    ++unit;
  }
  // Three significant digits: two decimals below 10, one below 100.
  const int decimals = value < 9.995 ? 2 : value < 99.95 ? 1 : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.*f ", decimals, value);
  return text + std::string(kUnits[unit]);
}

std::vector<std::int64_t> ShareTenths(std::span<const std::int64_t> parts) {
  std::vector<std::int64_t> tenths(parts.size(), 0);
  // Sums in long double: counts near the 64-bit limit must not overflow.
  long double sum = 0;
  for (const std::int64_t part : parts)
    sum += static_cast<long double>(std::max<std::int64_t>(part, 0));
  if (sum <= 0) return tenths;
  std::vector<long double> remainders(parts.size(), 0);
  std::int64_t given = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const long double exact =
        static_cast<long double>(std::max<std::int64_t>(parts[i], 0)) * 1000 / sum;
    tenths[i] = static_cast<std::int64_t>(exact);
    remainders[i] = exact - static_cast<long double>(tenths[i]);
    given += tenths[i];
  }
  std::vector<std::size_t> order(parts.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return remainders[a] > remainders[b]; });
  for (std::size_t i = 0; given < 1000 && i < order.size(); ++i, ++given) ++tenths[order[i]];
  return tenths;
}

std::string PercentText(std::int64_t tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
}

void AppendLogText(std::string& out, std::string_view text) {
  // Runs between control characters go to AppendEscaped whole.
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const LogCharacter c = FirstLogCharacter(text.substr(i));
    if (IsControl(c)) {
      AppendEscaped(out, text.substr(runStart, i - runStart));
      out += kReplacement;
      runStart = i + c.length;
    }
    i += c.length;
  }
  AppendEscaped(out, text.substr(runStart));
}

void AppendShortenedLogText(std::string& out, std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) {
    AppendLogText(out, text);
    return;
  }
  out += "<span title=\"";
  AppendLogText(out, text);
  out += "\">";
  AppendLogText(out, CutToWholeCharacters(text, maxBytes));
  out += "\xE2\x80\xA6</span>";
}

std::string PercentEncodedPath(std::string_view name) { return HexEscaped(name, '%', "-._~/"); }

}  // namespace tlw
