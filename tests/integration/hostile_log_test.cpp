// Logs are written by whoever sends requests: a report made from a hostile
// log must show that text as text and keep every file where the user put it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"

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

// Checks the DOM Chromium made of the report in `out` (named stats.html):
// only elements and attributes the report itself writes, links only to
// web pages, images only the graphs written beside it, and the title as
// written (every payload of the corpora sets the title if it runs).
void ExpectOnlyReportMarkup(const std::string& dom, const fs::path& out) {
  ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM for " << out;
  const std::set<std::string> tags{"html",  "head",   "meta",  "title", "body", "table",
                                   "tbody", "tr",     "td",    "th",    "font", "b",
                                   "big",   "a",      "i",     "p",     "br",   "strong",
                                   "img",   "center", "small", "hr",    "div"};
  const std::set<std::string> attributes{
      "http-equiv", "content",    "name",   "bgcolor", "text",        "marginwidth", "marginheight",
      "topmargin",  "leftmargin", "vlink",  "link",    "cellpadding", "cellspacing", "border",
      "width",      "height",     "align",  "valign",  "face",        "size",        "colspan",
      "color",      "href",       "target", "src",     "alt",         "noshade",     "bordercolor"};
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
        EXPECT_TRUE(fs::exists(out / value)) << value;
      }
    }
  }
  if (fs::exists(out / "images")) {
    const auto graphs = fs::directory_iterator(out / "images");
    EXPECT_EQ(images, std::distance(fs::begin(graphs), fs::end(graphs)));
  }
  const size_t title = dom.find("<title>");
  ASSERT_NE(title, std::string::npos);
  EXPECT_EQ(dom.compare(title, 43, "<title>Website Visitor Traffic Statistics: "), 0)
      << dom.substr(title, 80);
}

// Checks the DOM Chromium made of a modern view: no element that runs or
// fetches anything, no event attribute, links only within the page, to the
// classic report or to web pages, and the title as written.
void ExpectOnlyModernMarkup(const std::string& dom, const std::string& site) {
  ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM of the modern view";
  const std::set<std::string> forbidden{"script", "iframe", "object",       "embed",
                                        "img",    "frame",  "base",         "form",
                                        "input",  "link",   "foreignobject"};
  for (const Element& element : StartTags(dom)) {
    EXPECT_FALSE(forbidden.contains(element.name)) << "<" << element.name << ">";
    for (const auto& [name, value] : element.attributes) {
      EXPECT_FALSE(name.starts_with("on")) << "<" << element.name << " " << name << "=...>";
      EXPECT_NE(name, "src") << "<" << element.name << " src=" << value << ">";
      if (name == "href") {
        EXPECT_TRUE(value.starts_with("#") || value == "stats.html" ||
                    value.starts_with("http://") || value.starts_with("https://"))
            << value;
      }
    }
  }
  const size_t title = dom.find("<title>");
  ASSERT_NE(title, std::string::npos);
  const std::string expected = "<title>" + site + " \xE2\x80\x94 Web statistics</title>";
  EXPECT_EQ(dom.compare(title, expected.size(), expected), 0) << dom.substr(title, 80);
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
  // The log's markup is in the page, as text.
  for (const char* text :
       {"&lt;script&gt;document.title=1&lt;/script&gt;", "&lt;b/onclick=document.title=4&gt;",
        "&lt;iframe/src=javascript:document.title=7&gt;"}) {
    EXPECT_NE(dom.find(text), std::string::npos) << text;
  }
  ExpectOnlyReportMarkup(dom, dir / "out");
}

// Script payloads without blanks, so that they fit any field of any layout;
// each sets the page title if it ever runs.
const std::vector<std::string>& Payloads() {
  static const std::vector<std::string> payloads = {
      "<script>document.title=101</script>",
      "<svg/onload=document.title=102>",
      "\"><svg/onload=document.title=103>",
      "'><svg/onload=document.title=104>",
      "javascript:document.title=105",
      "data:text/html,<script>document.title=106</script>",
      "<img/src=x/onerror=document.title=107>",
      "</title></textarea></td></table><script>document.title=108</script>",
  };
  return payloads;
}

// The fields one line of any layout is made of.
struct Fields {
  std::string host = "192.0.2.1";
  std::string user = "-";
  std::string method = "GET";
  std::string path = "/index.html";
  std::string query = "a=1";
  std::string referrer = "http://www.example.org/";
  std::string agent = "Mozilla/5.0";
};

