#include "report/report_assembly.h"

#include <fcntl.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "report/theme.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

struct RecordingHost : ProgressSink, RunNotifier {
  std::vector<int> stages;
  std::vector<std::string> messages;
  void Post(int stage, int) override { stages.push_back(stage); }
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  RunHost Host() { return RunHost{this, this, nullptr}; }
};

Result<PageHeadFacts> NoPages(const std::string& url) { return Status::Error("no page " + url); }

class ReportAssemblyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.SetListIndex(0);
    profile_.SetHomepageUrl("http://www.example.com");
    SiteStatistics& stats = profile_.Statistics();
    stats.Prepare();
    stats.uniqueHosts = 3;
    stats.successfulRequests = 12;
    stats.hostnames.Add("a.example.com", 7);
    stats.hostnames.Add("b.example.org", 4);
    stats.hostnames.Add("10.0.0.1", 1);
    stats.dirs.Add("/", 8);
    stats.dirs.Add("/docs/", 4);
    stats.webPages.Add("/index.html", 8);
    stats.webPages.Add("/docs/a.html", 4);
    stats.days.Add("Oct-9-2026", 5);
    stats.days.Add("Oct-10-2026", 7);
    stats.hours.Add("10", 5);
    stats.hours.Add("18", 7);
    stats.weekdays.Add("Friday", 5);
    stats.weekdays.Add("Saturday", 7);
    stats.retCodes.Add("200", 11);
    stats.retCodes.Add("404", 1);
    stats.referers.Add("https://search.example.net/?q=x", 2);
    stats.referers.Add("http://x/\"><script>alert(1)</script>", 1);
  }
  // What a run hands its report, with the program directory in dir_.
  ReportInput Input(bool lookups = false) {
    return ReportInput{
        .profile = profile_,
        .statistics = profile_.Statistics(),
        .periodStart = "Oct-9-2026 10:00",
        .periodEnd = "Oct-10-2026 18:30",
        .busiestDay = "Oct-10",
        .graphFilePrefix = "0_Oct-10",
        .programDirectory = dir_.path().string(),
        .whoisLookups = lookups,
        .pageHeads = lookups ? PageHeadSource(NoPages) : PageHeadSource(),
        .host = host_.Host(),
    };
  }

  test::TempDir dir_;
  CSiteProfile profile_;
  RecordingHost host_;
};

TEST_F(ReportAssemblyTest, WritesReportAndGraphsBesideIt) {
  profile_.SetReportPath((dir_.path() / "site.v2" / "stats" / "index.html").string());
  const Result<ReportOutcome> report = GenerateReport(Input());
  ASSERT_TRUE(report.ok());
  const auto folder = dir_.path() / "site.v2" / "stats";
  EXPECT_EQ(report->reportFolder, folder.string());
  EXPECT_EQ(report->reportFile, (folder / "index.html").string());
  EXPECT_EQ(report->graphFiles.front(), (folder / "images" / "0_Oct-10tlwgraph_hostnames.gif"));
  const std::string html = test::ReadFileBytes(folder / "index.html");
  ASSERT_FALSE(html.empty());
  EXPECT_TRUE(html.starts_with("<html>\n<head>"));
  EXPECT_TRUE(html.ends_with("\n  </TABLE>\n\n"));
  EXPECT_TRUE(std::filesystem::exists(folder / "images" / "0_Oct-10tlwgraph_hostnames.gif"));
  EXPECT_TRUE(std::filesystem::exists(folder / "images" / "0_Oct-10tlwgraph_dirs.gif"));
  EXPECT_NE(
      html.find("<IMG SRC=\"./images/0_Oct-10tlwgraph_hostnames.gif\" ALT=\"Hostnames Graph\">"),
      std::string::npos);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_EQ(host_.stages, (std::vector<int>{45}));  // the run posted 8 before
  EXPECT_TRUE(host_.messages.empty());
}

// The look-up stages come before their sections and the report says it is
// writing again after each; never the same stage twice in a row.
TEST_F(ReportAssemblyTest, LookupStagesFrameTheirSections) {
  profile_.SetReportPath((dir_.path() / "r.html").string());
  profile_.SetIncludeGraphs(0);
  profile_.SetSectionOrder("4|4|3|11|12|");
  // A home page ending in "/" fetches no title, so nothing goes out.
  profile_.SetHomepageUrl("http://www.example.com/");
  ASSERT_TRUE(GenerateReport(Input(true)).ok());
  EXPECT_EQ(host_.stages, (std::vector<int>{11, 8, 11, 8, 9, 8, 9, 8}));
}

