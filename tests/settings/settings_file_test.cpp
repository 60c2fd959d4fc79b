#include "settings/settings_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "settings/extension_settings.h"
#include "settings/settings_lock.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

using ::testing::HasSubstr;

// Builds settings-file bytes by hand, in the order the format lays down, so
// that the tests do not lean on the encoder they check.
class FileBytes {
 public:
  FileBytes& Int(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<char>(value >> shift));
    return *this;
  }
  FileBytes& Text(std::string_view text) {
    EXPECT_LT(text.size(), 255u);
    bytes_.push_back(static_cast<char>(text.size()));
    bytes_.append(text);
    return *this;
  }
  FileBytes& Raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
  }
  const std::string& str() const { return bytes_; }

 private:
  std::string bytes_;
};

FileBytes DefaultSettingsRecord() {
  FileBytes b;
  b.Int(0).Int(0).Int(0).Text("").Text("webmaster@").Int(1).Int(0).Int(0).Int(0).Int(100);
  return b;
}

// A new profile's record, field by field in file order.
void AppendDefaultProfileRecord(FileBytes& b, std::string_view url) {
  b.Text(url).Int(0).Text("").Text("").Text("").Text("");  // site, log file and its FTP
  b.Int(0).Text("").Text("").Text("").Text("");            // upload
  b.Text("never generated").Int(0).Text("(default)");
  b.Int(0).Text("(only once)").Int(0);  // schedule
  // showHostnames .. showExitPages in file order, then reservedFlag.
  for (int i = 0; i < 19; ++i) b.Int(1);
  b.Int(0);
  b.Int(0).Text("webmaster@example.com");  // e-mail
  b.Text("").Text("").Text("");            // filters
  for (std::uint32_t top : {5, 10, 15, 10, 15, 25, 10, 10, 20, 30, 5, 10, 5, 10, 10}) b.Int(top);
  b.Int(1).Text("1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|");
}

// A folder for the settings file and what loading or decoding one gives.
class SettingsFile : public ::testing::Test {
 protected:
  Result<SettingsLoad> Load(const std::filesystem::path& folder) {
    return LoadSettingsFile(folder, settings_, profiles_, "/home/someone");
  }
  Result<SettingsLoad> Load() { return Load(dir_.path()); }
  // Decodes `bytes` into fresh settings_ and profiles_.
  Status Decode(std::string_view bytes) {
    settings_ = CSettings();
    profiles_.clear();
    return DecodeSettingsFile(bytes, settings_, profiles_);
  }

  test::TempDir dir_;
  CSettings settings_;
  SiteProfiles profiles_;
};

TEST_F(SettingsFile, DefaultSettingsRecordIs44Bytes) {
  Result<std::string> bytes = EncodeSettingsFile(CSettings(), {});
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(bytes->size(), 44u);
  EXPECT_EQ(*bytes, DefaultSettingsRecord().str());
}

TEST_F(SettingsFile, NewProfileRecordHasDefaultsInFileOrder) {
  SiteProfiles profiles{std::make_shared<CSiteProfile>()};
  profiles[0]->SetHomepageUrl("http://www.example.com");
  Result<std::string> bytes = EncodeSettingsFile(CSettings(), profiles);
  ASSERT_TRUE(bytes.ok());
  FileBytes expected = DefaultSettingsRecord();
  AppendDefaultProfileRecord(expected, "http://www.example.com");
  EXPECT_EQ(*bytes, expected.str());
}

