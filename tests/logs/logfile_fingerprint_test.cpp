#include "logs/logfile_fingerprint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "support/temp_dir.h"
#include "tests/logs/gzip_helpers.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

// Long enough that the head and the tail digests cover different bytes.
std::string Lines(int first, int count) {
  std::string text;
  for (int i = first; i < first + count; ++i) {
    text += "10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /page-" + std::to_string(i) +
            ".html HTTP/1.1\" 200 " + std::to_string(1000 + i) + "\n";
  }
  return text;
}
const std::string kCounted = Lines(1, 200);

// One byte of the last line differs; the size stays.
std::string WithLastLineChanged(std::string text) {
  text[text.size() - 5] = '9';
  return text;
}

void Append(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

// What happens to the logfile between one run and the next.
struct ChangeCase {
  const char* name;
  bool gzip;  // the run read a gzip file
  void (*change)(const fs::path& log);
  LogfileChange expected;
};

class CompareLogfileTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(CompareLogfileTest, TellsWhatBecameOfTheFile) {
  const ChangeCase& c = GetParam();
  test::TempDir dir;
  const fs::path log = dir.Write("access.log", c.gzip ? test::Gzip(kCounted) : kCounted);
  const int fd = ::open(log.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::lseek(fd, 100, SEEK_SET), 100);
  const Result<LogfileFingerprint> saved =
      FingerprintOpenLogfile(fd, log.string(), kCounted.size());
  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 100) << "the reader's offset moved";
  ::close(fd);
  ASSERT_TRUE(saved.ok()) << saved.message();
  EXPECT_EQ(saved->compressed, c.gzip);

  c.change(log);
  const LogfileComparison now = CompareLogfile(*saved);
  EXPECT_EQ(now.change, c.expected) << now.reason;
  EXPECT_NE(now.reason.find(log.string()), std::string::npos) << now.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareLogfileTest,
    testing::Values(
        ChangeCase{"Unchanged", false, [](const fs::path&) {}, LogfileChange::kUnchanged},
        ChangeCase{"Grown", false, [](const fs::path& log) { Append(log, Lines(201, 3)); },
                   LogfileChange::kGrown},
        ChangeCase{"CopyTruncated", false, [](const fs::path& log) { fs::resize_file(log, 0); },
                   LogfileChange::kTruncated},
        ChangeCase{"CopyTruncatedThenGrownPastWithOtherLines", false,
                   [](const fs::path& log) {
                     fs::resize_file(log, 0);
                     Append(log, Lines(500, 210));
                   },
                   LogfileChange::kRewritten},
        ChangeCase{"RenamedAndCreatedAgain", false,
                   [](const fs::path& log) {
                     fs::rename(log, log.string() + ".1");
                     std::ofstream(log, std::ios::binary) << kCounted;
                   },
                   LogfileChange::kReplaced},
        // The last line changes, the size does not: only the tail tells.
        ChangeCase{"RewrittenInPlaceWithTheSameSize", false,
                   [](const fs::path& log) {
                     std::fstream(log, std::ios::binary | std::ios::in | std::ios::out)
                         << WithLastLineChanged(kCounted);
                   },
                   LogfileChange::kRewritten},
        ChangeCase{"Gone", false, [](const fs::path& log) { fs::remove(log); },
                   LogfileChange::kGone},
        ChangeCase{"ADirectoryInItsPlace", false,
                   [](const fs::path& log) {
                     fs::remove(log);
                     fs::create_directory(log);
                   },
                   LogfileChange::kUnreadable},
        ChangeCase{"GzipUnchanged", true, [](const fs::path&) {}, LogfileChange::kUnchanged},
        ChangeCase{"GzipWithAMemberAppended", true,
                   [](const fs::path& log) { Append(log, test::Gzip(Lines(201, 3))); },
                   LogfileChange::kGrown}),
    [](const testing::TestParamInfo<ChangeCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

// A file found under another name after a rotation: does it begin with
// what was counted?
struct HoldsCase {
  const char* name;
  std::string content;  // of the file under the new name
  bool expected;
};

class HoldsCountedContentTest : public testing::TestWithParam<HoldsCase> {};

TEST_P(HoldsCountedContentTest, RecognisesTheCountedContent) {
  const HoldsCase& c = GetParam();
  test::TempDir dir;
  const Result<LogfileFingerprint> saved = FingerprintLogfile(
      dir.Write("access.log", kCounted + "not counted").string(), kCounted.size());
  ASSERT_TRUE(saved.ok()) << saved.message();
  EXPECT_EQ(HoldsCountedContent(dir.Write("access.log.1", c.content).string(), *saved), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HoldsCountedContentTest,
    testing::Values(HoldsCase{"TheSameBytes", kCounted, true},
                    HoldsCase{"GzippedLaterWithMoreLines", test::Gzip(kCounted + Lines(201, 5)),
                              true},
                    HoldsCase{"GzippedInTwoMembers",
                              test::Gzip(Lines(1, 150)) + test::Gzip(Lines(151, 50)), true},
                    HoldsCase{"ShorterThanCounted", test::Gzip(Lines(1, 199)), false},
                    HoldsCase{"AnotherLastLine", WithLastLineChanged(kCounted), false},
                    HoldsCase{"AnotherLog", test::Gzip(Lines(300, 200)), false}),
    [](const testing::TestParamInfo<HoldsCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

TEST(FingerprintLogfile, NamesTheFileAndWhyItCannotBeTaken) {
  test::TempDir dir;
  const std::string missing = (dir / "missing.log").string();
  EXPECT_EQ(FingerprintLogfile(missing, 0).message(), "Local logfile (" + missing + ") not found!");
  const std::string shortLog = dir.Write("short.log.gz", test::Gzip("one line\n")).string();
  EXPECT_EQ(FingerprintLogfile(shortLog, 100).message(),
            "Local logfile (" + shortLog +
                ") holds 9 bytes once decompressed, fewer than the 100 bytes counted from it");
}

}  // namespace
}  // namespace tlw
