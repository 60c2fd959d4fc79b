#pragma once

#include <string>
#include <string_view>

namespace tlw {

// `text` made safe to be part of a file name and of a URL written in the
// report: letters, digits, "-" and "_" are kept, every other byte (a slash,
// a dot, a blank, a quote, a byte of a multi-byte character) becomes "_".
// Used for every name that carries text from a log.
std::string FileNamePart(std::string_view text);

// `text` as a part of a file name and of a URL that no other text gives:
// letters, digits, "-" and "." are kept, every other byte becomes "_" and
// its two upper-case hex digits ("a_b.html" gives "a_5Fb.html").
std::string DistinctFileNamePart(std::string_view text);

// `text` with every byte but ASCII letters, digits and those of `kept`
// written as `marker` and its two upper-case hex digits: the rule of
// DistinctFileNamePart ("_") and of percent-encoding ("%").
std::string HexEscaped(std::string_view text, char marker, std::string_view kept);

}  // namespace tlw