// One line in each of the five layouts (NCSA in both forms), as the servers
// write them; a file opens with its directive lines.
struct Layout {
  const char* file;
  const char* header;
  std::string (*line)(const Fields&);
};

const Layout kLayouts[] = {
    {"common.log", "",
     [](const Fields& f) {
       return f.host + " - " + f.user + " [14/Mar/2024:10:00:00 +0000] \"" + f.method + " " +
              f.path + "?" + f.query + " HTTP/1.1\" 200 100\n";
     }},
    {"combined.log", "",
     [](const Fields& f) {
       return f.host + " - " + f.user + " [14/Mar/2024:10:00:00 +0000] \"" + f.method + " " +
              f.path + "?" + f.query + " HTTP/1.1\" 200 100 \"" + f.referrer + "\" \"" + f.agent +
              "\"\n";
     }},
    {"w3c.log",
     "#Software: Microsoft Internet Information Services 10.0\n#Version: 1.0\n"
     "#Date: 2024-03-14 10:00:00\n#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query "
     "s-port cs-username c-ip cs(User-Agent) cs(Referer) sc-status sc-substatus "
     "sc-win32-status sc-bytes cs-bytes time-taken\n",
     [](const Fields& f) {
       return "2024-03-14 10:00:00 10.0.0.5 " + f.method + " " + f.path + " " + f.query + " 443 " +
              f.user + " " + f.host + " " + f.agent + " " + f.referrer + " 200 0 0 100 300 15\n";
     }},
    {"comma.log", "",
     [](const Fields& f) {
       return f.host + ", " + f.user + ", 03/14/24, 10:00:00, W3SVC1, WEB01, 10.0.0.5, 15, 300, " +
              "100, 200, 0, " + f.method + ", " + f.path + ", " + f.query + ",\n";
     }},
    {"tab.log", "",
     [](const Fields& f) {
       return "03/14/2024 10:00:00\t" + f.host + "\t" + f.user + "\t" + f.method + "\t" + f.path +
              "\t" + f.referrer + "\t" + f.agent + "\t200\t100\t\t\t\n";
     }},
    {"bang.log", "!!LOG_FORMAT BANG 1.0\n!!START 03/14/24 10:00:00\n",
     [](const Fields& f) {
       return "03/14/24\t10:00:00\tOK\t" + f.host + "\t" + f.path + "\t100\n";
     }},
};

// A log of `layout` that opens with two plain lines (the layout is told
// from the second), then puts each payload into each field in turn, then
// into all fields at once.
std::string HostileLogOf(const Layout& layout) {
  std::string log = layout.header;
  log += layout.line(Fields{}) + layout.line(Fields{});
  std::string Fields::*const members[] = {&Fields::host, &Fields::user,  &Fields::method,
                                          &Fields::path, &Fields::query, &Fields::referrer,
                                          &Fields::agent};
  for (const std::string& payload : Payloads()) {
    Fields all;
    for (std::string Fields::*member : members) {
      Fields one;
      one.*member = payload;
      all.*member = payload;
      log += layout.line(one);
    }
    log += layout.line(all);
  }
  return log;
}

// Combined-layout lines that are hostile by size and bytes rather than markup.
std::string OversizedLog() {
  const auto line = [](const std::string& host, const std::string& path,
                       const std::string& referrer, const std::string& agent) {
    return host + " - - [14/Mar/2024:11:00:00 +0000] \"GET " + path + " HTTP/1.1\" 200 100 \"" +
           referrer + "\" \"" + agent + "\"\n";
  };
  std::string log = line("192.0.2.7", "/a.html", "-", "Mozilla/5.0");
  log += line("192.0.2.7", "/b.html", "-", "Mozilla/5.0");
  std::string markup;
  while (markup.size() < 1'000'000) markup += "<svg/onload=document.title=201>";
  log += line("192.0.2.8", "/" + markup, markup, markup);  // a line of 3 MB
  log += line(std::string(292, 'h') + ".example", "/long-host.html", "-", "Mozilla/5.0");
  log += line(std::string(250, 'h') + "<svg/onload=document.title=202>", "/x.html", "-", "M");
  std::string binary;
  for (int c = 1; c < 256; ++c) {
    if (c != '\n' && c != '"') binary += static_cast<char>(c);
  }
  log += line("192.0.2.9", "/bin" + binary, "http://b.example/" + binary, binary);
  log +=
      line("192.0.2.9", "/\xC3\x28\xE2\x82<svg/onload=document.title=203>\xF0\x28\x8C\xBC",
           "http://u.example/\xFF\xFE<script>document.title=204</script>", "\xC0\xAF\xED\xA0\x80");
  for (int i = 0; i < 100'000; ++i) {
    log += line("192.0.2.10", "/r.html",
                "http://r" + std::to_string(i) + ".example/<svg/onload=document.title=205>",
                "Mozilla/5.0");
  }
  return log;
}

