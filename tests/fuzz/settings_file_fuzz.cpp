// The input is a settings file. Whatever it holds, reading it keeps what
// could be read; what was kept, written and read again, reads back whole and
// writes the same bytes again, so that no saved site is lost or changed by a
// load and save.

#include "fuzz/fuzz_support.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tlw::CSettings settings;
  tlw::SiteProfiles profiles;
  (void)tlw::DecodeSettingsFile(tlw::fuzz::AsText(data, size), settings, profiles);

  const tlw::Result<std::string> saved = tlw::EncodeSettingsFile(settings, profiles);
  TLW_FUZZ_CHECK(saved.ok());
  tlw::CSettings reread;
  tlw::SiteProfiles rereadProfiles;
  TLW_FUZZ_CHECK(tlw::DecodeSettingsFile(*saved, reread, rereadProfiles).ok());
  TLW_FUZZ_CHECK(rereadProfiles.size() == profiles.size());
  const tlw::Result<std::string> savedAgain = tlw::EncodeSettingsFile(reread, rereadProfiles);
  TLW_FUZZ_CHECK(savedAgain.ok() && *savedAgain == *saved);
  return 0;
}
