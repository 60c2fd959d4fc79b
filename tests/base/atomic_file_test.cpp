#include "base/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "support/temp_dir.h"

namespace tlw {
namespace {

TEST(WriteFileAtomically, ReplacesWholeFileAndSetsMode) {
  test::TempDir dir;
  const auto file = dir.Write("data.bin", "old content that is longer");
  ASSERT_TRUE(
      WriteFileAtomically(file, std::string_view("new\0bytes", 9), FileAccess::kOwnerOnly).ok());
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

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// A new file gets what the umask leaves, a replaced one keeps the mode its
// owner gave it, a private one is 0600 whatever either says. The temporary
// name does not grow with the target's, so names of up to NAME_MAX (255)
// bytes are written too.
TEST(WriteFileAtomically, ModeComesFromTheUmaskOrTheFileReplaced) {
  struct Case {
    std::size_t nameLength;
    mode_t umask;
    mode_t oldMode;  // 0: no old file
    FileAccess access;
    mode_t expected;
  } const cases[] = {
      {8, 022, 0, FileAccess::kKeepOrUmask, 0644},
      {255, 002, 0, FileAccess::kKeepOrUmask, 0664},
      {248, 022, 0600, FileAccess::kKeepOrUmask, 0600},
      {8, 022, 0644, FileAccess::kOwnerOnly, 0600},
  };
  const mode_t saved = ::umask(022);
  for (const Case& c : cases) {
    test::TempDir dir;
    const auto file = dir / std::string(c.nameLength, 'r');
    if (c.oldMode != 0) {
      ASSERT_EQ(::chmod(dir.Write(file.filename().string(), "old").c_str(), c.oldMode), 0);
    }
    ::umask(c.umask);
    const Status status = WriteFileAtomically(file, "new", c.access);
    ::umask(022);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(ModeOf(file), c.expected) << std::oct << c.oldMode << " " << c.umask;
  }
  ::umask(saved);
}

// Leaves the temporary file of a writer of `path` that is killed before it
// commits, as by `kill -9` during a save; returns its name.
std::string LeaveTemporaryOf(const std::filesystem::path& path) {
  std::set<std::filesystem::path> before(std::filesystem::directory_iterator(path.parent_path()),
                                         {});
  if (::fork() == 0) {
    AtomicFileWriter writer(path);
    ::kill(::getpid(), SIGKILL);
    ::_exit(1);
  }
  ::wait(nullptr);
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
    if (before.count(entry.path()) == 0) return entry.path().filename().string();
  }
  ADD_FAILURE() << "no temporary file left";
  return {};
}

// The next save of a file removes the temporaries killed writers left for
// it (a settings file's hold passwords) once a day old; a younger one may be
// a save under way, and another file's are not its to judge.
TEST(AtomicFileWriter, NextSaveRemovesDayOldTemporariesOfItsOwnFile) {
  test::TempDir dir;
  const auto report = dir.Write("stats.html", "old");
  struct Left {
    std::string name;
    int hoursOld;
    bool kept;
  } left[] = {{LeaveTemporaryOf(report), 25, false},
              {LeaveTemporaryOf(report), 23, true},
              {LeaveTemporaryOf(dir.Write("stats.json", "old")), 25, true}};
  for (const Left& l : left) {
    const std::time_t then = std::time(nullptr) - l.hoursOld * 3600;
    const timespec times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / l.name).c_str(), times, 0), 0);
  }
  ASSERT_TRUE(WriteFileAtomically(report, "new").ok());
  for (const Left& l : left) EXPECT_EQ(std::filesystem::exists(dir / l.name), l.kept) << l.hoursOld;
}

// Pieces of every size around the writer's buffer come out whole and in
// order; a writer dropped before Commit leaves the old file and nothing else.
TEST(AtomicFileWriter, StreamsPiecesAndLeavesNothingWhenNotCommitted) {
  test::TempDir dir;
  const auto file = dir.Write("report.html", "old");
  std::string expected;
  {
    AtomicFileWriter writer(file, FileAccess::kKeepOrUmask, Durability::kReplaceOnly);
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
