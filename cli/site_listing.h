#pragma once

#include <cstddef>
#include <string>

#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/site_profile.h"

namespace tlw::cli {

// `text` with every control character shown as '?', so that a text printed
// on a line stays one line and cannot drive the terminal.
std::string PrintableText(std::string text);

// The heading of the site list, in the columns of SiteLine.
inline constexpr const char* kSiteListHeading =
    "row\tsite\tlogfile\treport\tschedule\tlast generated";

// One line of the site list, tab-separated: row, site, logfile (a remote one
// as ftp://server/path), report path (an uploaded one as ftp://...),
// schedule ("no", or the schedule choice and its start time "at HH:MM" in
// local time) and last generated. Texts are shown through PrintableText.
std::string SiteLine(std::size_t row, const CSiteProfile& profile);

// Every saved field of the program settings and of each site, by field
// name: {"settings": {...}, "sites": [{...}, ...]} with the sites in row
// order. Texts are strings, every other field a number (times in seconds
// since 1970). Pretty-printed; bytes that are not UTF-8 become U+FFFD, as
// JSON strings must be Unicode.
std::string SettingsJson(const CSettings& settings, const SiteProfiles& profiles);

}  // namespace tlw::cli