// The page heads handed in go into the rows of both page sections, their
// titles as text, never as markup; only the site's own pages are asked for.
TEST_F(ReportAssemblyTest, PageTitlesGoIntoBothPageSectionsEscaped) {
  profile_.Statistics().webPages.Add("/hostile.html", 20);
  profile_.Statistics().webPages.Add("/dated.html", 1);
  profile_.Statistics().webPages.Add("@evil.example/x.html", 1);
  profile_.SetReportPath((dir_.path() / "r.html").string());
  profile_.SetIncludeGraphs(0);
  profile_.SetSectionOrder("11|12|");
  std::vector<std::string> asked;
  ReportInput input = Input();
  input.pageHeads = [&asked](const std::string& url) -> Result<PageHeadFacts> {
    asked.push_back(url);
    const std::string title =
        url.ends_with("/hostile.html") ? "<script>alert(1)</script> AT&T" : "Dated";
    return PageHeadFacts{200, "Tue, 01 Oct 2024 10:00:00 GMT",
                         "<html><head><title>" + title + "</title>"};
  };
  ASSERT_TRUE(GenerateReport(input).ok());
  const std::string html = test::ReadFileBytes(dir_.path() / "r.html");
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; AT&amp;T"), std::string::npos);
  const std::string dated = "/dated.html<BR>&nbsp;<small><font color=#";
  const size_t most = html.find(dated);
  ASSERT_NE(most, std::string::npos);
  EXPECT_NE(html.find(dated, most + 1), std::string::npos) << "Least Accessed Pages has it too";
  ASSERT_FALSE(asked.empty());
  for (const std::string& url : asked)
    EXPECT_TRUE(url.starts_with("http://www.example.com/")) << url;
}

TEST_F(ReportAssemblyTest, SectionOrderDecidesWhatIsWrittenAndWhere) {
  profile_.SetReportPath((dir_.path() / "r.html").string());
  profile_.SetIncludeGraphs(0);
  profile_.SetShowHourlySummary(0);
  profile_.Statistics().logons.Add("alice", 3);
  profile_.Statistics().logons.Add("bob", 1);
  // 0 and 2^32 + 3 name no section (the latter is not 3 cut to 32 bits);
  // nothing after the last "|" is read.
  profile_.SetSectionOrder("0|4294967299|18|9|3|7");
  ASSERT_TRUE(GenerateReport(Input()).ok());
  const std::string html = test::ReadFileBytes(dir_.path() / "r.html");
  const size_t status = html.find("Server Status Codes</font>");
  const size_t weekdays = html.find("Days of the Week </font>");
  const size_t hosts = html.find("Hostnames </font>");
  const size_t logons = html.find("Authenticated Logons </font>");
  ASSERT_NE(status, std::string::npos);
  ASSERT_NE(weekdays, std::string::npos);  // written with 9 even with the hours off
  ASSERT_NE(hosts, std::string::npos);
  EXPECT_LT(status, weekdays);
  EXPECT_LT(weekdays, hosts);
  EXPECT_LT(hosts, logons);  // always last, and only there
  EXPECT_EQ(html.find("Hostnames </font>", hosts + 1), std::string::npos);
  EXPECT_EQ(html.find("Authenticated Logons", logons + 1), std::string::npos);
  EXPECT_EQ(html.find("Hours </font>"), std::string::npos);
  EXPECT_EQ(html.find("File Types"), std::string::npos);
  EXPECT_EQ(html.find("<IMG"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "images"));
}

TEST_F(ReportAssemblyTest, BareAndRelativeNamesLiveInTheProgramDirectory) {
  profile_.SetReportPath("stats%d");
  const Result<ReportOutcome> bare = GenerateReport(Input());
  ASSERT_TRUE(bare.ok());
  EXPECT_EQ(bare->reportFolder, dir_.path().string());
  EXPECT_EQ(bare->finalReportFileName, (dir_.path() / "stats10-10-2026.html").string());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "stats10-10-2026.html"));
  EXPECT_TRUE(bare->warnings.empty());

  // Relative to the program directory, not to the current folder.
  profile_.SetReportPath("out/index.html");
  const Result<ReportOutcome> relative = GenerateReport(Input());
  ASSERT_TRUE(relative.ok());
  EXPECT_EQ(relative->reportFolder, (dir_.path() / "out").string());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "out" / "index.html"));
}

