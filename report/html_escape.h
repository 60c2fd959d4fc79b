#pragma once

#include <string>
#include <string_view>

namespace tlw {

// Appends `text` as UTF-8 HTML: the characters that could end an attribute
// or start markup become entities (& < > " '), valid UTF-8 passes unchanged,
// and every other byte is read as Windows-1252 (so Latin-1 logs read right)
// and written in UTF-8; its five undefined bytes become U+FFFD. Percent
// escapes are plain ASCII and stay as they are.
void AppendEscaped(std::string& out, std::string_view text);

// `text` escaped as AppendEscaped does.
std::string HtmlEscape(std::string_view text);

// Whether `text` is a well-formed http or https URL that may be written as a
// link target: the scheme, "://", a host of letters, digits, "-", "." and an
// optional ":port", then any path without blanks or control characters.
bool IsLinkableUrl(std::string_view text);

// Whether a link target given by the user may be written as it is: a
// relative address, or one whose scheme is http, https, ftp or mailto.
// Schemes that run code when the link is followed (javascript:, data:,
// vbscript:, ...) are refused, however a browser would read them (case,
// blanks and control characters before the scheme, tabs and line feeds
// inside it).
bool IsSafeLinkTarget(std::string_view text);

}  // namespace tlw