TEST_F(SettingsFile, FieldsLandInTheirFilePlaces) {
  CSettings settings;
  settings.SetOpenReportWhenDone(1);
  settings.SetSmtpServer("mail.example.net");
  settings.SetOversizedLogLimitMb(7);
  auto profile = std::make_shared<CSiteProfile>();
  profile->SetLastGenerated("09:15AM Mon 03-04-24");
  profile->SetLastLogfileSize(123456);
  profile->SetReservedFlag(1);
  profile->SetShowExitPages(0);
  profile->SetDirectoryFilter("/tmp|");
  profile->SetExtensionFilter("gif|");
  profile->SetTopExitPages(99);
  profile->SetIncludeGraphs(0);
  profile->SetSectionOrder("2|1|");
  profile->SetScheduleStartTime(-86400);

  FileBytes expected;
  expected.Int(1).Int(0).Int(0).Text("mail.example.net").Text("webmaster@");
  expected.Int(1).Int(0).Int(0).Int(0).Int(7);
  expected.Text("").Int(0).Text("").Text("").Text("").Text("").Int(0).Text("");
  expected.Text("").Text("").Text("").Text("09:15AM Mon 03-04-24").Int(123456).Text("(default)");
  expected.Int(0).Text("(only once)").Int(static_cast<std::uint32_t>(-86400));
  for (int i = 0; i < 18; ++i) expected.Int(1);
  expected.Int(0).Int(1);  // showExitPages, reservedFlag
  expected.Int(0).Text("webmaster@example.com").Text("").Text("/tmp|").Text("gif|");
  for (std::uint32_t top : {5, 10, 15, 10, 15, 25, 10, 10, 20, 30, 5, 10, 5, 10}) {
    expected.Int(top);
  }
  expected.Int(99).Int(0).Text("2|1|");

  Result<std::string> bytes = EncodeSettingsFile(settings, {profile});
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes, expected.str());
}

TEST_F(SettingsFile, FileOrderCoversEverySavedFieldOnce) {
  auto saved = [](std::span<const FieldInfo> fields) {
    std::multiset<std::string> names;
    for (const FieldInfo& f : fields) {
      if (f.saved) names.insert(f.name);
    }
    return names;
  };
  auto order = [](std::span<const char* const> names) {
    return std::multiset<std::string>(names.begin(), names.end());
  };
  EXPECT_EQ(order(ProfileRecordFieldOrder()), saved(CSiteProfile::Fields()));
  EXPECT_EQ(ProfileRecordFieldOrder().size(), 59u);
  EXPECT_EQ(order(SettingsRecordFieldOrder()), saved(CSettings::Fields()));
  EXPECT_EQ(SettingsRecordFieldOrder().size(), 10u);
}

// A file as a user's program could have left it: several sites, texts long
// enough for each length form, odd flag values, sizes and times at the limits.
std::string VariedFile(std::size_t siteCount) {
  CSettings settings;
  settings.SetSmtpServer(std::string(300, 's'));
  settings.SetPassiveFtp(1);
  SiteProfiles profiles;
  for (std::size_t i = 0; i < siteCount; ++i) {
    auto p = std::make_shared<CSiteProfile>();
    p->SetHomepageUrl("http://site" + std::to_string(i) + ".example.com");
    p->SetLogfilePath(std::string(254, 'a'));
    p->SetReportPath(std::string(255, 'b'));
    p->SetHostFilter(std::string(65533, 'h'));
    p->SetExtensionFilter(std::string(i == 1 ? 70000 : 65534, 'e'));
    p->SetLastLogfileSize(4294967295u);
    p->SetScheduleStartTime(-2147483648LL);
    p->SetShowDomains(2);
    p->SetTopHostnames(-5);
    p->SetSectionOrder("19|18|1|");
    profiles.push_back(std::move(p));
  }
  Result<std::string> bytes = EncodeSettingsFile(settings, profiles);
  EXPECT_TRUE(bytes.ok());
  return bytes.ok() ? *bytes : std::string();
}

class RoundTrip : public SettingsFile, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(RoundTrip, LoadThenSaveGivesIdenticalBytes) {
  const std::string original = VariedFile(GetParam());
  dir_.Write("Tallowick.Settings", original);
  Result<SettingsLoad> load = Load();
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->state, SettingsLoadState::Loaded);
  ASSERT_EQ(profiles_.size(), GetParam());
  ASSERT_TRUE(SaveSettingsFile(settings_, profiles_).ok());
  EXPECT_EQ(test::ReadFileBytes(dir_ / "Tallowick.Settings"), original);
}

INSTANTIATE_TEST_SUITE_P(SiteCounts, RoundTrip, ::testing::Values(0, 1, 3));