TEST_F(ReportAssemblyTest, RemoteReportIsWrittenToTheRowsLocalCopy) {
  profile_.SetUploadReport(1);
  profile_.SetListIndex(3);
  profile_.SetReportPath("/htdocs/stats/index.html");
  const Result<ReportOutcome> report = GenerateReport(Input());
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(report->reportFolder, "/htdocs/stats");
  EXPECT_EQ(report->finalReportFileName, "/htdocs/stats/index.html");
  EXPECT_EQ(report->reportFile, (dir_.path() / "Report3").string());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Report3"));
  // Its graphs wait beside the copy for the upload.
  ASSERT_FALSE(report->graphFiles.empty());
  for (const std::string& graph : report->graphFiles) {
    EXPECT_TRUE(graph.starts_with((dir_.path() / "0_Oct-10tlwgraph_").string())) << graph;
    EXPECT_TRUE(std::filesystem::exists(graph)) << graph;
  }
}

// A report into a pipe (or a device) is the page alone, written through
// it: no images folder and no graph beside it, and the pipe stays a pipe.
TEST_F(ReportAssemblyTest, ReportIntoAPipeIsWrittenThroughIt) {
  const fs::path pipe = dir_.path() / "out" / "pipe";
  fs::create_directories(pipe.parent_path());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    const int fd = ::open(pipe.c_str(), O_RDONLY);
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
      received.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
  });
  profile_.SetReportPath(pipe.string());
  const Result<ReportOutcome> report = GenerateReport(Input());
  // Lets the reader go whether or not the report opened the pipe.
  if (const int release = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK); release >= 0) {
    ::close(release);
  }
  reader.join();
  ASSERT_TRUE(report.ok()) << report.message();
  EXPECT_TRUE(received.starts_with("<html>\n<head>"));
  EXPECT_TRUE(received.ends_with("\n  </TABLE>\n\n"));
  EXPECT_EQ(received.find("<IMG"), std::string::npos);
  EXPECT_TRUE(report->graphFiles.empty());
  EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(pipe.parent_path()), {}),
            std::vector<fs::path>{pipe});
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(ReportAssemblyTest, UnwritableReportIsAnErrorAndKeepsNothingHalfWritten) {
  dir_.Write("blocked", "a file where the folder should be");
  profile_.SetReportPath((dir_.path() / "blocked" / "index.html").string());
  const Result<ReportOutcome> status = GenerateReport(Input());
  ASSERT_FALSE(status.ok());
  const std::string expected =
      "Error creating HTML report: " + (dir_.path() / "blocked" / "index.html").string();
  EXPECT_EQ(host_.messages, std::vector<std::string>{expected});
  EXPECT_TRUE(status.message().starts_with(expected));
}

