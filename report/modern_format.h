#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tlw {

// Texts of numbers and log data as the modern view writes them.

// `n` in decimal with a comma between groups of three digits ("1,234,567").
std::string GroupedNumber(std::int64_t n);

// A byte amount in decimal units, three significant digits from a kilobyte
// on: "999 bytes", "1.23 KB", "45.6 MB", "789 GB", "1.2 TB".
std::string ByteText(std::int64_t bytes);

// The shares of `parts` in their sum, in tenths of a percent, rounded so
// that they add up to exactly 1000 (largest remainders get the spare
// tenths, earlier parts first on a tie). All zeros when the sum is not
// positive; a negative part counts as zero.
std::vector<std::int64_t> ShareTenths(std::span<const std::int64_t> parts);

// A share in tenths of a percent as text: "12.3%".
std::string PercentText(std::int64_t tenths);

// Appends log or user text as HTML: escaped as the classic report escapes
// it, with every control character (C0, DEL, C1) shown as U+FFFD so that it
// can neither break the markup nor vanish unseen.
void AppendLogText(std::string& out, std::string_view text);

// Appends log text cut to about `maxBytes` bytes of whole characters, with
// "…" after a cut; the whole text is then kept in a title attribute of a
// <span> around it, so that it can still be read by pointing at it.
void AppendShortenedLogText(std::string& out, std::string_view text, std::size_t maxBytes);

// `name` as the path of a relative link: every byte but letters, digits
// and "-._~/" percent-encoded, so that "#", "?", blanks and quotes in a
// file name stay part of the name.
std::string PercentEncodedPath(std::string_view name);

}  // namespace tlw
