#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "net/page_head.h"

namespace tlw {

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

// The fragment written behind a page key for what its fetch returned:
// empty for a failed fetch or a 200 response without Last-Modified, the
// bare "+" line for any other status or a date of 10 characters or fewer,
// else the date and, when the body has one, the title. Date and title are
// HTML-escaped (entities of the title kept), so no page can put markup
// into the report.
std::string PageTitleFragment(std::string_view headerColor, const Result<WebPageHead>& fetched);

}  // namespace tlw