// WCAG contrast of colours given as 0xRRGGBB.
double Luminance(long rgb) {
  const auto linear = [](long channel) {
    const double c = static_cast<double>(channel) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(rgb >> 16 & 0xFF) + 0.7152 * linear(rgb >> 8 & 0xFF) +
         0.0722 * linear(rgb & 0xFF);
}
double Contrast(long a, long b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The value of colour attribute `name` of the lower-cased tag text.
std::optional<long> ColorAttribute(const std::string& tag, const std::string& name) {
  const size_t at = tag.find(" " + name + "=");
  if (at == std::string::npos) return std::nullopt;
  size_t start = at + name.size() + 2;
  while (start < tag.size() && (tag[start] == '"' || tag[start] == '#')) ++start;
  return std::strtol(tag.c_str() + start, nullptr, 16);
}

// A text of the page with the colours it is shown in.
struct ShownText {
  std::string text;
  long color;
  long background;
};

// The texts drawn on a background set by an element other than a column
// heading (which keeps the theme's own header colour), resolving the colour
// attributes as a browser does: body text and bgcolor, bgcolor of tables,
// rows and cells, font color; a new row or cell ends an open one. Links
// keep the theme's own link colours and the header box divider's "|" is a
// filler, so both are left out.
std::vector<ShownText> TextsOnBackgrounds(const std::string& html, long headerColor) {
  struct Element {
    std::string name;
    long color = 0;
    long background = 0xFFFFFF;
    bool ownBackground = false;
    bool link = false;
  };
  std::vector<Element> open{Element{}};
  const auto close = [&](const std::string& name, std::initializer_list<const char*> stops) {
    for (size_t i = open.size() - 1; i > 0; --i) {
      for (const char* stop : stops) {
        if (open[i].name == stop) return;
      }
      if (open[i].name == name) {
        open.resize(i);
        return;
      }
    }
  };
  std::vector<ShownText> texts;
  for (size_t i = 0; i < html.size();) {
    if (html[i] != '<') {
      const size_t end = std::min(html.find('<', i), html.size());
      std::string text = html.substr(i, end - i);
      i = end;
      for (size_t at; (at = text.find("&nbsp;")) != std::string::npos;) text.erase(at, 6);
      if (text.find_first_not_of(" \n\t") == std::string::npos || text == "|") continue;
      const Element& e = open.back();
      if (e.ownBackground && !e.link) texts.push_back({text, e.color, e.background});
      continue;
    }
    const size_t end = html.find('>', i);
    std::string tag = html.substr(i + 1, end - i - 1);
    i = end + 1;
    for (char& c : tag) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : tag) c = c == '\n' ? ' ' : c;
    const std::string name = tag.substr(0, tag.find(' '));
    if (name.starts_with('/')) {
      close(name.substr(1), {});
      continue;
    }
    if (name == "br" || name == "img" || name == "hr" || name == "meta") continue;
    if (name == "tr") close("tr", {"table"});
    if (name == "td" || name == "th") {
      close("td", {"tr", "table"});
      close("th", {"tr", "table"});
    }
    Element e = open.back();
    e.name = name;
    if (const auto background = ColorAttribute(tag, "bgcolor")) {
      e.background = *background;
      e.ownBackground = name != "body" && *background != headerColor;
    }
    const auto color = ColorAttribute(tag, name == "body" ? "text" : "color");
    if (color && (name == "body" || name == "font")) e.color = *color;
    e.link = e.link || name == "a";
    open.push_back(e);
  }
  return texts;
}

struct GdImageDeleter {
  void operator()(gdImagePtr image) const { gdImageDestroy(image); }
};

// The colour a person sees at (x, y): the page's where the graph is
// transparent.
long ShownColor(gdImagePtr image, int x, int y, long page) {
  const int index = gdImageGetPixel(image, x, y);
  if (index == gdImageGetTransparent(image)) return page;
  return static_cast<long>(gdImageRed(image, index)) << 16 | gdImageGreen(image, index) << 8 |
         gdImageBlue(image, index);
}

// Expects every pixel of the box that is not `background` (glyphs) to
// contrast at least 3:1 with it, and at least one such pixel.
void ExpectReadableText(gdImagePtr image, long page, int x1, int y1, int x2, int y2,
                        long background) {
  int glyphPixels = 0;
  double worst = 21;
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) {
      const long color = ShownColor(image, x, y, page);
      if (color == background) continue;
      ++glyphPixels;
      worst = std::min(worst, Contrast(color, background));
    }
  }
  EXPECT_GT(glyphPixels, 0);
  EXPECT_GE(worst, 3.0) << "box " << x1 << "," << y1 << " on " << std::hex << background;
}

class ReportContrastTest : public ReportAssemblyTest,
                           public testing::WithParamInterface<std::string_view> {};

// In every theme the text of shaded rows, boxes and graphs reads: at least
// 3:1 against what it is drawn on, as a person sees it in the browser.
TEST_P(ReportContrastTest, TextOfShadedRowsBoxesAndGraphsReads) {
  profile_.SetThemeName(std::string(GetParam()));
  profile_.SetReportPath((dir_.path() / "r.html").string());
  SiteStatistics& stats = profile_.Statistics();
  // Every status class lands on a shaded row: 500, 200, 501, 304, 502, 404.
  for (const auto& [code, count] :
       {std::pair{"500", 30}, {"200", 9}, {"501", 15}, {"304", 10}, {"502", 5}}) {
    stats.retCodes.Add(code, count);
  }
  stats.fileTypes.Add(".HTML", 8);
  stats.fileTypes.Add(".GIF", 3);
  stats.lastVisitors.PushFront("10.0.0.1 [Oct-10 18:30]", 20);
  stats.lastVisitors.PushFront("a.example.com [Oct-10 18:31]", 20);
  // Bar 0's label fits inside its bar (182 pixels); bar 1's follows its
  // bar of 15 pixels between the grid lines at 75 and 100.
  stats.brokenLinks.Add("/gone/page-1.htm", 37);
  stats.brokenLinks.Add("b.io", 3);
  ASSERT_TRUE(GenerateReport(Input()).ok());

  const ThemeColors colors = FindTheme(GetParam()).colors;
  const long page = std::strtol(std::string(colors.backgroundColor).c_str(), nullptr, 16);
  const long header = std::strtol(std::string(colors.headerColor).c_str(), nullptr, 16);
  const auto texts = TextsOnBackgrounds(test::ReadFileBytes(dir_.path() / "r.html"), header);
  EXPECT_GT(texts.size(), 20u);  // the Summary, the period box and many rows
  for (const ShownText& text : texts) {
    EXPECT_GE(Contrast(text.color, text.background), 3.0)
        << text.text << ": " << std::hex << text.color << " on " << text.background;
  }

  std::string gif =
      test::ReadFileBytes(dir_.path() / "images" / "0_Oct-10tlwgraph_brokenlinks.gif");
  const std::unique_ptr<gdImage, GdImageDeleter> image(
      gdImageCreateFromGifPtr(static_cast<int>(gif.size()), gif.data()));
  ASSERT_TRUE(image);
  gdImagePtr graph = image.get();
  if (IsDarkPage(colors)) {
    EXPECT_NE(gdImageGetPixel(graph, 0, 0), gdImageGetTransparent(graph));
  }
  const long background = ShownColor(graph, 0, 0, page);
  ExpectReadableText(graph, page, 0, 18, 349, 32, background);  // the title
  ExpectReadableText(graph, page, 0, 38, 349, 45, background);  // the upper axis labels
  ExpectReadableText(graph, page, 76, 71, 95, 78, background);  // a label after its bar
  const long face = ShownColor(graph, 51, 55, page);
  ExpectReadableText(graph, page, 51, 54, 231, 61, face);  // a label in its bar
}

