// The input fills the statistics tables with keys and counts of its own
// making, then the whole report is written into a temporary folder, graphs
// included when the input asks for them. The report must be written, and no
// key may open an element of its own in it.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_support.h"
#include "report/report_assembly.h"
#include "report/theme.h"
#include "settings/site_profile.h"
#include "stats/site_statistics.h"

namespace {

// One folder for the whole fuzzing process, removed at its end.
class ReportFolder {
 public:
  ReportFolder() {
    std::string templ =
        (std::filesystem::temp_directory_path() / "tlw_report_fuzz.XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
  }
  ~ReportFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Takes the input apart: single bytes for choices, keys up to a NUL byte.
class InputReader {
 public:
  explicit InputReader(std::string_view input) : rest_(input) {}
  bool Empty() const { return rest_.empty(); }
  unsigned Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<unsigned char>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  std::string_view Key() {
    const std::size_t end = rest_.find('\0');
    const std::string_view key = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return key;
  }

 private:
  std::string_view rest_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ReportFolder folder;
  InputReader input(tlw::fuzz::AsText(data, size));

  tlw::CSiteProfile profile;
  profile.SetListIndex(0);
  profile.SetHomepageUrl("http://www.example.com");
  profile.SetReportPath((folder.path() / "report.html").string());
  const unsigned options = input.Byte();
  profile.SetIncludeGraphs((options & 1) != 0 ? 1 : 0);
  profile.SetThemeName(std::string(tlw::kThemeNames[(options >> 1) % tlw::kThemeNames.size()]));

  tlw::SiteStatistics& stats = profile.Statistics();
  stats.Prepare();
  const std::string periodStart(input.Key());
  const std::string periodEnd(input.Key());
  const std::string busiestDay(input.Key());
  const auto& tables = tlw::SiteStatistics::Tables();
  while (!input.Empty()) {
    const unsigned table = input.Byte();
    const std::int64_t count = static_cast<std::int8_t>(input.Byte());
    const std::string_view key = input.Key();
    if (table == 0xff) {
      stats.lastVisitors.PushFront(key, 20);
    } else {
      (stats.*tables[table % tables.size()].table).Add(key, count);
      stats.uniqueHosts += count;
      stats.totalBytes += count;
    }
  }

  const tlw::ReportInput report{
      .profile = profile,
      .statistics = stats,
      .periodStart = periodStart,
      .periodEnd = periodEnd,
      .busiestDay = busiestDay,
      .graphFilePrefix = "0_fuzz",
      .programDirectory = folder.path().string(),
      .host = {},
  };
  const tlw::Result<tlw::ReportOutcome> outcome = tlw::GenerateReport(report);
  TLW_FUZZ_CHECK(outcome.ok());
  std::ifstream in(outcome->reportFile, std::ios::binary);
  const std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TLW_FUZZ_CHECK(!html.empty());
  // The input's keys hold "<" freely; in the report it is always escaped, so
  // an element the report does not write itself never appears.
  TLW_FUZZ_CHECK(html.find("<script") == std::string::npos &&
                 html.find("<SCRIPT") == std::string::npos);
  TLW_FUZZ_CHECK(html.find("<x") == std::string::npos);
  return 0;
}
