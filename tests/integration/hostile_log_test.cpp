// Logs are written by whoever sends requests: a report made from a hostile
// log must show that text as text and keep every file where the user put it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Each line puts markup into another field; the last one forges the date the
// graph file names are made from.
constexpr const char* kHostileLog =
    "1.2.3.4 - - [14/Mar/2024:10:00:00 +0000] \"GET /index.html HTTP/1.1\" 200 100 \"-\" "
    "\"Mozilla/5.0\"\n"
    "1.2.3.4 - alice'onmouseover='document.title=12 [14/Mar/2024:10:00:01 +0000] \"GET "
    "/<script>document.title=1</script>.html "
    "HTTP/1.1\" 200 100 \"http://evil.example/'><svg/onload=document.title=3>\" \"Mozilla/5.0\"\n"
    "1.2.3.5 - <b/onclick=document.title=4> [14/Mar/2024:10:00:02 +0000] \"GET "
    "/x'onmouseover='document.title=2'.html HTTP/1.1\" 404 100 \"javascript:document.title=5\" "
    "\"<img src=x onerror=document.title=6>\"\n"
    "<iframe/src=javascript:document.title=7> - - [14/Mar/2024:10:00:02 +0000] \"GET "
    "/\\\"><script>document.title=8</script> HTTP/1.1\" 200 100 "
    "\"http://evil.example/\\\"onmouseover=\\\"document.title=9\" "
    "\"\\\"><script>document.title=10</script>\"\n"
    "1.2.3.6 - - [15 onerror=with(document)title=7331133 x/Mar/2024:10:00:03 +0000] \"GET "
    "/c.html HTTP/1.1\" 200 100 \"-\" \"Mozilla/5.0\"\n";

