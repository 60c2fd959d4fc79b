#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/oversized_logfile.h"
#include "engine/remote_logfile.h"
#include "logs/archive_staging.h"
#include "logs/local_logfile.h"
#include "logs/logfile_list.h"
#include "logs/wildcard_expansion.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

class MatchesWildcardTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchesWildcardTest, MatchesAsWindowsPathsDo) {
  EXPECT_EQ(MatchesWildcard(GetParam().pattern, GetParam().name), GetParam().matches)
      << GetParam().pattern << " ~ " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, MatchesWildcardTest,
    testing::Values(
        MatchCase{"*.*", "access.log", true}, MatchCase{"*.*", "README", true},
        MatchCase{"*", "README", true}, MatchCase{"*.log", "u_ex090817.log", true},
        MatchCase{"*.log", "a.log.gz", false}, MatchCase{"access.log*", "access.log.2.gz", true},
        MatchCase{"access.log*", "access.log", true}, MatchCase{"access.log.*", "access.log", true},
        MatchCase{"u_ex??????.log", "u_ex090817.log", true},
        MatchCase{"u_ex??????.log", "u_ex0908.log", false}, MatchCase{"a*b*c", "aXbYc", true},
        MatchCase{"a*b*c", "aXbY", false}, MatchCase{"*.LOG", "a.log", false},
        MatchCase{"*", ".hidden", false}, MatchCase{".*", ".hidden", true}));

// Regular files only, in name order; "*.*" is every file; "\\" is "/"; the
// pattern ends at the first "|"; folders, pipes and hidden files never match.
TEST(WildcardExpansion, ListsTheMatchingFilesInNameOrder) {
  test::TempDir dir;
  for (const char* name : {"u_ex090818.log", "u_ex090817.log", "u_ex090819.log", "notes.txt",
                           "README", ".access.log.swp"}) {
    dir.Write(std::string("logs/") + name, "x");
  }
  std::filesystem::create_directories(dir / "logs/archive.log");
  // A pipe that a server writes into is no logfile to read.
  ASSERT_EQ(::mkfifo((dir / "logs/u_ex090820.log").c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "folders/one.d");
  const std::string l = (dir / "logs").string() + "/";
  const std::string days = l + "u_ex090817.log|" + l + "u_ex090818.log|" + l + "u_ex090819.log|";
  const struct {
    std::string pattern;
    std::string expected;
  } cases[] = {{l + "u_ex*.log", days},
               {l + "*.*", l + "README|" + l + "notes.txt|" + days},
               {(dir / "logs").string() + "\\*.txt|ignored|", l + "notes.txt|"},
               {(dir / "folders").string() + "/*", ""},
               {l + "*.csv", ""},
               {(dir / "missing").string() + "/*.log", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandLocalWildcards(c.pattern).fileList, c.expected) << c.pattern;
  }
  EXPECT_EQ(LocalFileList(l + "u_ex090817.log").fileList, l + "u_ex090817.log");
}

TEST(WildcardExpansion, RotatedLogsComeOldestFirstAndTheLiveLogLast) {
  test::TempDir dir;
  for (const char* name : {"access.log", "access.log.1", "access.log.2.gz", "access.log.10.gz",
                           "access.log.3.gz", "error.log", "error.log-20240302.gz",
                           "error.log-20240301", "error.log-20231231.gz", "other.log.123456"}) {
    dir.Write(name, "x");
  }
  const std::string d = dir.path().string() + "/";
  EXPECT_EQ(ExpandLocalWildcards(d + "access.log*").fileList,
            d + "access.log.10.gz|" + d + "access.log.3.gz|" + d + "access.log.2.gz|" + d +
                "access.log.1|" + d + "access.log|");
  EXPECT_EQ(ExpandLocalWildcards(d + "error.log*").fileList,
            d + "error.log-20231231.gz|" + d + "error.log-20240301|" + d +
                "error.log-20240302.gz|" + d + "error.log|");
  // A long number is a serial, not a rotation: plain name order.
  EXPECT_EQ(ExpandLocalWildcards(d + "other.log*").fileList, d + "other.log.123456|");
}

// Whoever may create files in a watched folder chooses the names matched
// there: none of them may split the list, climb out of the folder through
// "\\..", or bring control characters along.
TEST(WildcardExpansion, LeavesOutNamesThatCouldStandForOtherFiles) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "logs/a");
  dir.Write("elsewhere/big.log", "keep");
  dir.Write("logs/access.log", "x");
  dir.Write("logs/private.log", "x");
  const std::vector<std::string> hostile = {"a\\..\\..\\elsewhere\\big.log",
                                            "access.log|private.log", "access.log.2|x",
                                            "access.log\x1b[2J", "access.log\r"};
  for (const std::string& name : hostile) dir.Write("logs/" + name, "");
  const std::string logs = (dir / "logs").string() + "/";

  const LocalFiles files = LocalFileList(logs + "a*");
  EXPECT_EQ(files.fileList, logs + "access.log|");
  EXPECT_EQ(files.listed, ListedNames::kMatched);
  std::vector<std::string> expectedLeftOut;
  for (const std::string& name : hostile) expectedLeftOut.push_back(logs + name);
  std::sort(expectedLeftOut.begin(), expectedLeftOut.end());
  EXPECT_EQ(files.leftOut, expectedLeftOut);
}

struct OversizedCase {
  std::uint64_t size;
  std::int32_t limitMb;
  bool deleted;
};

