#include "report/section_rows.h"

#include <charconv>

namespace tlw {

std::string ColumnHeading(const ThemeColors& colors, std::string_view first,
                          std::string_view second) {
  std::string out = "<table border=0 width=\"100%\" cellspacing=0 cellpadding=0><tr><td bgcolor=#";
  out.append(colors.headerColor);
  out += " width=80%><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;";
  out.append(first);
  out += "</b></font></td><td width=\"50%\" bgcolor=#";
  out.append(colors.headerColor);
  out += "><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;";
  out.append(second);
  out += "</b></font></td></tr>\n\n";
  return out;
}

void AppendRowShade(std::string& out, std::size_t r, const ThemeColors& colors) {
  if (r % 2 == 1) out.append(" bgcolor=#").append(FixedColorsOf(colors).shade);
}

void AppendCount(std::string& out, std::int64_t count) {
  // Counts are printed whole: a table entry may pass 2^31.
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof(digits), count);
  out.append(digits, result.ptr);
}

}  // namespace tlw
