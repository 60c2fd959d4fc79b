#include "report/special_sections.h"

#include <cstdio>

#include "base/text_encoding.h"
#include "report/html_escape.h"
#include "report/special_tables.h"

namespace tlw {
namespace {

constexpr std::string_view kSeparator = "\n\n<P></P><BR>\n";
constexpr std::string_view kClose = "</table>\n</td></tr></table>";

// "\n<table border=0 width=<widthAndSpacing>\n<tr>...<title></font>...".
std::string Opening(std::string_view widthAndSpacing, std::string_view title,
                    std::string_view cellStart = "<tr><td width=50% vAlign=Top>\n") {
  std::string out = "\n<table border=0 width=";
  out.append(widthAndSpacing);
  out += "\n<tr><td width=100% colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>";
  out.append(title);
  out += "</font></strong></b></td></tr>\n";
  out.append(cellStart);
  return out;
}

void AppendGraphTag(std::string& out, const SectionContext& context, std::string_view file,
                    std::string_view alt) {
  if (context.includeGraphs && !file.empty()) {
    out += GraphImageTag(context.graphFilePrefix, file, alt);
  }
}

// The count cell that ends most rows.
void AppendCountCell(std::string& out, const SectionContext& context, std::int64_t count) {
  out += "</td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#";
  out.append(context.colors.valueColor);
  out += ">";
  AppendCount(out, count);
  out += "</font></B></td></tr>";
}

void AppendShading(std::string& out, size_t r, const SectionContext& context) {
  out += "<tr";
  AppendRowShade(out, r, context.colors);
}

std::string Share(std::int64_t part, std::int64_t whole) {
  char text[32];
  std::snprintf(text, sizeof(text), "%3.1f%%",
                whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

size_t Limit(int rowLimit, size_t entries) {
  return rowLimit < 0 ? 0 : std::min(static_cast<size_t>(rowLimit), entries);
}

// Rows of the browser and system tables: the key cell closes the font but
// not the bold.
void AppendShareRows(std::string& out, const RankedRows& ranked, size_t limit,
                     const SectionContext& context) {
  for (size_t r = 0; r < limit; ++r) {
    AppendShading(out, r, context);
    out += "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
    AppendEscaped(out, ranked[r].key);
    out += "</font>";
    AppendCountCell(out, context, ranked[r].count);
  }
}

}  // namespace

std::string FileTypesHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                          const SectionContext& context) {
  if (ranked.size() < 2) return {};
  const std::string_view header = context.colors.headerColor;
  std::string out(kSeparator);
  AppendGraphTag(out, context, graphFile, "File Types Graph");
  out += Opening("500 cellspacing=1>", "File Types ", "<tr><td vAlign=Top>\n");
  out += "<table border=0 cellspacing=0 cellpadding=0><tr><td bgcolor=#";
  out.append(header);
  out +=
      "><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;file extension</b></font></td><td "
      "bgcolor=#";
  out.append(header);
  out += "><font face=\"Arial\" size=1 color=#FFFFFF><b>type</B></TD><td bgcolor=#";
  out.append(header);
  out += "><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;downloads</b></font></td></tr>\n\n";
  for (size_t r = 0; r < Limit(rowLimit, ranked.size()); ++r) {
    AppendShading(out, r, context);
    out += "><td width=130><font face=\"Helvetica,Arial\" size=3><B>&nbsp;";
    AppendEscaped(out, ranked[r].key);
    out += "</B></FONT></TD><TD width=300><font face=\"Helvetica,Arial\" color=#808080 size=1>";
    out.append(FileTypeDescription(ranked[r].key));
    out += "</font>";
    AppendCountCell(out, context, ranked[r].count);
  }
  out.append(kClose);
  return out;
}

std::string BrowsersHtml(const RankedRows& browsers, const RankedRows& platforms, int rowLimit,
                         std::string_view graphFile, const SectionContext& context) {
  if (browsers.size() < 2) return {};
  std::string out(kSeparator);
  AppendGraphTag(out, context, graphFile, "Web Browser Graph");
  out += Opening("400 cellspacing=1>", "Web Browsers ");
  out += ColumnHeading(context.colors, "client browser type", "hits");
  AppendShareRows(out, browsers, Limit(rowLimit, browsers.size()), context);
  std::int64_t ie = 0, netscape = 0, other = 0;
  for (const RankedRow& row : browsers) {
    if (Contains(row.key, "Internet Explorer")) {
      ie += row.count;
    } else if (Contains(row.key, "Netscape")) {
      netscape += row.count;
    } else {
      other += row.count;
    }
  }
  const std::int64_t browserTotal = ie + netscape + other;
  out +=
      "<tr><td colspan=2><div align=right><I><font color=#808080 size=2 face=\"Arial\">Microsoft "
      "IE (" +
      Share(ie, browserTotal) + "), Netscape (" + Share(netscape, browserTotal) + "), Other (" +
      Share(other, browserTotal) + ")</font></I></div></td></tr>";
  out.append(kClose);

  if (platforms.size() >= 2) {
    out.append(kSeparator);
    out += Opening("400 cellspacing=1>", "Operating Systems ");
    out += ColumnHeading(context.colors, "system type", "hits");
    AppendShareRows(out, platforms, platforms.size(), context);
    std::int64_t windows = 0, mac = 0, unix = 0, rest = 0;
    for (const RankedRow& row : platforms) {
      if (Contains(row.key, "Win")) {
        windows += row.count;
      } else if (Contains(row.key, "Mac")) {
        mac += row.count;
      } else if (Contains(row.key, "Solaris") || Contains(row.key, "Linux") ||
                 Contains(row.key, "X11") || Contains(row.key, "UNIX") ||
                 Contains(row.key, "SunOS")) {
        unix += row.count;
      } else {
        rest += row.count;
      }
    }
    const std::int64_t total = windows + mac + unix + rest;
    out +=
        "<tr><td colspan=2><div align=right><I><font color=#808080 size=2 "
        "face=\"Arial\">Windows (" +
        Share(windows, total) + "), Macintosh (" + Share(mac, total) + "),<BR>UNIX (" +
        Share(unix, total) + "), Other (" + Share(rest, total) + ")</font></I></div></td></tr>";
    out.append(kClose);
  }
  return out;
}

std::string StatusCodesHtml(const RankedRows& ranked, const SectionContext& context) {
  if (ranked.size() < 2) return {};
  std::string out(kSeparator);
  out += Opening("380 cellspacing=0>", "Server Status Codes");
  out += ColumnHeading(context.colors, "server response to client browser", "requests");
  for (size_t r = 0; r < ranked.size(); ++r) {
    AppendShading(out, r, context);
    out += "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
    out.append(StatusFontTag(ranked[r].key));
    AppendEscaped(out, ranked[r].key);
    out.append(StatusText(ranked[r].key));
    out += "</font></B>";
    AppendCountCell(out, context, ranked[r].count);
  }
  out.append(kClose);
  return out;
}

std::string ReferrerLink(std::string_view key) {
  if (!IsLinkableUrl(key)) return HtmlEscape(key);
  const size_t scheme = key.starts_with("https://") ? 8 : 7;
  std::string out = "<A HREF=\"";
  AppendEscaped(out, key);
  out += "\" target=\"_blank\">";
  AppendEscaped(out, CutToWholeCharacters(key.substr(scheme), 70));
  if (key.size() > 70) out += "...";
  out += "</A>";
  return out;
}

std::string ReferringSitesHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                               const SectionContext& context) {
  if (ranked.size() < 2) return {};
  std::string out(kSeparator);
  AppendGraphTag(out, context, graphFile, "Referer URL Graph");
  out += Opening("620 cellspacing=0>", "Referring Sites");
  out += ColumnHeading(context.colors, "website URL", "clicks");
  for (size_t r = 0; r < Limit(rowLimit, ranked.size()); ++r) {
    AppendShading(out, r, context);
    out += "><td width=90%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
    out += ReferrerLink(ranked[r].key);
    out += "</font></B>";
    AppendCountCell(out, context, ranked[r].count);
  }
  out.append(kClose);
  return out;
}

std::string ClickPathText(std::string_view key) {
  if (key.find('!') == std::string_view::npos) return HtmlEscape(key);
  key = CutToWholeCharacters(key, 30000);
  size_t end = key.find('!');
  std::string out = HtmlEscape(key.substr(0, end));
  for (int further = 0; further < 10 && end != std::string_view::npos; ++further) {
    const size_t start = end + 1;
    end = key.find('!', start);
    std::string_view name = key.substr(start, end == std::string_view::npos ? end : end - start);
    if (name.empty()) continue;
    out += " <BR>&nbsp;";
    AppendEscaped(out, CutToWholeCharacters(name, 60));
    if (name.size() > 60) out += "...";
  }
  return out;
}

std::string ClickPathsHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                           const SectionContext& context) {
  if (ranked.empty()) return {};
  std::string out(kSeparator);
  AppendGraphTag(out, context, graphFile, "Web Accessed Webpages Graph");
  out += Opening("505 cellspacing=1>", "Click Paths Through Site ");
  out += ColumnHeading(context.colors, "document", "views");
  for (size_t r = 0; r < Limit(rowLimit, ranked.size()); ++r) {
    AppendShading(out, r, context);
    out += "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
    out += ClickPathText(ranked[r].key);
    out += "</font></B>";
    AppendCountCell(out, context, ranked[r].count);
  }
  out.append(kClose);
  return out;
}

