#include "logs/local_logfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"
#include "tests/logs/gzip_helpers.h"

namespace tlw {
namespace {

using Lines = std::vector<std::string>;

struct ReadResult {
  Lines lines;
  SourceEnd end;
};

ReadResult ReadAll(LocalLogfile& file) {
  ReadResult result;
  std::span<char> line;
  while (file.ReadLine(line)) result.lines.emplace_back(line.data(), line.size());
  result.end = file.End();
  return result;
}

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += "10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /page-" + std::to_string(i) +
            ".html HTTP/1.1\" 200 " + std::to_string(1000 + i) + "\n";
  }
  return text;
}

TEST(LocalLogfile, ReadsAPlainFileAndReportsItsSize) {
  test::TempDir dir;
  const auto path = dir.Write("access.log", "one\r\ntwo\nthree");
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok()) << file.message();
  EXPECT_FALSE((*file)->Compressed());
  EXPECT_EQ((*file)->Size(), 14U);
  const ReadResult result = ReadAll(**file);
  EXPECT_EQ(result.lines, (Lines{"one", "two", "three"}));
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Clean);
}

// Should an open for reading block on the pipe (no writer), opens it for
// writing once after a while and closes it again, so that the test fails
// instead of hanging.
class PipeUnblocker {
 public:
  explicit PipeUnblocker(std::string path)
      : thread_([this, path = std::move(path)] {
          std::unique_lock lock(mutex_);
          if (done_.wait_for(lock, std::chrono::seconds(5), [this] { return finished_; })) return;
          const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
          if (fd >= 0) ::close(fd);
        }) {}
  ~PipeUnblocker() {
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }
  PipeUnblocker(const PipeUnblocker&) = delete;
  PipeUnblocker& operator=(const PipeUnblocker&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

TEST(LocalLogfile, OnlyARegularFileIsOpened) {
  test::TempDir dir;
  const std::string fifo = (dir / "access.log").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const PipeUnblocker unblocker(fifo);
  struct Case {
    std::string name;
    std::string message;
  } const cases[] = {
      {(dir / "nothing.log").string(), ") not found!"},
      {(dir / "nothing" / "x.log").string(), ") not found!"},
      {dir.path().string(), ") is a directory!"},
      {fifo, ") is not a regular file: it is a named pipe!"},
      {"/dev/null", ") is not a regular file: it is a character device!"},
  };
  for (const Case& c : cases) {
    auto file = LocalLogfile::Open(c.name);
    ASSERT_FALSE(file.ok()) << c.name;
    EXPECT_EQ(file.message(), "Local logfile (" + c.name + c.message);
  }
}

TEST(LocalLogfile, BackslashesAreReadAsSlashes) {
  test::TempDir dir;
  dir.Write("logs/access.log", "line\n");
  std::string windowsStyle = dir.path().string() + "\\logs\\access.log";
  auto file = LocalLogfile::Open(windowsStyle);
  ASSERT_TRUE(file.ok()) << file.message();
  EXPECT_EQ(ReadAll(**file).lines, (Lines{"line"}));
}

TEST(LocalLogfile, KnowsItsSizeOnceOpen) {
  test::TempDir dir;
  const auto path = dir.Write("access.log", std::string(1234, 'x'));
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  EXPECT_EQ((*file)->Size(), 1234U);
}

TEST(GzipLogfile, IsReadTransparentlyWhateverItsName) {
  test::TempDir dir;
  const std::string text = NumberedLines(5000);
  const std::string packed = test::Gzip(text);
  const auto path = dir.Write("access.log.2", packed);
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  EXPECT_TRUE((*file)->Compressed());
  EXPECT_EQ((*file)->Size(), packed.size());
  const ReadResult result = ReadAll(**file);
  ASSERT_EQ(result.lines.size(), 5000U);
  EXPECT_EQ(result.lines.back(),
            "10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /page-5000.html "
            "HTTP/1.1\" 200 6000");
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Clean);
}

TEST(GzipLogfile, ConcatenatedMembersReadAsOneLog) {
  test::TempDir dir;
  // The first member ends inside a line; the second completes it.
  const auto path = dir.Write("both.gz", test::Gzip("a\nb\nhalf") + test::Gzip(" line\nc\n") +
                                             test::Gzip("") + test::Gzip("d"));
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  const ReadResult result = ReadAll(**file);
  EXPECT_EQ(result.lines, (Lines{"a", "b", "half line", "c", "d"}));
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Clean);
}

TEST(GzipLogfile, PaddingAfterTheLastMemberIsIgnored) {
  test::TempDir dir;
  const auto path = dir.Write("padded.gz", test::Gzip("a\nb\n") + std::string(512, '\0'));
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  const ReadResult result = ReadAll(**file);
  EXPECT_EQ(result.lines, (Lines{"a", "b"}));
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Clean);
}

TEST(GzipLogfile, ATruncatedFileEndsWithAMessageAfterTheLinesReadSoFar) {
  test::TempDir dir;
  const std::string text = NumberedLines(20000);
  const std::string packed = test::Gzip(text);
  const auto path = dir.Write("cut.gz", packed.substr(0, packed.size() / 2));
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  const ReadResult result = ReadAll(**file);
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Damaged);
  EXPECT_NE(result.end.message.find(path.string()), std::string::npos) << result.end.message;
  EXPECT_NE(result.end.message.find("truncated"), std::string::npos) << result.end.message;
  EXPECT_NE(result.end.message.find("after line " + std::to_string(result.lines.size())),
            std::string::npos)
      << result.end.message;
  // Only whole lines, each the same as in the original.
  ASSERT_GT(result.lines.size(), 1000U);
  ASSERT_LT(result.lines.size(), 20000U);
  std::size_t offset = 0;
  for (const std::string& line : result.lines) {
    ASSERT_EQ(text.compare(offset, line.size() + 1, line + "\n"), 0) << line;
    offset += line.size() + 1;
  }
}

TEST(GzipLogfile, DamagedDataEndsTheFileWithAMessage) {
  test::TempDir dir;
  std::string packed = test::Gzip(NumberedLines(20000));
  for (std::size_t i = packed.size() / 2; i < packed.size() / 2 + 64; ++i) packed[i] ^= 0x5a;
  const auto path = dir.Write("broken.gz", packed);
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  const ReadResult result = ReadAll(**file);
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Damaged);
  EXPECT_NE(result.end.message.find("is damaged"), std::string::npos) << result.end.message;
  // Deflate data can decode to garbage before the check at the member's end
  // notices; the lines before the damage are intact.
  ASSERT_GT(result.lines.size(), 100U);
  EXPECT_EQ(result.lines[99],
            "10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /page-100.html "
            "HTTP/1.1\" 200 1100");
}

TEST(GzipLogfile, OnlyTheMagicBytesIsATruncatedFile) {
  test::TempDir dir;
  const auto path = dir.Write("magic.gz", "\x1f\x8b");
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  const ReadResult result = ReadAll(**file);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(result.end.kind, SourceEnd::Kind::Damaged);
}

TEST(GzipLogfile, ATextFileNamedGzIsReadAsText) {
  test::TempDir dir;
  const auto path = dir.Write("access.log.gz", "plain\ntext\n");
  auto file = LocalLogfile::Open(path.string());
  ASSERT_TRUE(file.ok());
  EXPECT_FALSE((*file)->Compressed());
  EXPECT_EQ(ReadAll(**file).lines, (Lines{"plain", "text"}));
}

}  // namespace
}  // namespace tlw
