#include "report/time_sections.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/byte_amount.h"
#include "report/html_escape.h"
#include "stats/log_numbers.h"

namespace tlw {
namespace {

constexpr std::array<std::string_view, 24> kHourLabels{
    "12:00PM - &nbsp;1:00AM",      "&nbsp;1:00AM - &nbsp;2:00AM", "&nbsp;2:00AM - &nbsp;3:00AM",
    "&nbsp;3:00AM - &nbsp;4:00AM", "&nbsp;4:00AM - &nbsp;5:00AM", "&nbsp;5:00AM - &nbsp;6:00AM",
    "&nbsp;6:00AM - &nbsp;7:00AM", "&nbsp;7:00AM - &nbsp;8:00AM", "&nbsp;8:00AM - &nbsp;9:00AM",
    "&nbsp;9:00AM - 10:00AM",      "10:00AM - 11:00AM",           "11:00AM - 12:00AM",
    "12:00AM - &nbsp;1:00PM",      "&nbsp;1:00PM - &nbsp;2:00PM", "&nbsp;2:00PM - &nbsp;3:00PM",
    "&nbsp;3:00PM - &nbsp;4:00PM", "&nbsp;4:00PM - &nbsp;5:00PM", "&nbsp;5:00PM - &nbsp;6:00PM",
    "&nbsp;6:00PM - &nbsp;7:00PM", "&nbsp;7:00PM - &nbsp;8:00PM", "&nbsp;8:00PM - &nbsp;9:00PM",
    "&nbsp;9:00PM - 10:00PM",      "10:00PM - 11:00PM",           "11:00PM - 12:00PM",
};

constexpr std::array<std::string_view, 12> kMonthAbbreviations{
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> kMonthLabels{
    "January ", "February ", "March ",     "April ",   "May ",      "June ",
    "July ",    "August ",   "September ", "October ", "November ", "December "};

std::string TableOpening(std::string_view attributes, std::string_view title) {
  std::string out = "\n<P></P>\n<table border=0 ";
  out.append(attributes);
  out += ">\n<tr><td width=100% colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>";
  out.append(title);
  out += " </font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n";
  return out;
}

void AppendValue(std::string& out, const ThemeColors& colors, std::int64_t count) {
  out += "</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#";
  out.append(colors.valueColor);
  out += ">";
  AppendCount(out, count);
  out += "</font></B></td></tr>";
}

std::string Share(double part, double whole) {
  char text[32];
  std::snprintf(text, sizeof(text), "%2.1f", whole > 0 ? 100.0 * part / whole : 0.0);
  return text;
}

}  // namespace

std::string_view HourLabel(std::string_view key) {
  const std::int64_t hour = ReadLogNumber(key);
  if (hour == 24) return kHourLabels[0];
  if (hour < 0 || hour > 23) return {};
  return kHourLabels[static_cast<size_t>(hour)];
}

std::string MonthLabel(std::string_view monthKey) {
  // Some layouts keep the month's leading blank (" 3 01" for March 2001):
  // the year is the part after the month, not after that blank.
  std::string_view key = monthKey;
  key.remove_prefix(std::min(key.find_first_not_of(' '), key.size()));
  const size_t blank = key.find(' ');
  std::string_view year;
  if (blank != std::string_view::npos) {
    year = key.substr(blank + 1);
    year = year.substr(0, year.find(' '));
  }
  const std::int64_t number = ReadLogNumber(key);
  for (size_t m = 0; m < 12; ++m) {
    if (number == static_cast<std::int64_t>(m) + 1 ||
        key.find(kMonthAbbreviations[m]) != std::string_view::npos) {
      std::string label(kMonthLabels[m]);
      label.append(year);
      return label;
    }
  }
  return std::string(monthKey);
}

std::string HoursHtml(const RankedRows& ranked, const ThemeColors& colors) {
  std::string out = TableOpening("width=620 cellspacing=1", "Hours");
  const std::string heading = ColumnHeading(colors, "time period", "hits");
  out += heading;
  std::string_view label;
  for (size_t r = 0; r < ranked.size(); ++r) {
    if (r > 0 && r % 12 == 0) out += "</table>\n</td><TD vAlign=Top>\n" + heading;
    // A key outside 0 to 24 repeats the label of the row before it.
    const std::string_view own = HourLabel(ranked[r].key);
    const std::int64_t hour = ReadLogNumber(ranked[r].key);
    if (hour >= 0 && hour <= 24) label = own;
    out += "<tr";
    AppendRowShade(out, r, colors);
    out += "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
    out.append(label);
    AppendValue(out, colors, ranked[r].count);
    out += "\n";
  }
  out += "</table>\n</td></tr></table>";
  return out;
}

std::string DaysOfWeekHtml(const RankedRows& ranked, const ThemeColors& colors) {
  std::string out = TableOpening("width=400 cellspacing=2 cellpadding=2", "Days of the Week");
  out += ColumnHeading(colors, "day", "hits");
  std::int64_t weekend = 0;
  std::int64_t weekdays = 0;
  for (size_t r = 0; r < ranked.size(); ++r) {
    out += "<tr bordercolor=#FFFFFF";
    AppendRowShade(out, r, colors);
    out += "><td width=60%><font face=\"Helvetica,Arial\" size=3><B>&nbsp;";
    AppendEscaped(out, ranked[r].key);
    AppendValue(out, colors, ranked[r].count);
    const bool isWeekend = ranked[r].key.find("Sun") != std::string_view::npos ||
                           ranked[r].key.find("Sat") != std::string_view::npos;
    (isWeekend ? weekend : weekdays) += ranked[r].count;
  }
  // With no weekday counts at all both shares read 0.0 instead of a
  // division of 0 by 0.
  const double whole = static_cast<double>(weekend) + static_cast<double>(weekdays);
  out += "<TR><td colspan=2><font face=\"Helvetica,Arial\" size=2 color=#";
  out.append(colors.valueColor);
  out += "><div align=right><I>Weekend (" + Share(static_cast<double>(weekend), whole) +
         "%), Weekdays (" + Share(static_cast<double>(weekdays), whole) + "%)</div></I></td></TR>";
  out += "</table>\n</td></tr></table>";
  return out;
}

std::string MonthsHtml(const RankedRows& ranked, const ThemeColors& colors) {
  std::string out = TableOpening("width=400 cellspacing=2 cellpadding=2", "Months");
  out += ColumnHeading(colors, "month", "hits");
  for (size_t r = 0; r < ranked.size(); ++r) {
    out += "<tr";
    AppendRowShade(out, r, colors);
    out +=
        "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;<font "
        "face=\"Helvetica,Arial\" size=3><B>";
    AppendEscaped(out, MonthLabel(ranked[r].key));
    out += "</B></font></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#";
    out.append(colors.valueColor);
    out += ">";
    AppendCount(out, ranked[r].count);
    out += "</font></B></td></tr>\n";
  }
  out += "</table>\n</td></tr></table>";
  return out;
}

std::string DailyActivityHtml(const std::vector<DayActivity>& days, const ThemeColors& colors) {
  std::string heading =
      "<table border=0 cellPadding=0 cellSpacing=0 width=310>\n<tbody><tr bgColor=#";
  heading.append(colors.headerColor);
  heading +=
      " colspan=5>\n\n<td align=left height=2 vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;date</b></font></td><td align=left height=2 vAlign=center><font "
      "color=#ffffff size=1 face=\"Arial\"><b>&nbsp;webpage hits</b></font></td>\n<td align=left "
      "height=2 vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;unique</b></font></"
      "td>\n<td align=left height=2 vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;bandwidth</b></font></td></tr>\n\n";
  std::string out =
      "\n\n<P></P><BR>\n\n<table border=0 width=625>\n<tr><td width=50% colspan=2><b><strong><font "
      "face=\"Helvetica,Arial\" size=4>Daily Visitor "
      "Activity</font></strong></b></td>\n</tr>\n<tr>\n<td width=50%>";
  out += heading;
  int breaks = 0;
  for (size_t w = 0; w < days.size(); ++w) {
    if (w > 0 && w % 40 == 0) {
      out += "</tbody>\n</table>\n";
      out += ++breaks % 2 == 1 ? "</td><td width=50% vAlign=Top>" : "</td></tr><tr><td vAlign=Top>";
      out += heading;
    }
    // Shading follows the position in the newest-first order.
    const size_t p = days.size() - 1 - w;
    out += "<tr";
    AppendRowShade(out, p, colors);
    out += ">\n<td><font size=2 face=\"Arial\"><b>\xC2\xB7 ";  // U+00B7, a middle dot
    AppendEscaped(out, days[w].key);
    out += "</b></font></td>\n<td><font size=2 face=\"Arial\">&nbsp;";
    AppendCount(out, days[w].hits);
    out += "</font></td>\n<td><font size=2 face=\"Arial\">&nbsp;";
    AppendCount(out, days[w].newVisitors);
    out += "</font></td><td><font size=2 face=\"Arial\">&nbsp;";
    out += ByteAmountText(static_cast<std::uint64_t>(days[w].bytes < 0 ? 0 : days[w].bytes));
    out += "</font></td>";
  }
  out += "\n      </tr></tbody>\n</table>\n\n </td></tr></table>\n";
  return out;
}

}  // namespace tlw
