#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "report/section_rows.h"
#include "report/theme.h"

namespace tlw {

// The fixed look of one ranked section; which table it lists, its
// identifier and its graph file are its row of the section catalog.
struct RankedSectionSpec {
  int minEntries;            // fewer entries: the section is not written at all
  int width;                 // table width in pixels
  const char* title;         // section title (the graph's title is the same)
  const char* firstColumn;   // label of the key column
  const char* secondColumn;  // label of the count column
  int columnBreak;           // rows per sub-table; 0: one column
  const char* altText;       // ALT text of the graph's image tag
  int fixedRowLimit;         // row limit that the profile cannot change; 0: none
  bool pageTitles;           // rows carry the page title fragment
};

// Everything a section writer needs besides its rows.
struct SectionContext {
  ThemeColors colors;
  bool includeGraphs = false;
  std::string graphFilePrefix;  // prefix of graph file names in image tags
  // Title fragment written behind a page key; may be empty. Only called for
  // sections that carry page titles.
  std::function<std::string(std::string_view key)> pageTitle;
};

// "\n<IMG SRC=\"./images/<prefix><file>\" ALT=\"<alt>\">\n", every value
// HTML-escaped.
std::string GraphImageTag(std::string_view prefix, std::string_view graphFile,
                          std::string_view altText);

// The HTML of a ranked section over `ranked` (the whole ranked list), cut to
// `rowLimit` rows (or the fixed limit of the section's layout); empty when the table has fewer
// entries than the section's minimum. Writes the image tag of `graphFile`
// when graphs are on and the name is not empty; drawing the graph itself is
// the caller's.
std::string RankedSectionHtml(const RankedSectionSpec& spec, std::string_view graphFile,
                              const RankedRows& ranked, int rowLimit,
                              const SectionContext& context);

// The row limit a ranked section uses for its rows and its graph.
int RankedRowLimit(const RankedSectionSpec& spec, int rowLimit);

// Least Accessed Pages: the ranked pages from the end of the list, never the
// most viewed one.
std::string LeastAccessedPagesHtml(const RankedRows& ranked, int rowLimit,
                                   const SectionContext& context);

}  // namespace tlw
