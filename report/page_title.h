#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace tlw {

// What a web server answered for the start of a page, as far as the row of
// a page section uses it.
struct PageHeadFacts {
  long status = 0;
  // The value of the final response's Last-Modified header.
  std::optional<std::string> lastModified;
  // The first bytes of the body, as sent.
  std::string body;
};

// Gives the start of the page at an http or https address (a PageTitleUrl),
// or a failure when it could not be had. The report only writes what it is
// given; the run hands in one that asks the site's server.
using PageHeadSource = std::function<Result<PageHeadFacts>(const std::string& url)>;

// The address whose head is fetched for the page `key` of a site whose home
// page is `homepageUrl`: the two joined as they are, with the bytes of the
// key that a URL cannot carry percent-escaped. None when the home page is
// not an "http://" or "https://" address or ends with "/", or the key is not
// a path (no leading "/"), so that a log line never points a fetch at
// another host.
std::optional<std::string> PageTitleUrl(std::string_view homepageUrl, std::string_view key);

// The text between "<title>" and "</title>" (any letter case) in the first
// bytes of a page, as sent: empty when the closing tag is not among them;
// none when the opening tag is missing or starts the bytes.
std::optional<std::string_view> ExtractPageTitle(std::string_view body);

// The fragment written behind a page key for what its page head source gave:
// empty for a failed fetch or a 200 response without Last-Modified, the
// bare "+" line for any other status or a date of 10 characters or fewer,
// else the date and, when the body has one, the title. Date and title are
// HTML-escaped (entities of the title kept), so no page can put markup
// into the report.
std::string PageTitleFragment(std::string_view headerColor, const Result<PageHeadFacts>& fetched);

}  // namespace tlw
