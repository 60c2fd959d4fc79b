// The input fills the statistics tables with keys and counts of its own
// making, then the whole report is written into a temporary folder, graphs
// included when the input asks for them. The report must be written, and no
// key may open an element or leave an attribute in it.

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
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

// Whether every "<" of `html` opens or closes an element of the report's
// own vocabulary, followed by a blank, a line end or ">": text from the
// input can then have started no element.
bool OnlyReportMarkup(std::string_view html) {
  static const std::set<std::string, std::less<>> kElements = {
      "A",    "B",      "BIG",   "BODY",  "BR",    "CENTER", "DIV",  "FONT",  "H1", "H2",
      "H3",   "HEAD",   "HR",    "HTML",  "I",     "IMG",    "LINK", "META",  "P",  "SMALL",
      "SPAN", "STRONG", "STYLE", "TABLE", "TBODY", "TD",     "TH",   "TITLE", "TR", "!DOCTYPE"};
  for (std::size_t i = html.find('<'); i != std::string_view::npos; i = html.find('<', i + 1)) {
    std::size_t end = i + 1;
    if (end < html.size() && html[end] == '/') ++end;
    const std::size_t nameStart = end;
    std::string name;
    while (end < html.size() && (std::isalnum(static_cast<unsigned char>(html[end])) != 0 ||
                                 (end == nameStart && html[end] == '!'))) {
      name += static_cast<char>(std::toupper(static_cast<unsigned char>(html[end])));
      ++end;
    }
    if (kElements.count(name) == 0) return false;
    if (end < html.size() && html[end] != ' ' && html[end] != '>' && html[end] != '\n')
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ReportFolder folder;
  InputReader input(tlw::fuzz::AsText(data, size));

  tlw::CSiteProfile profile;
  profile.SetListIndex(0);
  profile.SetHomepageUrl("http://www.example.com");
  profile.SetReportPath((folder.path() / "report.html").string());
  const unsigned options = input.Byte();
  // Asked for by the input: every key ends in markup and both quotes, which
  // must all come out as entities wherever a key is written.
  const bool marked = (options & 0x80) != 0;
  std::string markedKey;
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
    std::string_view key = input.Key();
    if (marked) {
      markedKey.assign(key).append("<q\"q'q");
      key = markedKey;
    }
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
      .pageHeads = {},
      .host = {},
  };
  const tlw::Result<tlw::ReportOutcome> outcome = tlw::GenerateReport(report);
  TLW_FUZZ_CHECK(outcome.ok());
  std::ifstream in(outcome->reportFile, std::ios::binary);
  const std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TLW_FUZZ_CHECK(!html.empty());
  TLW_FUZZ_CHECK(OnlyReportMarkup(html));
  if (marked) {
    TLW_FUZZ_CHECK(html.find("<q") == std::string::npos);
    TLW_FUZZ_CHECK(html.find("\"q") == std::string::npos);
    TLW_FUZZ_CHECK(html.find("'q") == std::string::npos);
  }
  return 0;
}