std::string LastVisitorsHtml(const std::vector<std::string>& lastVisitors, int topLastVisitors,
                             const SectionContext& context) {
  std::string out =
      "\n\n<P></P><BR>\n<table border=0 width=630 cellspacing=1>\n<tr><td width=100% "
      "colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>Last " +
      std::to_string(topLastVisitors) +
      " Visitors</font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n";
  const std::string heading = ColumnHeading(context.colors, "computer name", "accesstime");
  out += heading;
  int breaks = 0;
  for (size_t j = 0; j < Limit(topLastVisitors, lastVisitors.size()); ++j) {
    if (j > 0 && j % 50 == 0) {
      out += "</table>\n</td>";
      if (++breaks % 2 == 0) out += "</tr><tr>";
      out += "<TD vAlign=Top>\n" + heading;
    }
    const std::string_view text = lastVisitors[j];
    const size_t open = text.find('[');
    const std::string_view host = text.substr(0, open);
    std::string_view time;
    if (open != std::string_view::npos) {
      time = text.substr(open + 1);
      time = time.substr(0, time.find(']'));
    }
    AppendShading(out, j, context);
    out += "><td align=left width=80%><font face=\"Helvetica,Arial\" size=1>";
    AppendEscaped(out, host);
    out += "</font></td><td width=\"50%\"><font face=\"Helvetica,Arial\" size=1>";
    AppendEscaped(out, time);
    out += "</font></td>\n</tr>\n";
  }
  out.append(kClose);
  return out;
}

}  // namespace tlw
