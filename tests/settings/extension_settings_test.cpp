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
            "geoipDatabase=/data/second.mmdb\n");
  Result<ExtensionSettingsLoad> load = LoadExtensionSettings(dir.path());
  ASSERT_TRUE(load.ok()) << load.message();
  const std::string file = (dir / "Tallowick.Extensions").string();
  EXPECT_THAT(load->warnings,
              ElementsAre(file + " line 3: not a key=value line; ignored",
                          file + " line 4: geoipCountries: \"yes\" is not 0 or 1; ignored"));
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
            "\n");
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

// Kept elsewhere and linked beside the settings file, the file is saved
// through the link; a link to nothing is an error, not a file of defaults.
TEST(ExtensionSettings, LinkedFileIsSavedThroughTheLink) {
  test::TempDir dir;
  const auto link = dir / "Tallowick.Extensions";
  std::filesystem::create_symlink(dir / "kept", link);
  Result<ExtensionSettingsLoad> dangling = LoadExtensionSettings(dir.path());
  ASSERT_FALSE(dangling.ok());
  EXPECT_NE(dangling.message().find(link.string() + ": it is a link to " + (dir / "kept").string()),
            std::string::npos)
      << dangling.message();

  dir.Write("kept", "# mine\n");
  ASSERT_TRUE(SaveExtensionSettings(dir.path(), ExtensionSettings{false, ""}).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::ReadFileBytes(dir / "kept"), "# mine\ngeoipCountries=0\ngeoipDatabase=\n");
}

}  // namespace
}  // namespace tlw
