#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/ranked_section.h"
#include "report/section_rows.h"
#include "settings/field_kind.h"
#include "stats/site_statistics.h"

namespace tlw {

class CSiteProfile;
struct ReportSection;

// What a section writer reads.
struct SectionInput {
  const ReportSection& section;  // the catalog row being written
  const SiteStatistics& stats;
  int rowLimit;  // the profile's top count for the section; 0 when it has none
  const SectionContext& context;

  // The statistics table the section lists.
  const StatTable& Table() const;
};

// What a section writer made. The graph is drawn from the first `graphRows`
// entries of `ranked` under `graphTitle`, only when the section was written
// and graphs are on; an empty title means the section draws none.
struct SectionOutput {
  std::string html;  // empty: the section is not written
  std::string_view graphTitle;
  RankedRows ranked;
  std::size_t graphRows = 0;
  std::vector<std::string> keyTexts;  // owns the keys of `ranked` when the table has none
};

using SectionWriter = SectionOutput (*)(const SectionInput&);

// One section of the report, as the profile's section list and order text
// name it. Rows that share an identifier are written together, in catalog
// order, and share its list name.
struct ReportSection {
  using ProfileNumber = const FieldInt& (CSiteProfile::*)() const;

  std::int64_t id;  // identifier in the section order text; 0: not listed, always written last
  std::string_view title;            // name in the profile's section list
  StatTable SiteStatistics::*table;  // the table it lists; nullptr only for Last Visitors
  ProfileNumber topCount;            // the profile's row limit; nullptr: none or fixed
  ProfileNumber enabled;             // the profile's flag; nullptr: always written
  std::string_view graphFile;        // graph file name; empty: the section has none
  SectionWriter write;
  const RankedSectionSpec* layout;  // layout of a ranked table; nullptr for the others
};

// Every section in catalog order: the listed ones by identifier, then the
// ones written last.
std::span<const ReportSection> ReportSections();

// The sections that identifier `id` of the order text writes, in the order
// they are written; empty for any number the catalog does not list (0 and
// negative numbers included).
std::span<const ReportSection> ListedSections(std::int64_t id);

// The sections without identifier, written after the last listed one.
std::span<const ReportSection> TrailingSections();

// The highest identifier the order text may name.
std::int64_t HighestSectionId();

}  // namespace tlw