class OversizedRuleTest : public testing::TestWithParam<OversizedCase> {};

TEST_P(OversizedRuleTest, ComparesWholeMillionsOfBytesWithTheLimit) {
  EXPECT_EQ(ExceedsOversizedLimit(GetParam().size, GetParam().limitMb), GetParam().deleted)
      << GetParam().size << " bytes, limit " << GetParam().limitMb;
}

INSTANTIATE_TEST_SUITE_P(Sizes, OversizedRuleTest,
                         testing::Values(OversizedCase{999'999, 0, false},
                                         OversizedCase{1'000'000, 0, true},
                                         OversizedCase{101'000'000, 100, true},
                                         OversizedCase{100'999'999, 100, false},
                                         OversizedCase{5'000'000'000ULL, 100, true},
                                         OversizedCase{5'000'000'000ULL, -1, false}));

TEST(OversizedLogfile, AppliesOnlyWhenAskedAndOnlyToLocalLogs) {
  RunSettings settings;
  settings.deleteOversizedLog = true;
  settings.oversizedLogLimitMb = 100;
  CSiteProfile profile;
  profile.SetLastLogfileSize(101'000'000);
  EXPECT_TRUE(IsOversizedLogfile(profile, settings));
  profile.SetRemoteLogfile(1);
  EXPECT_FALSE(IsOversizedLogfile(profile, settings));
  profile.SetRemoteLogfile(0);
  settings.deleteOversizedLog = false;
  EXPECT_FALSE(IsOversizedLogfile(profile, settings));
  EXPECT_FALSE(IsOversizedLogfile(profile, RunSettings{}));  // never by default
}

FileIdentity IdentityOf(const std::filesystem::path& path) {
  Result<std::unique_ptr<LocalLogfile>> file = LocalLogfile::Open(path.string());
  return file.ok() ? (*file)->Identity() : FileIdentity{};
}

TEST(DeleteLogfile, DeletesOnlyTheFileThatWasReadOrSaysWhyNot) {
  test::TempDir dir;
  const auto path = dir.Write("big.log", "x");
  const FileIdentity wasRead = IdentityOf(path);
  // Rotated while it was read: the fresh log under the name is kept.
  std::filesystem::rename(path, dir / "big.log.1");
  dir.Write("big.log", "fresh");
  const Result<LogfileDeletion> rotated = DeleteLogfile(path.string(), wasRead);
  ASSERT_TRUE(rotated.ok()) << rotated.message();
  EXPECT_EQ(*rotated, LogfileDeletion::kReplaced);
  EXPECT_EQ(test::ReadFileBytes(path), "fresh");

  const Result<LogfileDeletion> deleted = DeleteLogfile(path.string(), IdentityOf(path));
  ASSERT_TRUE(deleted.ok()) << deleted.message();
  EXPECT_EQ(*deleted, LogfileDeletion::kDeleted);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::exists(dir / "big.log.1"));

  const Result<LogfileDeletion> again = DeleteLogfile(path.string(), wasRead);
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.message().find(path.string()), std::string::npos);
}

// A setting is expanded when the last component of its pattern (the text
// before the first "|") holds a wildcard.
TEST(WildcardExpansion, ExpandsOnlyAPatternWithWildcardsInItsLastComponent) {
  for (const char* setting : {"*.log", "logs/u_ex??????.log", "/var/log/access.log*|",
                              "logs/a?.log|b.log|", "?|", "C:\\logs\\*.*"}) {
    EXPECT_TRUE(NamesWildcard(setting)) << setting;
  }
  for (const char* setting :
       {"access.log", "logs*/access.log", "a.log|b*.log|", "/l?gs/a.log", "l*\\a.log"}) {
    EXPECT_FALSE(NamesWildcard(setting)) << setting;
  }
}

TEST(ArchiveStaging, RecognisesArchiveNamesInAnyCase) {
  for (const char* setting : {"/l/access.log.gz", "/l/A.GZIP", "/l/logs.zip|", "/l/x.GzIp"}) {
    EXPECT_TRUE(NamesArchive(setting)) << setting;
  }
  for (const char* setting : {"/l/access.log", "/l/gz/access.log", "/l/zip"}) {
    EXPECT_FALSE(NamesArchive(setting)) << setting;
  }
}

TEST(ArchiveStaging, CreatesPrivateFoldersPerSiteRowUnderTheCacheFolder) {
  test::TempDir dir;
  const std::filesystem::path cache = dir / "cache";
  const Result<std::filesystem::path> folder = CreateStagingFolder(cache, 3);
  ASSERT_TRUE(folder.ok()) << folder.message();
  EXPECT_EQ(*folder, dir / "cache/tallowick/staging/3");
  EXPECT_EQ(StagingFolder(cache, 3), *folder);
  for (const auto& step : {dir / "cache/tallowick", dir / "cache/tallowick/staging", *folder}) {
    struct stat info {};
    ASSERT_EQ(stat(step.c_str(), &info), 0) << step;
    EXPECT_EQ(info.st_mode & 0777, 0700U) << step;
  }
  EXPECT_TRUE(CreateStagingFolder(cache, 3).ok());
  EXPECT_NE(StagingFolder(cache, 4), *folder);
  // Without a cache folder nothing is staged into the current folder.
  EXPECT_FALSE(CreateStagingFolder("", 3).ok());
  EXPECT_FALSE(CreateStagingFolder("relative/cache", 3).ok());
}

}  // namespace
}  // namespace tlw
