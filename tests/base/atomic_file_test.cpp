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
#include <optional>
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

std::size_t FilesIn(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// A new file gets what the umask leaves, as files of the user's other
// programs do; a replaced file keeps the mode its owner gave it (a private
// statistics file stays private); the settings are private whatever either
// says.
TEST(WriteFileAtomically, ModeComesFromTheUmaskOrTheFileReplaced) {
  struct Case {
    const char* what;
    mode_t umask;
    std::optional<mode_t> oldMode;
    FileAccess access;
    mode_t expected;
  } const cases[] = {
      {"new, umask 022", 022, std::nullopt, FileAccess::kKeepOrUmask, 0644},
      {"new, umask 077", 077, std::nullopt, FileAccess::kKeepOrUmask, 0600},
      {"new, umask 002", 002, std::nullopt, FileAccess::kKeepOrUmask, 0664},
      {"over 0600, umask 022", 022, 0600, FileAccess::kKeepOrUmask, 0600},
      {"over 0640, umask 077", 077, 0640, FileAccess::kKeepOrUmask, 0640},
      {"over 0666, umask 022", 022, 0666, FileAccess::kKeepOrUmask, 0666},
      {"private over 0644", 022, 0644, FileAccess::kOwnerOnly, 0600},
      {"private new, umask 0", 0, std::nullopt, FileAccess::kOwnerOnly, 0600},
      {"private new, umask 0277", 0277, std::nullopt, FileAccess::kOwnerOnly, 0600},
  };
  const mode_t saved = ::umask(022);
  for (const Case& c : cases) {
    test::TempDir dir;
    const auto file = dir / "out.json";
    if (c.oldMode) {
      dir.Write("out.json", "old");
      ASSERT_EQ(::chmod(file.c_str(), *c.oldMode), 0);
    }
    ::umask(c.umask);
    const Status status = WriteFileAtomically(file, "new", c.access, Durability::kReplaceOnly);
    ::umask(022);
    ASSERT_TRUE(status.ok()) << c.what << ": " << status.message();
    EXPECT_EQ(ModeOf(file), c.expected) << c.what;
  }
  ::umask(saved);
}

// The temporary name does not grow with the target's, so every name the
// system allows (NAME_MAX, 255 bytes) can be written and rewritten.
TEST(WriteFileAtomically, NamesUpToTheSystemLimitAreWritten) {
  test::TempDir dir;
  for (const std::size_t length : {248u, 255u}) {
    const auto file = dir / std::string(length, 'r');
    for (const char* content : {"first", "second"}) {
      const Status status = WriteFileAtomically(file, content);
      ASSERT_TRUE(status.ok()) << length << ": " << status.message();
      EXPECT_EQ(test::ReadFileBytes(file), content);
    }
  }
  EXPECT_EQ(FilesIn(dir.path()), 2u);
}

// A link in the target's place: followed, the file it names is replaced
// beside itself and the link stays; not followed, the link is replaced and
// what it named is left alone. A link to nothing is an error that names
// the link and where it leads, and changes nothing.
TEST(WriteFileAtomically, LinksAreFollowedOrReplacedAsAsked) {
  struct Case {
    const char* what;
    LinkPolicy links;
    bool targetExists;
    bool ok;
    const char* writtenTo;  // "target" or "link"
  } const cases[] = {
      {"followed", LinkPolicy::kFollowLink, true, true, "target"},
      {"followed to nothing", LinkPolicy::kFollowLink, false, false, ""},
      {"replaced", LinkPolicy::kReplaceLink, true, true, "link"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "elsewhere");
    const auto target = dir / "elsewhere" / "Tallowick.Settings";
    if (c.targetExists) {
      dir.Write("elsewhere/Tallowick.Settings", "old");
      ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    }
    std::filesystem::create_directories(dir / "program");
    const auto link = dir / "program" / "Tallowick.Settings";
    // A relative link through a second link, as a user's dot-files make.
    std::filesystem::create_symlink("elsewhere/Tallowick.Settings", dir / "middle");
    std::filesystem::create_symlink("../middle", link);

    const Status status =
        WriteFileAtomically(link, "new", FileAccess::kOwnerOnly, Durability::kFlushed, c.links);
    EXPECT_EQ(status.ok(), c.ok) << c.what << ": " << status.message();
    if (!c.ok) {
      EXPECT_NE(status.message().find(link.string()), std::string::npos) << status.message();
      EXPECT_NE(status.message().find("elsewhere/Tallowick.Settings, which does not exist"),
                std::string::npos)
          << status.message();
      EXPECT_FALSE(std::filesystem::exists(target)) << c.what;
    }
    const bool throughLink = std::string_view(c.writtenTo) == "target";
    EXPECT_EQ(std::filesystem::is_symlink(link), !c.ok || throughLink) << c.what;
    if (c.ok) {
      EXPECT_EQ(test::ReadFileBytes(target), throughLink ? "new" : "old") << c.what;
      EXPECT_EQ(test::ReadFileBytes(link), "new") << c.what;
      EXPECT_EQ(ModeOf(target), 0600u) << c.what;
    }
    EXPECT_EQ(FilesIn(dir / "elsewhere"), c.targetExists ? 1u : 0u) << c.what;
    EXPECT_EQ(FilesIn(dir / "program"), 1u) << c.what;
  }
}

// Starts a writer of `path` in a child process that is killed before it
// commits, as a `kill -9` during a save would; returns the name of the
// temporary file it left in `folder`.
std::string LeaveTemporaryOf(const std::filesystem::path& path,
                             const std::filesystem::path& folder) {
  std::set<std::string> before;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    before.insert(entry.path().filename().string());
  }
  const pid_t child = ::fork();
  if (child == 0) {
    AtomicFileWriter writer(path);
    writer.Write("half a file");
    ::kill(::getpid(), SIGKILL);
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (before.count(name) == 0) return name;
  }
  ADD_FAILURE() << "the killed writer left no temporary file";
  return {};
}

void MakeOld(const std::filesystem::path& path, int hours) {
  const timespec times[2] = {{::time(nullptr) - hours * 3600, 0},
                             {::time(nullptr) - hours * 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The temporaries a killed writer leaves (a settings file's hold passwords)
// are removed by the next save of the same file once they are a day old;
// a younger one may be a save under way, and another file's are not ours
// to judge.
TEST(AtomicFileWriter, NextSaveRemovesDayOldTemporariesOfItsOwnFile) {
  test::TempDir dir;
  const auto report = dir.Write("stats.html", "old");
  const auto other = dir.Write("stats.json", "old");
  const std::string old = LeaveTemporaryOf(report, dir.path());
  const std::string young = LeaveTemporaryOf(report, dir.path());
  const std::string othersOld = LeaveTemporaryOf(other, dir.path());
  MakeOld(dir / old, 25);
  MakeOld(dir / young, 23);
  MakeOld(dir / othersOld, 25);

  ASSERT_TRUE(WriteFileAtomically(report, "new").ok());
  EXPECT_FALSE(std::filesystem::exists(dir / old));
  EXPECT_TRUE(std::filesystem::exists(dir / young));
  EXPECT_TRUE(std::filesystem::exists(dir / othersOld));
  EXPECT_EQ(test::ReadFileBytes(report), "new");
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
