#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <iterator>

#include "support/temp_dir.h"

namespace tlw {
namespace {

TEST(WriteFileAtomically, ReplacesWholeFileAndSetsMode) {
  test::TempDir dir;
  const auto file = dir.Write("data.bin", "old content that is longer");
  ASSERT_TRUE(WriteFileAtomically(file, std::string_view("new\0bytes", 9), 0600).ok());
  EXPECT_EQ(test::ReadFileBytes(file), std::string("new\0bytes", 9));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(WriteFileAtomically, FailureNamesFileAndKeepsOldContent) {
  test::TempDir dir;
  // A folder that is a regular file cannot hold the temporary file, even
  // for root (who ignores permission bits).
  const auto notAFolder = dir.Write("plain", "x");
  const Status status = WriteFileAtomically(notAFolder / "out.txt", "data");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("plain"), std::string::npos) << status.message();
  EXPECT_EQ(test::ReadFileBytes(notAFolder), "x");
}

// Pieces of every size around the writer's buffer come out whole and in
// order; a writer dropped before Commit leaves the old file and nothing else.
TEST(AtomicFileWriter, StreamsPiecesAndLeavesNothingWhenNotCommitted) {
  test::TempDir dir;
  const auto file = dir.Write("report.html", "old");
  std::string expected;
  {
    AtomicFileWriter writer(file, 0644, Durability::kReplaceOnly);
    for (const std::size_t size : {std::size_t{1}, std::size_t{65535}, std::size_t{2},
                                   std::size_t{200000}, std::size_t{0}, std::size_t{70000}}) {
      const std::string piece(size, static_cast<char>('a' + expected.size() % 26));
      writer.Write(piece);
      expected += piece;
    }
    EXPECT_EQ(test::ReadFileBytes(file), "old");  // replaced only at Commit
    ASSERT_TRUE(writer.Commit().ok());
  }
  EXPECT_EQ(test::ReadFileBytes(file), expected);
  {
    AtomicFileWriter abandoned(file);
    abandoned.Write("half a report");
  }
  EXPECT_EQ(test::ReadFileBytes(file), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

// What a path names decides how it is written: a device node is never
// replaced by a file (as root, a report written to /dev/null would have
// replaced the system's /dev/null), and a FIFO or folder is refused at once.
TEST(WriteFileAtomically, DevicesAreWrittenAndOtherNonFilesRefused) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "folder");
  const bool devices = ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                       ::mknod((dir / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
  struct Case {
    const char* name;
    bool ok;
    const char* reason;
  } const cases[] = {
      {"fifo", false, "it is not a regular file"},
      {"folder", false, "it is not a regular file"},
      {"null", true, ""},
      {"full", false, "No space left on device"},
  };
  for (const Case& c : cases) {
    const auto path = dir / c.name;
    if (!std::filesystem::exists(path)) continue;  // no device nodes without root
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0);
    const Status status = WriteFileAtomically(path, "report");
    EXPECT_EQ(status.ok(), c.ok) << c.name << ": " << status.message();
    if (!c.ok) {
      EXPECT_NE(status.message().find(path.string()), std::string::npos) << status.message();
      EXPECT_NE(status.message().find(c.reason), std::string::npos) << status.message();
    }
    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << c.name << " was replaced";
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            devices ? 4 : 2)
      << "a temporary file was left";
}

}  // namespace
}  // namespace tlw
