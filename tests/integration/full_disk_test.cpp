// A disk that fills up while the program writes: the file written before
// stays as it was, no half-written file is left, and the failure is told.
// The disk is a small tmpfs, which only root can mount.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/cli_process.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// A 2 MB tmpfs at `folder` for the life of the object.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& folder) : folder_(folder) {
    fs::create_directories(folder);
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=2m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount(folder_.c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  // Writes a file until the disk has no room left.
  void Fill() const {
    std::ofstream fill(folder_ / "fill", std::ios::binary);
    const std::string block(4096, '\0');
    while (fill.write(block.data(), static_cast<std::streamsize>(block.size())) && fill.flush()) {
    }
  }

 private:
  fs::path folder_;
  bool mounted_ = false;
};

// Every file under `folder` but the filler, with its bytes.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != "fill") {
      files[entry.path().string()] = test::ReadFileBytes(entry.path());
    }
  }
  return files;
}

std::string Log(const std::string& host) {
  std::string log;
  for (int i = 0; i < 200; ++i) {
    log += host + " - - [14/Mar/2024:10:" + std::to_string(10 + i % 50) + ":00 +0000] \"GET /page" +
           std::to_string(i) + ".html HTTP/1.1\" 200 " + std::to_string(100 + i) + " \"http://ref" +
           std::to_string(i) + ".example/\" \"Mozilla/5.0\"\n";
  }
  return log;
}

struct DiskCase {
  const char* name;
  const char* disk;    // the folder that fills up
  const char* before;  // writes the earlier files, with room
  const char* after;   // the same write again with the disk full
  int afterCode;       // graphs that cannot be written are warnings only
  const char* told;    // what standard error names
};

class FullDiskTest : public ::testing::TestWithParam<DiskCase> {};

TEST_P(FullDiskTest, EarlierFileStaysWholeAndTheFailureIsTold) {
  const DiskCase& c = GetParam();
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  test::TempDir dir;
  dir.Write("a.log", Log("a.example.com"));
  dir.Write("b.log", Log("b.example.com"));
  const SmallDisk disk(dir / c.disk);
  if (!disk.Mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";

  const test::ProcessRun first = test::RunCliProgram(dir, c.before);
  ASSERT_EQ(first.code, 0) << first.err;
  const std::map<std::string, std::string> earlier = Files(dir / c.disk);
  ASSERT_FALSE(earlier.empty());
  disk.Fill();

  const test::ProcessRun second = test::RunCliProgram(dir, c.after);
  EXPECT_EQ(second.code, c.afterCode) << second.err;
  EXPECT_THAT(second.err, HasSubstr(c.told));
  EXPECT_THAT(second.err, HasSubstr("No space left on device"));
  EXPECT_EQ(Files(dir / c.disk), earlier) << "changed or half-written files";
}

INSTANTIATE_TEST_SUITE_P(
    Writes, FullDiskTest,
    ::testing::Values(
        DiskCase{"Report", "disk", "report a.log -o disk/stats.html --no-graphs",
                 "report b.log -o disk/stats.html --no-graphs", 1, "disk/stats.html"},
        DiskCase{"Graphs", "out/images", "report a.log -o out/stats.html",
                 "report b.log -o out/stats.html", 0, "warning: [0] could not write graph"},
        DiskCase{"Json", "disk", "report a.log -o out/stats.html --no-graphs --json disk/s.json",
                 "report b.log -o out/stats.html --no-graphs --json disk/s.json", 1, "disk/s.json"},
        DiskCase{"SettingsFile", "disk",
                 "--dir disk add --site http://a.example --log /a.log --report /tmp/a.html",
                 "--dir disk set 0 homepageUrl=http://b.example", 1, "Error saving settings!"}),
    [](const auto& p) { return std::string(p.param.name); });

// A device as output: a copy of /dev/full fails the run with the reason,
// a copy of /dev/null takes the report and the statistics as they are
// (nothing made beside it: no images folder, no statistics per row), and
// both stay devices (a file renamed over them would have replaced the node).
TEST(FullDisk, DevicesNamedAsOutputAreWrittenNotReplaced) {
  test::TempDir dir;
  dir.Write("a.log", Log("a.example.com"));
  if (::mknod((dir / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
      ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "device nodes cannot be made here";
  }
  const test::ProcessRun full =
      test::RunCliProgram(dir, "report a.log -o out/stats.html --no-graphs --json full");
  EXPECT_EQ(full.code, 1);
  EXPECT_THAT(full.err, HasSubstr("full: No space left on device"));
  const test::ProcessRun null =
      test::RunCliProgram(dir, "report a.log -o out/stats.html --no-graphs --json null");
  EXPECT_EQ(null.code, 0) << null.err;
  const test::ProcessRun report = test::RunCliProgram(dir, "report a.log -o null --json null");
  EXPECT_EQ(report.code, 0) << report.err;
  ASSERT_EQ(test::RunCliProgram(
                dir, "add --site s --log a.log --report '" + (dir / "null").string() + "'")
                .code,
            0);
  const test::ProcessRun run = test::RunCliProgram(dir, "run 1 --json null");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(fs::exists(dir / "images"));
  EXPECT_FALSE(fs::exists(dir / "null.1"));
  EXPECT_TRUE(fs::is_character_file(dir / "full"));
  EXPECT_TRUE(fs::is_character_file(dir / "null"));
}

}  // namespace
}  // namespace tlw