// Markup and script in every field of every layout, and logs hostile by
// size and bytes, in one report: Chromium runs none of it and builds no
// element or attribute from it.
TEST(HostileLog, EveryFieldOfEveryLayoutStaysText) {
  const std::string chromium = ChromiumProgram();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  std::string files;
  for (const Layout& layout : kLayouts) {
    dir.Write(layout.file, HostileLogOf(layout));
    files += std::string(layout.file) + " ";
  }
  dir.Write("oversized.log", OversizedLog());
  const test::ProcessRun run = test::RunCliProgram(
      dir, "report " + files +
               "oversized.log -o out/stats.html --json s.json --site http://www.example.com/ "
               "--modern out/stats-modern.html");
  ASSERT_EQ(run.code, 0) << run.err;
  // Every file was read as its layout: the payload lines are all counted.
  const std::string json = test::ReadFileBytes(dir / "s.json");
  EXPECT_THAT(json, HasSubstr("192.0.2.10"));

  const std::string dom = DumpDom(chromium, dir / "out" / "stats.html", dir);
  EXPECT_NE(dom.find("&lt;script&gt;document.title=101&lt;/script&gt;"), std::string::npos);
  ExpectOnlyReportMarkup(dom, dir / "out");

  const std::string modern = DumpDom(chromium, dir / "out" / "stats-modern.html", dir);
  EXPECT_NE(modern.find("document.title=101"), std::string::npos);
  ExpectOnlyModernMarkup(modern, "http://www.example.com/");
}

// File names come from the server's listing: a wildcard that matches names
// carrying markup reads those files, and nothing of the names or their
// lines becomes markup.
TEST(HostileLog, FtpListingWithMarkupStaysText) {
  const std::string chromium = ChromiumProgram();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  fs::create_directories(dir / "root");
  const std::string log = HostileLogOf(kLayouts[1]);
  dir.Write("root/<svg onload=document.title=301>.log", log);
  dir.Write("root/'><img src=x onerror=document.title=302>.log", log);
  const std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(dir, dir / "root");
  ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  dir.Write("pw", std::string(test::kFtpPassword) + "\n");
  const test::ProcessRun run =
      test::RunCliProgram(dir, "report 'ftp://127.0.0.1:" + std::to_string(server->port()) +
                                   "/*.log' --user " + test::kFtpUser +
                                   " --password-file pw --passive -o out/stats.html --json s.json "
                                   "--site http://www.example.com/");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(test::ReadFileBytes(dir / "s.json"), HasSubstr("<svg/onload=document.title=102>"));

  const std::string dom = DumpDom(chromium, dir / "out" / "stats.html", dir);
  ExpectOnlyReportMarkup(dom, dir / "out");
}

// Page titles come from whatever web server the site URL names: a title
// carrying script and markup is shown as text in the page rows.
TEST(HostileLog, PageTitleWithMarkupStaysText) {
  const std::string chromium = ChromiumProgram();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  const std::unique_ptr<test::ServerProcess> server = test::StartHttpServer(dir);
  ASSERT_NE(server->port(), 0) << "the test web server did not start";
  std::string log;
  for (const char* page : {"/script-title.html", "/hostile.html"}) {
    log += "192.0.2.7 - - [01/Oct/2024:10:00:00 +0000] \"GET " + std::string(page) +
           " HTTP/1.1\" 200 100\n";
  }
  dir.Write("access.log", log + log);
  const std::string site = "http://127.0.0.1:" + std::to_string(server->port());
  ASSERT_EQ(
      test::RunCliProgram(dir, "add --site " + site + " --log " + (dir / "access.log").string() +
                                   " --report " + (dir / "out" / "stats.html").string())
          .code,
      0);
  ASSERT_EQ(test::RunCliProgram(dir, "options fetchPageTitles=1").code, 0);
  // Row 0 is the sample site of a new settings file.
  const test::ProcessRun run = test::RunCliProgram(dir, "run 1");
  ASSERT_EQ(run.code, 0) << run.err;

  const std::string dom = DumpDom(chromium, dir / "out" / "stats.html", dir);
  EXPECT_NE(dom.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos)
      << "the hostile title was not fetched";
  ExpectOnlyReportMarkup(dom, dir / "out");
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