// One element of a serialised DOM: its tag name and attributes.
struct Element {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The start tags of a DOM as Chromium serialises it: every attribute value
// in double quotes, text with "<" and "&" escaped.
std::vector<Element> StartTags(const std::string& dom) {
  std::vector<Element> elements;
  size_t i = 0;
  const auto isSpace = [&](size_t at) {
    return at < dom.size() && std::isspace(static_cast<unsigned char>(dom[at])) != 0;
  };
  while ((i = dom.find('<', i)) != std::string::npos) {
    ++i;
    if (i >= dom.size() || !std::isalpha(static_cast<unsigned char>(dom[i]))) continue;
    Element element;
    while (i < dom.size() && !isSpace(i) && dom[i] != '>' && dom[i] != '/')
      element.name += dom[i++];
    for (;;) {
      while (isSpace(i)) ++i;
      if (i >= dom.size() || dom[i] == '>' || dom[i] == '/') break;
      std::string name;
      while (i < dom.size() && !isSpace(i) && dom[i] != '=' && dom[i] != '>') name += dom[i++];
      std::string value;
      if (i < dom.size() && dom[i] == '=') {
        ++i;
        const size_t end = dom[i] == '"' ? dom.find('"', i + 1) : dom.find_first_of(" >", i);
        value = dom.substr(dom[i] == '"' ? i + 1 : i, end - (dom[i] == '"' ? i + 1 : i));
        i = dom[i] == '"' ? end + 1 : end;
      }
      element.attributes.emplace_back(Lower(name), value);
    }
    element.name = Lower(element.name);
    elements.push_back(std::move(element));
  }
  return elements;
}

std::string ChromiumProgram() {
  for (const char* name : {"chromium", "chromium-browser"}) {
    if (std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0) {
      return name;
    }
  }
  return {};
}

// The DOM of `page` after Chromium has loaded it (and run any script it has).
std::string DumpDom(const std::string& chromium, const fs::path& page, const test::TempDir& dir) {
  const fs::path dom = dir / "dom.html";
  const std::string command =
      "timeout 120 " + chromium +
      " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync "
      "--user-data-dir='" +
      (dir / "chromium-profile").string() + "' --dump-dom 'file://" + page.string() + "' >'" +
      dom.string() + "' 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return test::ReadFileBytes(dom);
}

TEST(HostileLog, ReportShowsLogTextAsTextInABrowser) {
  const std::string chromium = ChromiumProgram();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  dir.Write("hostile.log", kHostileLog);
  const test::ProcessRun run = test::RunCliProgram(dir,
                                                   "report hostile.log -o out/stats.html "
                                                   "--site 'javascript:document.title=11'");
  ASSERT_EQ(run.code, 0) << run.err;

  const std::string dom = DumpDom(chromium, dir / "out" / "stats.html", dir);
  ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM from " << chromium;
  // The log's markup is in the page, as text.
  for (const char* text :
       {"&lt;script&gt;document.title=1&lt;/script&gt;", "&lt;b/onclick=document.title=4&gt;",
        "&lt;iframe/src=javascript:document.title=7&gt;"}) {
    EXPECT_NE(dom.find(text), std::string::npos) << text;
  }

  // Only elements and attributes the report itself writes; no handler ran.
  const std::set<std::string> tags{"html",  "head",   "meta",  "title", "body", "table",
                                   "tbody", "tr",     "td",    "th",    "font", "b",
                                   "big",   "a",      "i",     "p",     "br",   "strong",
                                   "img",   "center", "small", "hr",    "div"};
  const std::set<std::string> attributes{
      "http-equiv", "content",    "name",   "bgcolor", "text",        "marginwidth", "marginheight",
      "topmargin",  "leftmargin", "vlink",  "link",    "cellpadding", "cellspacing", "border",
      "width",      "height",     "align",  "valign",  "face",        "size",        "colspan",
      "color",      "href",       "target", "src",     "alt",         "noshade",     "bordercolor"};
  std::string title;
  int images = 0;
  for (const Element& element : StartTags(dom)) {
    EXPECT_TRUE(tags.contains(element.name)) << "<" << element.name << ">";
    for (const auto& [name, value] : element.attributes) {
      EXPECT_TRUE(attributes.contains(name)) << "<" << element.name << " " << name << "=...>";
      if (name == "href") {
        EXPECT_TRUE(value == "#" || value.starts_with("http://") || value.starts_with("https://"))
            << value;
      }
      if (element.name == "img" && name == "src") {
        ++images;
        ASSERT_TRUE(value.starts_with("./images/")) << value;
        EXPECT_TRUE(fs::exists(dir / "out" / value)) << value;
      }
    }
  }
  const auto graphs = fs::directory_iterator(dir / "out" / "images");
  EXPECT_EQ(images, std::distance(fs::begin(graphs), fs::end(graphs)));
  const size_t titleStart = dom.find("<title>");
  ASSERT_NE(titleStart, std::string::npos);
  EXPECT_EQ(dom.compare(titleStart, 43, "<title>Website Visitor Traffic Statistics: "), 0)
      << dom.substr(titleStart, 80);
}

TEST(HostileLog, DatedReportNameStaysInTheReportFolder) {
  test::TempDir dir;
  fs::create_directories(dir / "reports");
  fs::create_directories(dir / "x");
  // The last record's month is a path; the period end names the report.
  dir.Write("access.log",
            "03/01/2024 00:00:01\t203.0.113.7\t-\tGET\t/a.html\tMozilla/5.0 (X11)\t200\t100\t\t\t\n"
            "03/01/2024 00:00:02\t203.0.113.7\t-\tGET\t/b.html\tMozilla/5.0 (X11)\t200\t100\t\t\t\n"
            "..\\x\\PWNED/10/2000 13:55:00\t203.0.113.8\t-\tGET\t/c.html\tMozilla/5.0 "
            "(X11)\t200\t100\t\t\t\n");
  const test::ProcessRun run = test::RunCliProgram(dir, "report access.log -o 'reports/stats%d'");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Report: " + (dir / "reports" / "statsundated.html").string()));
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    if (!entry.is_regular_file() || entry.path() == dir / "access.log") continue;
    EXPECT_TRUE(entry.path().string().starts_with((dir / "reports").string() + "/"))
        << entry.path();
  }
}

}  // namespace
}  // namespace tlw
