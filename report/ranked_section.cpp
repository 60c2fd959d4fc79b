#include "report/ranked_section.h"

#include <algorithm>

#include "report/html_escape.h"

namespace tlw {
namespace {

std::string SectionOpening(int width, std::string_view title) {
  std::string out = "\n<table border=0 width=" + std::to_string(width) +
                    " cellspacing=1>\n<tr><td width=100% colspan=2><b><strong><font "
                    "face=\"Helvetica,Arial\" size=4>";
  out.append(title);
  out += " </font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n";
  return out;
}

void AppendRow(std::string& out, size_t r, const RankedRow& row, bool pageTitles,
               const SectionContext& context) {
  out += "<tr";
  AppendRowShade(out, r, context.colors);
  out += "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;";
  AppendEscaped(out, row.key);
  if (pageTitles && context.pageTitle) {
    const std::string fragment = context.pageTitle(row.key);
    // The fragment is markup made by the title lookup, which escapes the
    // fetched title itself.
    if (fragment.size() > 1) out += fragment;
  }
  out += "</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#";
  out.append(context.colors.valueColor);
  out += ">";
  AppendCount(out, row.count);
  out += "</font></B></td></tr>";
}

}  // namespace

int RankedRowLimit(const RankedSectionSpec& spec, int rowLimit) {
  return std::max(0, spec.fixedRowLimit > 0 ? spec.fixedRowLimit : rowLimit);
}

std::string GraphImageTag(std::string_view prefix, std::string_view graphFile,
                          std::string_view altText) {
  // The prefix is made from log text: the URL is quoted and escaped like
  // every other attribute that carries such text.
  std::string out = "\n<IMG SRC=\"./images/";
  AppendEscaped(out, prefix);
  AppendEscaped(out, graphFile);
  out += "\" ALT=\"";
  AppendEscaped(out, altText);
  out += "\">\n";
  return out;
}

std::string RankedSectionHtml(const RankedSectionSpec& spec, std::string_view graphFile,
                              const RankedRows& ranked, int rowLimit,
                              const SectionContext& context) {
  if (ranked.size() < static_cast<size_t>(spec.minEntries)) return {};
  const size_t limit = static_cast<size_t>(RankedRowLimit(spec, rowLimit));
  std::string out = "\n\n<P></P><BR>\n";
  if (context.includeGraphs && !graphFile.empty()) {
    out += GraphImageTag(context.graphFilePrefix, graphFile, spec.altText);
  }
  out += SectionOpening(spec.width, spec.title);
  const std::string heading = ColumnHeading(context.colors, spec.firstColumn, spec.secondColumn);
  out += heading;
  int breaks = 0;
  for (size_t r = 0; r < limit && r < ranked.size(); ++r) {
    if (spec.columnBreak > 0 && r > 0 && r % static_cast<size_t>(spec.columnBreak) == 0) {
      out += "</table>\n</td>";
      if (++breaks % 2 == 0) out += "</tr><tr>";
      out += "<TD vAlign=Top>\n";
      out += heading;
    }
    AppendRow(out, r, ranked[r], spec.pageTitles, context);
  }
  out += "</table>\n</td></tr></table>";
  return out;
}

std::string LeastAccessedPagesHtml(const RankedRows& ranked, int rowLimit,
                                   const SectionContext& context) {
  if (ranked.empty()) return {};
  std::string out = "\n\n<P></P><BR>\n";
  out += SectionOpening(630, "Least Accessed Pages");
  out += ColumnHeading(context.colors, "document", "views");
  const size_t n = ranked.size();
  for (size_t r = 0; static_cast<int64_t>(r) < rowLimit && r + 1 < n; ++r) {
    AppendRow(out, r, ranked[n - 1 - r], true, context);
  }
  out += "</table>\n</td></tr></table>";
  return out;
}

}  // namespace tlw