TEST_F(SettingsFile, WideTextIsLoadedAsUtf8AndSavedNarrow) {
  FileBytes file;
  file.Int(0).Int(0).Int(0);
  file.Raw(std::string("\xFF\xFE\xFF\x05m\0\xE9\0i\0l\0.\0", 14));  // smtpServer "mél."
  file.Text("webmaster@").Int(1).Int(0).Int(0).Int(0).Int(100);
  ASSERT_TRUE(Decode(file.str()).ok());
  EXPECT_EQ(settings_.GetSmtpServer(), "m\xC3\xA9il.");
  EXPECT_TRUE(profiles_.empty());
  Result<std::string> saved = EncodeSettingsFile(settings_, profiles_);
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(saved->substr(12, 7), std::string("\x06m\xC3\xA9il.", 7));
}

TEST_F(SettingsFile, TruncatedFileKeepsCompleteSitesOnly) {
  const std::string whole = VariedFile(3);
  const std::string settingsOnly = VariedFile(0);
  const std::size_t recordSize = (whole.size() - settingsOnly.size()) / 3;
  struct Cut {
    std::size_t size;
    std::size_t sites;
  };
  for (const Cut& cut :
       {Cut{settingsOnly.size() - 1, 0}, Cut{settingsOnly.size() + 1, 0},
        Cut{settingsOnly.size() + recordSize + 200, 1}, Cut{whole.size() - 1, 2}}) {
    EXPECT_FALSE(Decode(std::string_view(whole).substr(0, cut.size)).ok()) << "cut at " << cut.size;
    EXPECT_EQ(profiles_.size(), cut.sites) << "cut at " << cut.size;
  }
}

// Zero bytes read as sites of empty fields, each under 200 bytes of file.
TEST_F(SettingsFile, ARunOfZerosEndsAtTheSiteLimit) {
  const std::string file = DefaultSettingsRecord().str() + std::string(4'000'000, '\0');
  Status status = Decode(file);
  ASSERT_FALSE(status.ok());
  EXPECT_THAT(status.message(), HasSubstr("more than 10000 sites"));
  EXPECT_EQ(profiles_.size(), kMaxSettingsFileSites);
}

TEST_F(SettingsFile, ReadErrorNamesSiteAndField) {
  FileBytes file = DefaultSettingsRecord();
  AppendDefaultProfileRecord(file, "one");
  // logfilePath claims 2 GB.
  file.Text("two").Int(0).Raw(std::string("\xFF\xFF\xFF\x00\x00\x00\x80rest", 11));
  Status status = Decode(file.str());
  ASSERT_FALSE(status.ok());
  EXPECT_THAT(status.message(), HasSubstr("logfilePath"));
  EXPECT_THAT(status.message(), HasSubstr("site 1"));
  ASSERT_EQ(profiles_.size(), 1u);
  EXPECT_EQ(profiles_[0]->GetHomepageUrl(), "one");
}

TEST_F(SettingsFile, DamagedFileIsCopiedAsideAndSitesKept) {
  FileBytes file = DefaultSettingsRecord();
  AppendDefaultProfileRecord(file, "kept");
  file.Raw("\x05tr");
  const auto path = dir_.Write("Tallowick.Settings", file.str());
  Result<SettingsLoad> load = Load();
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->state, SettingsLoadState::Damaged);
  EXPECT_TRUE(load->damagedCopyKept);
  EXPECT_THAT(load->damage, HasSubstr("Tallowick.Settings.damaged"));
  EXPECT_THAT(load->damage, HasSubstr("1 site read"));
  ASSERT_EQ(profiles_.size(), 1u);
  EXPECT_EQ(profiles_[0]->GetHomepageUrl(), "kept");
  EXPECT_EQ(test::ReadFileBytes(dir_ / "Tallowick.Settings.damaged"), file.str());

  // Saving the rows read replaces the damaged file; the copy stays.
  ASSERT_TRUE(SaveSettingsFile(settings_, profiles_).ok());
  EXPECT_NE(test::ReadFileBytes(path), file.str());
  EXPECT_EQ(test::ReadFileBytes(dir_ / "Tallowick.Settings.damaged"), file.str());
}