INSTANTIATE_TEST_SUITE_P(Themes, ReportContrastTest, testing::ValuesIn(kThemeNames),
                         [](const testing::TestParamInfo<std::string_view>& param) {
                           std::string name;
                           for (const char c : param.param) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name.empty() ? std::string("Default") : name;
                         });

TEST(ReportPaths, FolderIsThePathUpToItsLastName) {
  EXPECT_EQ(ReportFolderOf("C:\\My.Site\\stats\\index.html"), "C:/My.Site/stats");
  EXPECT_EQ(ReportFolderOf("/var/www/stats/index.html"), "/var/www/stats");
  EXPECT_EQ(ReportFolderOf("/index.html"), "/");
  EXPECT_EQ(ReportFolderOf("report.html"), "");
}

// Only a name that ends in "%d" is dated; a "%d" anywhere else is text, in
// a folder as in a name.
TEST(ReportPaths, OnlyANameEndingInPercentDIsDated) {
  const std::pair<const char*, const char*> cases[] = {
      {"/w/stats%d", "/w/stats6-24-1999.html"},       {"/w/stats%x%d", "/w/stats%x6-24-1999.html"},
      {"/w/%d/index.html", "/w/%d/index.html"},       {"/w/x%dy.htm", "/w/x%dy.htm"},
      {"/w/%d/stats%d", "/w/%d/stats6-24-1999.html"}, {"/w/index.html", "/w/index.html"},
  };
  for (const auto& [reportPath, expected] : cases) {
    EXPECT_EQ(FinalReportFileName(reportPath, "6-24-1999"), expected) << reportPath;
  }
  EXPECT_EQ(FinalReportFileName("/w/stats%d", "..\\..\\tmp\\x\\PWNED-10-2000 13:55"),
            "/w/statsundated.html");
  EXPECT_EQ(LocalReportPlaceOf("r/%d/x%dy.htm", "6-24-1999", "/p").file, "/p/r/%d/x%dy.htm");
}

// Reports named apart never share a graph name, however alike their names
// look once made safe for a file name.
TEST(ReportPaths, GraphPrefixOfAReportIsItsOwnName) {
  EXPECT_EQ(GraphFilePrefixOfReport("/w/stats.html"), "stats.html_");
  EXPECT_EQ(GraphFilePrefixOfReport("C:\\w\\r e.htm"), "r_20e.htm_");
  EXPECT_EQ(GraphFilePrefixOfReport("a\"><b.html"), "a_22_3E_3Cb.html_");
  EXPECT_NE(GraphFilePrefixOfReport("/w/a_20b.html"), GraphFilePrefixOfReport("/w/a b.html"));
}

// The dated name is the period end's date in numbers, never its text.
TEST(ReportPaths, DatedNamePartIsTheDateInNumbers) {
  const std::pair<const char*, const char*> cases[] = {
      {"6-24-1999", "6-24-1999"},       {"Oct-10-2026 18:30", "10-10-2026"},
      {"03-01-24 00:00", "3-1-2024"},   {"12-31-99 23:00", "12-31-1999"},
      {"00-00-00", "undated"},          {"", "undated"},
      {"Foo-10-2000 13:55", "undated"}, {"10-32-2000", "undated"},
      {"10-x1-2000", "undated"},        {"..\\..\\tmp\\PWNED-10-2000 13:55", "undated"},
      {"10-10-/../../x", "undated"},
  };
  for (const auto& [periodEnd, expected] : cases) {
    EXPECT_EQ(DatedNamePart(periodEnd), expected) << periodEnd;
  }
}

}  // namespace
}  // namespace tlw
