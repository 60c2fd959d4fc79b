#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "base/result.h"

namespace tlw {
class CSiteProfile;
}  // namespace tlw

namespace tlw::cli {

// The complete statistics of a run, taken when every record is counted and
// the country names are applied:
//   {"site": ..., "periodStart": ..., "periodEnd": ..., "busiestDay": ...,
//    "counters": {"uniqueHosts": ..., "homepageHits": ...,
//                 "successfulRequests": ..., "totalBytes": ...},
//    "tables": {"hostnames": [[key, count], ...], "dirs": ..., ...},
//    "lastVisitors": [text, ...]}
// Every statistics table appears under its own name as its ranked list
// (highest count first, ties in report order). Texts go through JsonString.
// Written to `path` as it is made (the whole text is never held at once)
// and renamed over the old file at the end; a device (/dev/null, a pipe)
// is written as it is.
Status WriteStatisticsJson(const std::filesystem::path& path, const CSiteProfile& profile);
// The same text written to `out` (standard output for "--json -"), flushed.
Status WriteStatisticsJson(std::ostream& out, const CSiteProfile& profile);

// The --json name that stands for standard output.
inline constexpr std::string_view kStandardOutputName = "-";

// `text` as a JSON string literal. Valid UTF-8 is kept as it is; every
// byte that is not part of valid UTF-8 becomes the escape of the lone
// surrogate U+DC00 plus that byte ("\udcff" for 0xFF), the convention of
// Python's "surrogateescape" error handler. Such code points never come
// from valid UTF-8, so the original bytes can always be recovered, e.g.
// json.load(f) and then text.encode("utf-8", "surrogateescape").
std::string JsonString(std::string_view text);

// The statistics file of site `row` for `--json FILE` of the run command:
// FILE with "." and the row number before its extension (stats.json gives
// stats.3.json for row 3; a name without extension just gets ".3").
std::filesystem::path RowJsonPath(const std::filesystem::path& file, std::size_t row);

}  // namespace tlw::cli
