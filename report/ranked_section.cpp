#include "report/ranked_section.h"

#include <array>

#include "report/html_escape.h"

namespace tlw {
namespace {

constexpr std::array<RankedSectionSpec, 11> kRankedSections{{
    {3, "hostnames", 0, 630, "Hostnames", "computer name", "hits", 40, "tlwgraph_hostnames.gif",
     "Hostnames Graph", 0, false},
    {8, "dirs", 2, 630, "Directories", "directory", "hits", 10, "tlwgraph_dirs.gif",
     "Directories Graph", 0, false},
    {4, "domains", 3, 630, "Domains", "domain name", "hits", 40, "tlwgraph_domains.gif",
     "Domains / Organizations Graph", 0, false},
    {5, "countries", 2, 620, "Countries", "computer name", "hits", 60, "tlwgraph_countries.gif",
     "Countries Graph", 0, false},
    {6, "fileRequests", 2, 630, "File Requests", "filename", "downloads", 30,
     "tlwgraph_filereq.gif", "File Requests Graph", 0, false},
    {11, "webPages", 1, 630, "Most Accessed Pages", "document", "views", 0, "tlwgraph_webpages.gif",
     "Most Accessed Webpages Graph", 0, true},
    {13, "entryPages", 2, 500, "Top Entry Pages", "document", "exits", 0,
     "tlwgraph_topentrypages.gif", "Top Extry Pages Graph", 0, false},
    {14, "exitPages", 2, 500, "Top Exit Pages", "document", "exits", 0, "tlwgraph_topexitpages.gif",
     "Top Exiting Pages Graph", 0, false},
    {17, "keywords", 2, 400, "Search Engine Keywords", "keyword / search phrase", "found", 0,
     "tlwgraph_keywords.gif", "Search Engine Keywords Graph", 20, false},
    {19, "brokenLinks", 1, 450, "Broken Links", "missing file (404 error)", "requests", 0,
     "tlwgraph_brokenlinks.gif", "Broken Links Graph", 0, false},
    {0, "logons", 2, 300, "Authenticated Logons", "username", "hits", 0, nullptr, nullptr, 0,
     false},
}};

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

const RankedSectionSpec* FindRankedSection(std::string_view table) {
  for (const RankedSectionSpec& spec : kRankedSections) {
    if (table == spec.table) return &spec;
  }
  return nullptr;
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

std::string RankedSectionHtml(const RankedSectionSpec& spec, const RankedRows& ranked, int rowLimit,
                              const SectionContext& context) {
  if (ranked.size() < static_cast<size_t>(spec.minEntries)) return {};
  const size_t limit =
      static_cast<size_t>(std::max(0, spec.fixedRowLimit > 0 ? spec.fixedRowLimit : rowLimit));
  std::string out = "\n\n<P></P><BR>\n";
  if (context.includeGraphs && spec.graphFile != nullptr) {
    out += GraphImageTag(context.graphFilePrefix, spec.graphFile, spec.altText);
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