TEST_F(SettingsFile, SettingsOnlyFileLoadsAsNoSites) {
  dir_.Write("Tallowick.Settings", DefaultSettingsRecord().str());
  Result<SettingsLoad> load = Load();
  ASSERT_TRUE(load.ok());
  EXPECT_EQ(load->state, SettingsLoadState::Loaded);
  EXPECT_TRUE(profiles_.empty());
  EXPECT_EQ(settings_.GetProgramDirectory(), dir_.path().string());
}

TEST_F(SettingsFile, ProgramDirectoryIsTheFolderWrittenPlainly) {
  const struct {
    const char* folder;
    const char* expected;
  } cases[] = {{"/", "/"}, {"//", "/"}, {"/tmp/", "/tmp"}, {"/tmp/./x/..", "/tmp"}};
  for (const auto& c : cases) {
    CSettings settings;
    SiteProfiles profiles;
    // Nothing is saved by a reread, whatever the folder holds.
    ASSERT_TRUE(RereadSettingsFile(c.folder, settings, profiles).ok()) << c.folder;
    EXPECT_EQ(settings.GetProgramDirectory(), c.expected) << c.folder;
  }
}

// Root reads anything, so a file far too large must be refused by size, and
// left as it is rather than copied aside as a damaged one.
TEST_F(SettingsFile, FileTooLargeToBeASettingsFileIsRefused) {
  const auto file = dir_.Write("Tallowick.Settings", "");
  const std::uintmax_t tooLarge = (std::uintmax_t{256} << 20) + 1;
  std::filesystem::resize_file(file, tooLarge);  // sparse: costs no disk
  Result<SettingsLoad> load = Load();
  ASSERT_FALSE(load.ok());
  EXPECT_THAT(load.message(), HasSubstr("is too large (268435457 bytes)"));
  EXPECT_EQ(std::filesystem::file_size(file), tooLarge);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

mode_t FileMode(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST_F(SettingsFile, FirstStartCreatesSampleProfileAndPrivateFile) {
  Result<SettingsLoad> load = LoadSettingsFile(dir_.path(), settings_, profiles_, "/home/tester");
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->state, SettingsLoadState::FirstStart);
  EXPECT_TRUE(load->firstSave.ok()) << load->firstSave.message();
  ASSERT_EQ(profiles_.size(), 1u);
  const CSiteProfile& sample = *profiles_[0];
  EXPECT_EQ(sample.GetHomepageUrl(), "http://www.example.com - Sample#1 Remote");
  EXPECT_EQ(sample.GetRemoteLogfile(), 1);
  EXPECT_EQ(sample.GetLogfilePath(), "/pub/access.log");
  EXPECT_EQ(sample.GetLogFtpUser(), "anonymous");
  EXPECT_EQ(sample.GetLogFtpPassword().size(), 8u);
  EXPECT_EQ(sample.GetLogFtpPassword().back(), '@');
  EXPECT_THAT(sample.GetLogFtpServer(), HasSubstr("example."));
  EXPECT_EQ(sample.GetReportPath(), "/home/tester/WebStats/stats.html");
  EXPECT_EQ(sample.GetThemeName(), "(default)");

  const auto file = dir_ / "Tallowick.Settings";
  EXPECT_EQ(FileMode(file), 0600u);
  const std::string password = sample.GetLogFtpPassword();
  ASSERT_TRUE(Decode(test::ReadFileBytes(file)).ok());
  ASSERT_EQ(profiles_.size(), 1u);
  EXPECT_EQ(profiles_[0]->GetLogFtpPassword(), password);
}

TEST_F(SettingsFile, SaveMakesAnExistingFilePrivate) {
  const auto file = dir_.Write("Tallowick.Settings", DefaultSettingsRecord().str());
  std::filesystem::permissions(file, std::filesystem::perms::all);
  settings_.SetProgramDirectory(dir_.path().string());
  ASSERT_TRUE(SaveSettingsFile(settings_, {}).ok());
  EXPECT_EQ(FileMode(file), 0600u);
}

// Files kept elsewhere and linked into the program directory are read and
// saved through their links, which stay; a link to nothing is an error
// naming both ends, never a first start. The lock file is only ever ours:
// a link in its place is refused and what it names left alone.
TEST_F(SettingsFile, LinkedFilesAreSavedThroughTheirLinks) {
  const auto link = dir_ / "Tallowick.Settings";
  std::filesystem::create_symlink(dir_ / "sync", link);
  Result<SettingsLoad> load = Load();
  ASSERT_FALSE(load.ok());
  EXPECT_EQ(load.message(), "settings file " + link.string() + " is a link to " +
                                (dir_ / "sync").string() + ", which does not exist");
  EXPECT_FALSE(SaveSettingsFile(settings_, {}).ok());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "sync"));

  dir_.Write("sync", VariedFile(1));
  ASSERT_TRUE(Load().ok());
  ASSERT_TRUE(SaveSettingsFile(settings_, {}).ok());
  std::filesystem::create_symlink(dir_ / "sync.ext", dir_ / "Tallowick.Extensions");
  dir_.Write("sync.ext", "# mine\n");
  ASSERT_TRUE(SaveExtensionSettings(dir_.path(), ExtensionSettings{}).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "Tallowick.Extensions"));
  EXPECT_EQ(test::ReadFileBytes(dir_ / "sync"), VariedFile(0));
  EXPECT_EQ(FileMode(dir_ / "sync"), 0600u);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "sync.ext").rfind("# mine\ngeoip", 0), 0u);

  std::filesystem::create_symlink(dir_ / "chosen", dir_ / "Tallowick.Settings.lock");
  Result<SettingsLock> lock = LockSettingsFile(dir_.path());
  ASSERT_FALSE(lock.ok());
  EXPECT_THAT(lock.message(), HasSubstr("Tallowick.Settings.lock is a symbolic link"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "chosen"));
}

