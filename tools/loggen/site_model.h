#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tlw::loggen {

// What a generated site looks like: its pages and the files each page
// loads, who visits it and from where. Tables only; the generator walks them.

struct UserAgent {
  std::string_view text;
  bool crawler;
  std::uint32_t weight;  // relative share of visits
};

struct SearchEngine {
  std::string_view prefix;  // the result page up to the phrase key
  std::string_view suffix;  // what follows the phrase
};

std::span<const UserAgent> UserAgents();
std::span<const SearchEngine> SearchEngines();
std::span<const std::string_view> SearchPhrases();  // words joined with "+"
std::span<const std::string_view> ExternalReferrers();
std::span<const std::string_view> SitePages();        // paths of the site's pages
std::span<const std::string_view> PageAssets();       // files every page loads
std::span<const std::string_view> MissingPaths();     // what scanners probe for
std::span<const std::string_view> HostSuffixes();     // ISP host name suffixes
std::span<const std::string_view> CrawlerPrefixes();  // address blocks of crawlers

// Address of the site itself, for referrers between its pages.
inline constexpr std::string_view kSiteOrigin = "https://www.example.com";

}  // namespace tlw::loggen
