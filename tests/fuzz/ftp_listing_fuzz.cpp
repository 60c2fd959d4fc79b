// The input is a folder listing as an FTP or SFTP server sends it. Every
// match is a plain name inside the listed folder.

#include <array>
#include <string>

#include "fuzz/fuzz_support.h"
#include "net/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listing = tlw::fuzz::AsText(data, size);
  static const std::string kFolder = "logs/";
  static const std::array<std::string, 3> kPatterns = {"*", "access*.log", "*.gz"};
  for (const std::string& pattern : kPatterns) {
    for (const std::string& match : tlw::MatchListing(listing, kFolder, pattern)) {
      TLW_FUZZ_CHECK(match.starts_with(kFolder) && match.size() > kFolder.size());
      const std::string_view name = std::string_view(match).substr(kFolder.size());
      TLW_FUZZ_CHECK(name != "." && name != "..");
      TLW_FUZZ_CHECK(name.find_first_of("/|\n") == std::string_view::npos);
    }
  }
  return 0;
}
