#pragma once

#include <string>
#include <string_view>

namespace tlw {

// What `--version` prints: the program's version, then one line for each
// library the engine uses at run time ("libcurl 7.88.1", "GD 2.3.3",
// "zlib 1.2.13"; libcurl is loaded to ask it, "libcurl not installed" when
// it cannot be). Each line ends with "\n".
std::string VersionText(std::string_view program, std::string_view version);

}  // namespace tlw
