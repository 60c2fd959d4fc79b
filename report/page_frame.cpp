#include "report/page_frame.h"

#include "base/byte_amount.h"
#include "report/frame_text.h"
#include "report/html_escape.h"

namespace tlw {

std::string PageHead(const FrameFacts& facts, const ThemeColors& colors) {
  const std::string from = HtmlEscape(facts.periodStart);
  const std::string to = HtmlEscape(facts.periodEnd);
  const std::string host = HtmlEscape(DisplayHost(facts.siteUrl));
  const FixedColors fixed = FixedColorsOf(colors);
  std::string out;
  out.reserve(4096);
  out +=
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=utf-8\">\n<meta name=\"GENERATOR\" content=\"Tallowick "
      "1.0\">\n\n<title>Website "
      "Visitor Traffic Statistics: ";
  out += from + " to " + to + " [" + host;
  out +=
      "]</title>\n <meta name=\"GENERATOR\" content=\"Tallowick 1.0\">\n <META NAME=DESCRIPTION "
      "CONTENT=\"Website Statistics\">\n</head>\n<body bgcolor=#";
  out.append(colors.backgroundColor).append(" text=#").append(colors.textColor);
  out += " MARGINWIDTH=1 MARGINHEIGHT=1 topmargin=1 leftmargin=1 vlink=#";
  out.append(colors.visitedLinkColor).append(" link=#").append(colors.headerColor).append(">\n\n");
  out +=
      "<table cellpadding=0 cellspacing=0 border=0 width=471 height=112>\n<tr><td align=left "
      "width=469 height=91>\n";
  out +=
      "<table width=624 cellspacing=0 cellpadding=0 border=0 height=94><tr><td width=446 "
      "height=94 valign=top><table width=450 cellspacing=0 cellpadding=0 border=0><tr><td "
      "height=39><font face=\"Helvetica,Arial\"><b><big>&nbsp;</big><font size=4>Website Visitor "
      "Traffic and Usage Statistics</font></b></font></td></tr>\n";
  out += "<tr><td height=21>&nbsp;" + DashRule(49) +
         "</td></tr><tr><td valign=top width=450><b><font face=\"Helvetica,Arial\" "
         "size=4><br>&nbsp;<a href=\"";
  // The site URL is the user's, but a link that runs script is never written.
  out += HtmlEscape(IsSafeLinkTarget(facts.siteUrl) ? std::string_view(facts.siteUrl) : "#") +
         "\">" + host;
  out += "</a></font></b></td></tr></table></td><td bgcolor=#";
  out.append(fixed.divider);
  out +=
      " width=2 height=94>|</td><td width=163 height=94 valign=top><table width=163  "
      "cellspacing=0 cellpadding=0 border=0><tr><td align=right bgcolor=#";
  out.append(fixed.shade);
  out +=
      "><i><b><font face=\"Arial\" size=2>Report Period "
      "&nbsp;</font></b></i></td></tr><tr><td><font "
      "color=#";
  out.append(colors.ruleColor).append(">") += DashRule(20) + "</font></td></tr><tr><td>";
  out += "<p align=left><font face=\"Helvetica,Arial\" size=2>&nbsp;From<b> " + from +
         "</b><br>&nbsp;To<b> " + to + "</b></font></p></td></tr><tr><td>&nbsp;" + DashRule(17) +
         "</td></tr><tr><td><p align=left>&nbsp;<b><font face=\"Arial\" size=2>";
  out += DurationText(PeriodSeconds(facts.periodStart, facts.periodEnd));
  out += "</font></td></tr></table></td></tr></table></td></tr>";
  out += "<TR><TD height=21><font color=#";
  out.append(colors.ruleColor).append(">") += DashRule(78) + "</font></TD></TR></table>";
  return out;
}

std::string SummaryBlock(const FrameFacts& facts, const ThemeColors& colors) {
  const FixedColors fixed = FixedColorsOf(colors);
  constexpr std::string_view kValue = "<td align=left><B><font face=\"Arial\" size=2>";
  const auto number = [](std::int64_t value) { return std::to_string(value); };
  std::string out;
  out.reserve(3072);
  out += "<table border=0 width=625 cellspacing=0>\n<tr>\n<th width=618 colspan=2 bgcolor=#";
  out.append(fixed.shade);
  out +=
      "><b><strong><font face=\"Helvetica,Arial\" size=2>&nbsp;</font><font "
      "face=\"Helvetica,Arial\" size=4>Summary</font></strong></b></th></tr>\n<tr><td "
      "width=50%>\n<table border=0 width=100%><tr>\n\n";
  out += "<td><font face=\"Arial\" size=2><b>&nbsp;Unique Visitors</b></font></td>";
  out.append(kValue) += number(facts.uniqueHosts);
  out +=
      "</B></td></tr>\n<tr><td><font face=\"Arial\" size=2><b>&nbsp;Homepage Hits</b></font></td>";
  out.append(kValue) += number(facts.homepageHits);
  out +=
      "</B></td></tr><tr><td><font face=\"Arial\" size=2><b>&nbsp;Total Webpage "
      "Hits</b></font></td>";
  out.append(kValue) += number(facts.successfulRequests);
  out +=
      "</B></td></tr><tr><td><font face=\"Arial\" size=2><b>&nbsp;Bytes "
      "Transferred</b></font></td>";
  out.append(kValue) += ByteAmountText(static_cast<std::uint64_t>(facts.totalBytes));
  out +=
      "</B></td></tr><tr>\n<td><font face=\"Arial\" size=2><b>&nbsp;Most Popular "
      "Day</b></font></td>";
  out.append(kValue) += HtmlEscape(facts.busiestDay);
  out +=
      "</B></td></tr></table>\n</td>\n<td width=50%>\n<table border=0 "
      "width=100%><tr><td><b><font face=\"Arial\" size=2><B><font face=\"Arial\" size=2>";
  out +=
      "Average Homepage Hits </font><font face=\"Arial\" size=1>per day</font></b></td><td "
      "align=left><B><font face=\"Arial\" size=2>";
  out += number(PerDay(facts.homepageHits, facts.dayCount));
  out += "</B></td></tr><tr><td><b><font face=\"Arial\" size=2>";
  out +=
      "Average Webpage Views </font><font face=\"Arial\" size=1>per day</font></b></td><td "
      "align=left><B><font face=\"Arial\" size=2>";
  out += number(PerDay(facts.successfulRequests, facts.dayCount));
  out +=
      "</B></td></tr><tr><td width=90%><b><font face=\"Arial\" size=2>Average Unique "
      "Visitors</font><font face=\"Arial\" size=1> per day</font></b></td><td width=40% "
      "align=left><B><font face=\"Arial\" size=2>";
  out += number(PerDay(facts.uniqueHosts, facts.dayCount));
  if (facts.countryCount > 2) {
    out +=
        "</B></td></tr>\n<tr><td ><font face=\"Arial\" size=2><b>Total "
        "Domains</b></font></td><td align=left><B><font face=\"Arial\" size=2>";
    out += number(facts.domainCount);
    out +=
        "</B></td></tr><tr><td width=90%><font face=\"Arial\" size=2><b>Total "
        "Countries</b></font></td>\n<td width=40% align=left><B><font face=\"Arial\" size=2>";
    out += number(facts.countryCount);
  }
  out += "</td>\n        </tr></table></td></tr></table>\n";
  return out;
}

std::string PageFooter(std::time_t now, const ThemeColors& colors) {
  std::string out =
      " <tr><td width=100%><BR>\n\n\n<hr noshade size=1 color=#C0C0C0><center><small>\n\n<font "
      "face=\"Helvetica,Arial\" size=1><B>Report generated on [<font color=#";
  out.append(FixedColorsOf(colors).generationTime).append("> ");
  out += GenerationTimeText(now);
  out +=
      "</font> ]</B><BR><SMALL>Tallowick Web Statistics v1.00</SMALL>\n</td></tr>\n\n  "
      "</TABLE>\n\n";
  return out;
}

}  // namespace tlw
