#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/ranked_section.h"
#include "report/section_rows.h"

namespace tlw {

// The sections with a graph write the image tag of `graphFile` when graphs
// are on; drawing the graph itself is the caller's.

// File Types with the description of each extension; empty below 2 entries.
std::string FileTypesHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                          const SectionContext& context);

// Web Browsers followed by Operating Systems, each with its share line;
// empty when fewer than 2 browsers were counted.
std::string BrowsersHtml(const RankedRows& browsers, const RankedRows& platforms, int rowLimit,
                         std::string_view graphFile, const SectionContext& context);

// Server Status Codes: every code with its label; empty below 2 entries.
std::string StatusCodesHtml(const RankedRows& ranked, const SectionContext& context);

// Referring Sites: http and https referrers as links; empty below 2 entries.
std::string ReferringSitesHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                               const SectionContext& context);

// Click Paths Through Site: each visit's pages one per line, at most 11.
std::string ClickPathsHtml(const RankedRows& ranked, int rowLimit, std::string_view graphFile,
                           const SectionContext& context);

// Last Visitors: "host[time]" texts, newest first, written even when empty.
std::string LastVisitorsHtml(const std::vector<std::string>& lastVisitors, int topLastVisitors,
                             const SectionContext& context);

// Shown text and link of a referrer key: a link only for a well-formed http
// or https URL, the text without its scheme and cut after 70 characters.
std::string ReferrerLink(std::string_view key);

// The pages of a click path key, one per line, at most 11.
std::string ClickPathText(std::string_view key);

}  // namespace tlw