TEST_F(SettingsFile, UnreadableFileIsAnErrorNotAFirstStart) {
  // A folder in the file's place cannot be read as a file, even by root.
  std::filesystem::create_directory(dir_ / "Tallowick.Settings");
  Result<SettingsLoad> load = Load();
  ASSERT_FALSE(load.ok());
  EXPECT_THAT(load.message(), HasSubstr("Tallowick.Settings"));
  EXPECT_TRUE(profiles_.empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Tallowick.Settings"));
}

TEST_F(SettingsFile, SaveIntoAFileInsteadOfAFolderFails) {
  const auto notAFolder = dir_.Write("plain", "x");
  settings_.SetProgramDirectory(notAFolder.string());
  Status status = SaveSettingsFile(settings_, {MakeSampleProfile("/home/someone")});
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message().rfind("Error saving settings! ", 0), 0u) << status.message();
  EXPECT_EQ(test::ReadFileBytes(notAFolder), "x");
}

// Root ignores permission bits, so the failed write comes from a file size
// limit: the new file cannot grow past a few bytes.
TEST_F(SettingsFile, FailedSaveLeavesTheOldFileWhole) {
  const std::string old = VariedFile(1);
  const auto file = dir_.Write("Tallowick.Settings", old);
  settings_.SetProgramDirectory(dir_.path().string());
  profiles_ = {MakeSampleProfile("/home/someone"), MakeSampleProfile("/home/someone")};
  Status status = Status::Ok();
  {
    const test::FileSizeLimit limit(64);
    ASSERT_TRUE(limit.Applied());
    status = SaveSettingsFile(settings_, profiles_);
  }
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message().rfind("Error saving settings! ", 0), 0u) << status.message();
  EXPECT_EQ(test::ReadFileBytes(file), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(SettingsFile, FirstStartIntoAMissingFolderReportsTheFailedSave) {
  Result<SettingsLoad> load = Load(dir_ / "missing");
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->state, SettingsLoadState::FirstStart);
  EXPECT_FALSE(load->firstSave.ok());
  EXPECT_EQ(profiles_.size(), 1u);
}

