#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "report/modern_format.h"
#include "report/modern_periods.h"
#include "report/modern_svg_chart.h"
#include "report/modern_view.h"
#include "tests/report/modern_view_fixture.h"
#include "tests/support/temp_dir.h"

namespace tlw {
namespace {

TEST(ModernFormatTest, NumbersBytesAndShares) {
  const std::vector<std::pair<std::int64_t, std::string>> numbers = {
      {0, "0"},          {999, "999"},           {1000, "1,000"},
      {-1234, "-1,234"}, {1234567, "1,234,567"}, {INT64_MIN, "-9,223,372,036,854,775,808"}};
  for (const auto& [n, text] : numbers) EXPECT_EQ(GroupedNumber(n), text) << n;
  const std::vector<std::pair<std::int64_t, std::string>> bytes = {
      {0, "0 bytes"},          {999, "999 bytes"},        {1000, "1.00 KB"},
      {999499, "999 KB"},      {999500, "1.00 MB"},       {45600000, "45.6 MB"},
      {1234567890, "1.23 GB"}, {4321000000000, "4.32 TB"}};
  for (const auto& [n, text] : bytes) EXPECT_EQ(ByteText(n), text) << n;

  // Rounded shares of a whole add up to 100.0%, the spare tenths going to
  // the largest remainders.
  const std::vector<std::pair<std::vector<std::int64_t>, std::vector<std::int64_t>>> shares = {
      {{}, {}},
      {{0, 0}, {0, 0}},
      {{1, 1, 1}, {334, 333, 333}},
      {{2, 1}, {667, 333}},
      {{1, 999999}, {0, 1000}},
      {{-5, 10}, {0, 1000}},
      {{INT64_MAX, INT64_MAX}, {500, 500}},
      {{15, 15, 15, 55}, {150, 150, 150, 550}},
  };
  for (const auto& [parts, tenths] : shares) EXPECT_EQ(ShareTenths(parts), tenths);

  // Chart scales: steps of 1, 2 or 5 times a power of ten, at most five.
  const std::vector<std::pair<std::int64_t, std::pair<std::int64_t, std::int64_t>>> scales = {
      {0, {1, 1}},       {5, {5, 1}},       {7, {8, 2}},
      {500, {500, 100}}, {540, {600, 200}}, {1001, {1500, 500}}};
  for (const auto& [max, scale] : scales) {
    EXPECT_EQ(ScaleFor(max).top, scale.first) << max;
    EXPECT_EQ(ScaleFor(max).step, scale.second) << max;
  }
  EXPECT_GE(ScaleFor(INT64_MAX).top, INT64_MAX / 2);
}

AudienceDay Day(std::int64_t date, std::int64_t pageViews = 1) {
  return {date, pageViews, 0, pageViews, 0};
}

TEST(ModernPeriodsTest, UnitFollowsTheSpanAndGapsAreFilled) {
  struct Case {
    std::int64_t first, last;
    PeriodUnit unit;
    std::size_t periods;
  };
  const std::vector<Case> cases = {
      {20261101, 20261101, PeriodUnit::kDay, 1},
      {20260101, 20260402, PeriodUnit::kDay, 92},    // 92 days
      {20260101, 20260403, PeriodUnit::kWeek, 14},   // 93 days, Thursday to Friday
      {20250101, 20261231, PeriodUnit::kWeek, 105},  // 730 days
      {20250101, 20270102, PeriodUnit::kMonth, 25},  // 732 days
  };
  for (const Case& c : cases) {
    // Given newest first: the order of the input does not matter.
    const std::vector<AudienceDay> days = {Day(c.last, 5), Day(c.first, 7)};
    const TrafficSeries series = GroupTraffic(days);
    EXPECT_EQ(series.unit, c.unit) << c.first << "-" << c.last;
    ASSERT_EQ(series.periods.size(), c.periods) << c.first << "-" << c.last;
    EXPECT_EQ(series.periods.front().peoplePageViews, c.periods == 1 ? 12 : 7);
    if (c.periods > 2) {
      EXPECT_EQ(series.periods[1].peoplePageViews, 0);
    }
    EXPECT_EQ(series.periods.back().peoplePageViews, c.periods == 1 ? 12 : 5);
  }

  // ISO weeks across a year's end: 2026 has 53, and 1 January 2027 is in
  // its last one. A date that is no calendar date is left out.
  const std::vector<AudienceDay> turn = {Day(20261228), Day(20270101), Day(20270110), Day(20261340),
                                         Day(20270501)};
  const TrafficSeries weeks = GroupTraffic(turn);
  ASSERT_EQ(weeks.unit, PeriodUnit::kWeek);
  EXPECT_EQ(weeks.periods[0].label, "Week 53 of 2026, from 28 Dec");
  EXPECT_EQ(weeks.periods[0].peoplePageViews, 2);
  EXPECT_EQ(weeks.periods[1].label, "Week 1 of 2027, from 4 Jan");
  EXPECT_EQ(weeks.periods[1].shortLabel, "W1");
  EXPECT_EQ(weeks.periods.back().label, "Week 17 of 2027, from 26 Apr");

  const std::vector<AudienceDay> oneDay = {Day(20261208)};
  EXPECT_EQ(GroupTraffic(oneDay).periods[0].label, "Tue 2026-12-08");
  EXPECT_TRUE(GroupTraffic(std::vector<AudienceDay>{Day(0)}).periods.empty());
}

// The texts of the cells that match `cell` between `from` and the end of
// the next table, in page order.
std::vector<std::string> CellsAfter(const std::string& page, std::string_view from,
                                    const std::string& cell) {
  const std::size_t start = page.find(from);
  EXPECT_NE(start, std::string::npos) << from;
  const std::size_t end = page.find("</table>", start);
  const std::string part = page.substr(start, end - start);
  std::vector<std::string> out;
  const std::regex pattern(cell);
  for (auto it = std::sregex_iterator(part.begin(), part.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    out.push_back((*it)[1]);
  }
  return out;
}

TEST(ModernViewTest, EscapesLogTextAndKeepsEveryOrder) {
  const ModernViewFixture fixture(40);
  const std::string page = RenderModernView(fixture.Input());

  // Every "<" opens markup the view itself writes: none came from the log.
  const std::set<std::string> tags = {
      "!DOCTYPE", "html",    "head",  "meta",     "title",      "style", "body", "div", "header",
      "h1",       "h2",      "h3",    "p",        "span",       "a",     "nav",  "ol",  "li",
      "main",     "section", "table", "thead",    "tbody",      "tr",    "th",   "td",  "figure",
      "svg",      "line",    "rect",  "polyline", "figcaption", "footer"};
  const std::regex tag("</?([!A-Za-z0-9]+)");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator();
       ++it) {
    EXPECT_TRUE(tags.contains((*it)[1])) << (*it)[0];
  }
  EXPECT_NE(page.find("/&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("Shop &amp; &lt;Caf\xC3\xA9&gt; &quot;Zwei&quot;"), std::string::npos);
  EXPECT_NE(page.find("/a&amp;b&quot;c&#39;d"), std::string::npos);
  EXPECT_NE(page.find("&lt;evil&gt;bot&quot;"), std::string::npos);
  EXPECT_NE(page.find("C\xC3\xB4te d&#39;Ivoire"), std::string::npos);
  EXPECT_EQ(page.find("\"onmouseover"), std::string::npos);
  EXPECT_EQ(page.find("href=\"javascript"), std::string::npos);
  EXPECT_NE(page.find("href=\"stats%20%231.html\""), std::string::npos);
  // Control characters (C0, DEL, C1) are shown as U+FFFD.
  EXPECT_NE(page.find("/ctl\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                      "end"),
            std::string::npos);
  for (const char c : page) EXPECT_FALSE(c != '\n' && static_cast<unsigned char>(c) < 0x20);
  EXPECT_EQ(page.find("\xC2\x85"), std::string::npos);
  // The long URL is cut in the cell and whole in its tooltip.
  const std::string longUrl = "/very/long/" + std::string(400, 'x') + "/end";
  EXPECT_NE(page.find("<span title=\"" + longUrl + "\">"), std::string::npos);
  EXPECT_EQ(page.find(longUrl + "<"), std::string::npos);
  EXPECT_NE(page.find("Content-Security-Policy\" content=\"default-src 'none'"), std::string::npos);

  const std::string share = "<td class=\"n share\">(\\d+\\.\\d)%";
  const auto sumOf = [](const std::vector<std::string>& percents) {
    int tenths = 0;
    for (const std::string& p : percents) tenths += std::stoi(p) * 10 + (p.back() - '0');
    return tenths;
  };
  const std::vector<std::string> pageShares = CellsAfter(page, "Most viewed pages", share);
  EXPECT_EQ(pageShares.size(), 26u);  // 25 rows and "5 more"
  EXPECT_EQ(sumOf(pageShares), 1000);
  EXPECT_NE(page.find(">5 more</td>"), std::string::npos);
  EXPECT_EQ(sumOf(CellsAfter(page, "By robot", share)), 1000);
  EXPECT_EQ(
      CellsAfter(page, "Status codes</h3>", "<td class=\"k\"><span class=\"code-\\d\">(\\d+)"),
      (std::vector<std::string>{"200", "304", "404", "500"}));

  std::vector<std::string> hours;
  hours.reserve(24);
  for (int h = 0; h < 24; ++h) hours.push_back((h < 10 ? "0" : "") + std::to_string(h) + ":00");
  EXPECT_EQ(CellsAfter(page, "By hour of the day", "<tr><td>(\\d\\d:00)</td>"), hours);
  EXPECT_EQ(CellsAfter(page, "By day of the week", "<tr><td>([A-Za-z]+)</td>"),
            (std::vector<std::string>{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                                      "Saturday", "Sunday"}));
  const std::vector<std::string> daysShown =
      CellsAfter(page, "id=\"traffic-h\"", "<td class=\"d\">\\w+ ([-0-9]+)</td>");
  ASSERT_EQ(daysShown.size(), 39u);  // the last day is missing, the others as zeros
  EXPECT_TRUE(std::is_sorted(daysShown.begin(), daysShown.end()));
  EXPECT_NE(page.find("<polyline class=\"line\""), std::string::npos);
  // Each of the three charts is a picture named by its title.
  const std::regex named("<svg [^>]*role=\"img\" aria-labelledby=\"([-a-z]+)\"><title id=\"\\1\">");
  EXPECT_EQ(
      std::distance(std::sregex_iterator(page.begin(), page.end(), named), std::sregex_iterator()),
      3);

  const ModernViewFixture longer(200);
  const std::string weekly = RenderModernView(longer.Input());
  EXPECT_NE(weekly.find("<td class=\"d\">Week 44 of 2026, from 26 Oct</td>"), std::string::npos);
  EXPECT_EQ(weekly.find("<td class=\"d\">Sun 2026-11-01</td>"), std::string::npos);
}

TEST(ModernViewTest, RobotsThatDwarfPeopleStayOutOfTheChart) {
  ModernViewFixture fixture(10);
  fixture.audience.days[2].robotHits = 1600;  // people's highest day is below 400
  const std::string page = RenderModernView(fixture.Input());
  EXPECT_EQ(page.find("<polyline"), std::string::npos);
  EXPECT_NE(page.find("Robots' hits are left out of the chart"), std::string::npos);
}

TEST(ModernViewTest, EmptySectionsSaySo) {
  const SiteStatistics statistics;
  const AudienceStatistics audience;
  const std::string page = RenderModernView({statistics, audience, "", "", "", "", ""});
  EXPECT_EQ(page.find("<table"), std::string::npos);
  EXPECT_EQ(page.find("<svg"), std::string::npos);
  std::size_t sections = 0;
  for (std::size_t at = page.find("<section"); at != std::string::npos;
       at = page.find("<section", at + 1)) {
    const std::size_t end = page.find("</section>", at);
    EXPECT_NE(page.substr(at, end - at).find("<p class=\"empty\">"), std::string::npos)
        << page.substr(at, 40);
    ++sections;
  }
  EXPECT_EQ(sections, 9u);
  EXPECT_EQ(page.find("Classic report"), std::string::npos);
}

TEST(ModernViewTest, PathBesideTheReportAndWriteFailure) {
  const std::vector<std::pair<std::string, std::string>> paths = {
      {"x/stats.html", "x/stats-modern.html"},
      {"stats", "stats-modern.html"},
      {"/var/www.site/report", "/var/www.site/report-modern.html"},
      {"a/b.c/d.htm", "a/b.c/d-modern.htm"},
      {".hidden", ".hidden-modern.html"},
      {"C:\\dir.x\\rep", "C:\\dir.x\\rep-modern.html"}};
  for (const auto& [report, view] : paths) EXPECT_EQ(ModernViewPathOf(report), view);

  const test::TempDir dir;
  const ModernViewFixture fixture(3);
  const std::string path = (dir / "stats-modern.html").string();
  ASSERT_TRUE(WriteModernView(fixture.Input(), path).ok());
  EXPECT_EQ(test::ReadFileBytes(path), RenderModernView(fixture.Input()));
  const std::string missing = (dir / "no such folder" / "stats-modern.html").string();
  const Status failed = WriteModernView(fixture.Input(), missing);
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("Error writing the modern view"), std::string::npos);
  EXPECT_NE(failed.message().find("no such folder"), std::string::npos) << failed.message();
}

}  // namespace
}  // namespace tlw
