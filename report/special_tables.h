#pragma once

#include <string_view>

namespace tlw {

// Description of a file type key ("." and the upper-case extension); empty
// for an extension without one. Case-sensitive: ".htm" has none.
std::string_view FileTypeDescription(std::string_view key);

// Text of an HTTP status code key (": Object not found"); ": Unknown
// response" for codes without one.
std::string_view StatusText(std::string_view key);

// Font tag put before a status label by the code's class: red for 4xx and
// 5xx, orange for 3xx, green for 2xx; empty otherwise. The shades read at
// 3:1 or more on white, on both row shades and on black.
std::string_view StatusFontTag(std::string_view key);

}  // namespace tlw
