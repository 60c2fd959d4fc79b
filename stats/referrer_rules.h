#pragma once

#include <string>
#include <string_view>

namespace tlw {

// What one referrer text contributes to the statistics.
struct ReferrerFacts {
  bool countReferrer = false;  // add the referrer to `referers`
  std::string phrase;          // cleaned search phrase to add to `keywords`; empty: none
};

// The raw search phrase of a referrer from a known search engine, before the
// escapes are removed; empty when the referrer is from no known engine or the
// engine's key is missing.
std::string SearchPhrase(std::string_view referrer);

// Decides whether a referrer is counted and which search phrase it carries.
// `homepageUrl` is the site's own URL: referrers containing it are the site's
// own pages and count nowhere. Pure: the same inputs give the same facts, so
// callers may keep the result per distinct referrer.
ReferrerFacts ClassifyReferrer(std::string_view referrer, std::string_view homepageUrl);

}  // namespace tlw