// Every prefix of a file and files with bytes changed at random either load
// or fail with a message; none crashes or reads out of bounds (run under the
// sanitizers to see the latter).
TEST_F(SettingsFile, DamagedBytesNeverCrashTheReader) {
  FileBytes file;
  file.Int(0).Int(0).Int(0).Raw(std::string("\xFF\xFE\xFF\x02h\0i\0", 8));  // wide smtpServer
  file.Text("webmaster@").Int(1).Int(0).Int(0).Int(0).Int(100);
  const std::size_t settingsSize = file.str().size();
  AppendDefaultProfileRecord(file, "http://a.example.com");
  const std::string whole = file.str();
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    EXPECT_EQ(Decode(std::string_view(whole).substr(0, size)).ok(),
              size == settingsSize || size == whole.size())
        << size;
  }
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = whole;
    for (int flips = 0; flips < 3; ++flips) {
      bytes[next() % bytes.size()] = static_cast<char>(next() & 0xFF);
    }
    const Status status = Decode(bytes);
    EXPECT_TRUE(status.ok() || !status.message().empty());
  }
}

// The bytes of one profile's record, to compare profiles field by field.
std::string RecordOf(const std::shared_ptr<CSiteProfile>& profile) {
  Result<std::string> bytes = EncodeSettingsFile(CSettings(), {profile});
  return bytes.ok() ? *bytes : std::string();
}

// A file the program saved, cut short at every offset and with each byte
// changed in turn: the sites whose records lie wholly before the damage are
// all loaded, each exactly as saved, and a cut never leaves a partial site.
TEST_F(SettingsFile, DamageAtEveryOffsetKeepsTheSitesBeforeIt) {
  CSettings settings;
  settings.SetProgramDirectory(dir_.path().string());
  settings.SetSmtpServer("mail.example.net:2525");
  SiteProfiles saved;
  for (int i = 0; i < 3; ++i) {
    auto p = std::make_shared<CSiteProfile>();
    p->SetHomepageUrl("http://site" + std::to_string(i) + ".example.com/");
    p->SetLogfilePath("/var/log/site" + std::to_string(i) + "/access.log|" + std::string(300, 'x'));
    p->SetReportPath("r\xC3\xA9ports/" + std::to_string(i) + ".html");
    p->SetLastLogfileSize(4000000000u + static_cast<unsigned>(i));
    p->SetTopHostnames(10 + i);
    p->SetSectionOrder("19|18|" + std::to_string(i) + "|");
    saved.push_back(std::move(p));
  }
  ASSERT_TRUE(SaveSettingsFile(settings, saved).ok());
  const std::string whole = test::ReadFileBytes(dir_ / "Tallowick.Settings");
  // Where each record ends: the settings record, then one per site.
  std::vector<std::size_t> ends;
  for (std::size_t k = 0; k <= saved.size(); ++k) {
    Result<std::string> prefix =
        EncodeSettingsFile(settings, SiteProfiles(saved.begin(), saved.begin() + k));
    ASSERT_TRUE(prefix.ok());
    ends.push_back(prefix->size());
  }
  ASSERT_EQ(ends.back(), whole.size());
  // Sites whose records end at or before `offset`.
  auto sitesBefore = [&ends](std::size_t offset) {
    std::size_t sites = 0;
    while (sites + 1 < ends.size() && ends[sites + 1] <= offset) ++sites;
    return sites;
  };
  auto expectSitesKept = [&saved](const SiteProfiles& loaded, std::size_t count,
                                  const std::string& what) {
    ASSERT_GE(loaded.size(), count) << what;
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(RecordOf(loaded[i]), RecordOf(saved[i])) << what << ", site " << i;
    }
  };

  for (std::size_t offset = 0; offset < whole.size(); ++offset) {
    const bool atBoundary = std::find(ends.begin(), ends.end(), offset) != ends.end();
    EXPECT_EQ(Decode(std::string_view(whole).substr(0, offset)).ok(), atBoundary)
        << "cut at " << offset;
    EXPECT_EQ(profiles_.size(), sitesBefore(offset)) << "cut at " << offset;
    expectSitesKept(profiles_, sitesBefore(offset), "cut at " + std::to_string(offset));

    std::string changed = whole;
    changed[offset] = static_cast<char>(changed[offset] ^ 0xFF);
    (void)Decode(changed);
    expectSitesKept(profiles_, sitesBefore(offset), "byte changed at " + std::to_string(offset));
  }
}

}  // namespace
}  // namespace tlw
