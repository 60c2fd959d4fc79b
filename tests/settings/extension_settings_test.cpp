#include "settings/extension_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tlw {
namespace {

using ::testing::ElementsAre;

// A file edited by hand or written by another version: damaged lines are
// reported and skipped, and a save keeps everything but the values it sets.
TEST(ExtensionSettings, DamagedLinesWarnAndOtherLinesSurviveASave) {
  test::TempDir dir;
  dir.Write("Tallowick.Extensions",
            "# my settings\n"
            "geoipDatabase = /data/old.mmdb \r\n"
            "no equals sign here\n"
            "geoipCountries=yes\n"
            "futureOption=42\n"
            "\n"
            "geoipDatabase=/data/second.mmdb\n"
            "smtpSecurity=ssl\n");
  Result<ExtensionSettingsLoad> load = LoadExtensionSettings(dir.path());
  ASSERT_TRUE(load.ok()) << load.message();
  const std::string file = (dir / "Tallowick.Extensions").string();
  EXPECT_THAT(load->warnings,
              ElementsAre(file + " line 3: not a key=value line; ignored",
                          file + " line 4: geoipCountries: \"yes\" is not 0 or 1; ignored",
                          file + " line 8: smtpSecurity: \"ssl\" is not none, starttls or tls; "
                                 "ignored"));
  EXPECT_TRUE(load->values.geoipCountries);  // the damaged line keeps the default
  // Of a key given twice the last line wins on reading; a save keeps the
  // first line's place and drops the other.
  EXPECT_EQ(load->values.geoipDatabase, "/data/second.mmdb");

  ASSERT_TRUE(SaveExtensionSettings(dir.path(), ExtensionSettings{false, "/data/new.mmdb"}).ok());
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Extensions"),
            "# my settings\n"
            "geoipDatabase=/data/new.mmdb\n"
            "no equals sign here\n"
            "geoipCountries=0\n"
            "futureOption=42\n"
            "\n"
            "smtpSecurity=none\n"
            "smtpUser=\n"
            "smtpPasswordFile=\n"
            "smtpPasswordCommand=\n"
            "sshKeyFile=\n"
            "modernView=1\n"
            "robotPatternsFile=\n"
            "keepLogHistory=0\n");
}

TEST(ExtensionSettings, SavingChangesKeepsWhatAnotherProgramSavedMeanwhile) {
  test::TempDir dir;
  const ExtensionSettings base;  // what the window loaded
  // Meanwhile tallowick-cli names a database.
  ASSERT_TRUE(SaveExtensionSettings(dir.path(), ExtensionSettings{true, "/cli.mmdb"}).ok());
  // The window turns the look-up off and leaves the database alone.
  Result<ExtensionSettings> saved =
      SaveExtensionSettingsChanges(dir.path(), base, ExtensionSettings{false, ""});
  ASSERT_TRUE(saved.ok()) << saved.message();
  EXPECT_EQ(*saved, (ExtensionSettings{false, "/cli.mmdb"}));
  EXPECT_EQ(LoadExtensionSettings(dir.path())->values, *saved);
}

}  // namespace
}  // namespace tlw
