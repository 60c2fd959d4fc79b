#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "report/ranked_section.h"
#include "report/section_catalog.h"
#include "report/time_sections.h"

namespace tlw {
namespace {

constexpr ThemeColors kRed{"F12544", "441E1F", "800000", "F07373", "FFFFFF", "000000"};

// The column heading as the report writes it, for the Red theme.
std::string Heading(const char* first, const char* second) {
  return std::string(
             "<table border=0 width=\"100%\" cellspacing=0 cellpadding=0><tr><td bgcolor=#F12544 "
             "width=80%><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;") +
         first +
         "</b></font></td><td width=\"50%\" bgcolor=#F12544><font face=\"Arial\" size=1 "
         "color=#FFFFFF><b>&nbsp;" +
         second + "</b></font></td></tr>\n\n";
}

std::string Row(int r, const std::string& key, const std::string& count) {
  return std::string("<tr") + (r % 2 ? " bgcolor=#EAEAEA" : "") +
         "><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;" + key +
         "</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#800000>" +
         count + "</font></B></td></tr>";
}

// The HTML of the catalog's ranked section over `table`.
std::string RankedHtml(StatTable SiteStatistics::*table, const RankedRows& ranked, int rowLimit,
                       const SectionContext& context) {
  for (const ReportSection& section : ReportSections()) {
    if (section.table == table && section.layout != nullptr) {
      return RankedSectionHtml(*section.layout, section.graphFile, ranked, rowLimit, context);
    }
  }
  throw std::logic_error("no ranked section lists this table");
}

SectionContext Context(bool graphs) {
  SectionContext context;
  context.colors = kRed;
  context.includeGraphs = graphs;
  context.graphFilePrefix = "0_Oct-10";
  return context;
}

TEST(RankedSection, DirectoriesBreakIntoSubTablesTwoPerLine) {
  std::vector<std::string> keys;
  RankedRows ranked;
  for (int i = 0; i < 25; ++i) keys.push_back("/d" + std::to_string(i) + "/");
  for (int i = 0; i < 25; ++i) ranked.push_back({keys[static_cast<size_t>(i)], 100 - i});

  std::string expected =
      "\n\n<P></P><BR>\n"
      "\n<IMG SRC=\"./images/0_Oct-10tlwgraph_dirs.gif\" ALT=\"Directories Graph\">\n"
      "\n<table border=0 width=630 cellspacing=1>\n<tr><td width=100% colspan=2><b><strong><font "
      "face=\"Helvetica,Arial\" size=4>Directories </font></strong></b></td></tr>\n<tr><td "
      "width=50% vAlign=Top>\n" +
      Heading("directory", "hits");
  for (int r = 0; r < 25; ++r) {
    if (r == 10) expected += "</table>\n</td><TD vAlign=Top>\n" + Heading("directory", "hits");
    if (r == 20) {
      expected += "</table>\n</td></tr><tr><TD vAlign=Top>\n" + Heading("directory", "hits");
    }
    expected += Row(r, keys[static_cast<size_t>(r)], std::to_string(100 - r));
  }
  expected += "</table>\n</td></tr></table>";
  EXPECT_EQ(RankedHtml(&SiteStatistics::dirs, ranked, 25, Context(true)), expected);
}

TEST(RankedSection, MinimumEntriesRowLimitsAndGraphTag) {
  const RankedRows two{{"a.com", 2}, {"b.com", 1}};
  EXPECT_EQ(RankedHtml(&SiteStatistics::domains, two, 15, Context(true)), "");
  // Hostnames has no minimum: an empty table still gives its heading.
  const std::string empty = RankedHtml(&SiteStatistics::hostnames, {}, 10, Context(false));
  EXPECT_NE(empty.find("Hostnames </font>"), std::string::npos);
  EXPECT_EQ(empty.find("<IMG"), std::string::npos);
  // Keywords never show more than 20 rows, whatever the profile says.
  std::vector<std::string> keys(30, "phrase");
  RankedRows many;
  for (auto& key : keys) many.push_back({key, 1});
  const std::string keywords = RankedHtml(&SiteStatistics::keywords, many, 250, Context(false));
  size_t rows = 0;
  for (size_t at = keywords.find("<td width=60%"); at != std::string::npos;
       at = keywords.find("<td width=60%", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 20u);
}

TEST(RankedSection, LeastAccessedPagesNeverShowTheMostViewed) {
  const RankedRows pages{{"/a.html", 9}, {"/b.html", 5}, {"/c.html", 2}};
  const std::string expected =
      "\n\n<P></P><BR>\n\n<table border=0 width=630 cellspacing=1>\n<tr><td width=100% "
      "colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>Least Accessed Pages "
      "</font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n" +
      Heading("document", "views") + Row(0, "/c.html", "2") + Row(1, "/b.html", "5") +
      "</table>\n</td></tr></table>";
  EXPECT_EQ(LeastAccessedPagesHtml(pages, 5, Context(true)), expected);
}

TEST(RankedSection, HostileKeysAreText) {
  const RankedRows hostile{{"http://x/\"><script>alert(1)</script>", 3}};
  const std::string html = RankedHtml(&SiteStatistics::hostnames, hostile, 10, Context(false));
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("http://x/&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"),
            std::string::npos);
}

TEST(RankedSection, CountsPastThirtyTwoBitsPrintWhole) {
  const RankedRows big{{"h", 5'000'000'000LL}};
  EXPECT_NE(RankedHtml(&SiteStatistics::hostnames, big, 10, Context(false)).find(">5000000000<"),
            std::string::npos);
}

// The names the profile's section list shows, by identifier, and the graph
// files a report may have (all of them copied beside a local report).
TEST(SectionCatalog, ListNamesCompanionsAndGraphFiles) {
  const std::vector<std::string_view> names{"Daily Activity",
                                            "Last Visitors",
                                            "Hostnames",
                                            "Domains",
                                            "Countries",
                                            "File Requests",
                                            "File Types",
                                            "Directories",
                                            "Hourly Summary",
                                            "Monthly Summary",
                                            "Most Accessed Webpages",
                                            "Least Accessed Webpages",
                                            "Entry Pages",
                                            "Exit Pages",
                                            "Paths Through Site",
                                            "WebBrowsers",
                                            "Referer Pages",
                                            "Server Status Codes",
                                            "Broken Links"};
  ASSERT_EQ(HighestSectionId(), 19);
  for (std::int64_t id = 1; id <= 19; ++id) {
    ASSERT_FALSE(ListedSections(id).empty()) << id;
    for (const ReportSection& section : ListedSections(id)) {
      EXPECT_EQ(section.title, names[static_cast<size_t>(id - 1)]) << id;
    }
  }
  for (std::int64_t id : {0LL, -3LL, 20LL, 4294967299LL}) EXPECT_TRUE(ListedSections(id).empty());
  // Hours come with Days of the Week, Referring Sites with Search Engine
  // Keywords; Authenticated Logons close every report.
  ASSERT_EQ(ListedSections(9).size(), 2u);
  EXPECT_EQ(ListedSections(9)[1].table, &SiteStatistics::weekdays);
  ASSERT_EQ(ListedSections(17).size(), 2u);
  EXPECT_EQ(ListedSections(17)[1].table, &SiteStatistics::keywords);
  ASSERT_EQ(TrailingSections().size(), 1u);
  EXPECT_EQ(TrailingSections()[0].table, &SiteStatistics::logons);

  std::vector<std::string_view> files;
  for (const ReportSection& section : ReportSections()) {
    if (!section.graphFile.empty()) files.push_back(section.graphFile);
  }
  std::sort(files.begin(), files.end());
  const std::vector<std::string_view> expected{
      "tlwgraph_brokenlinks.gif",   "tlwgraph_browsers.gif",     "tlwgraph_clickpaths.gif",
      "tlwgraph_countries.gif",     "tlwgraph_dirs.gif",         "tlwgraph_domains.gif",
      "tlwgraph_filereq.gif",       "tlwgraph_filetypes.gif",    "tlwgraph_hostnames.gif",
      "tlwgraph_keywords.gif",      "tlwgraph_referer.gif",      "tlwgraph_retcodes.gif",
      "tlwgraph_topentrypages.gif", "tlwgraph_topexitpages.gif", "tlwgraph_webpages.gif"};
  EXPECT_EQ(files, expected);
}

TEST(TimeSections, HoursInTwoColumnsOfTwelve) {
  std::vector<std::string> keys;
  RankedRows ranked;
  for (int h = 0; h < 24; ++h) keys.push_back(std::to_string((h * 7) % 24));
  for (int h = 0; h < 24; ++h) ranked.push_back({keys[static_cast<size_t>(h)], 100 - h});
  std::string expected =
      "\n<P></P>\n<table border=0 width=620 cellspacing=1>\n<tr><td width=100% "
      "colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>Hours "
      "</font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n" +
      Heading("time period", "hits");
  for (int r = 0; r < 24; ++r) {
    if (r == 12) expected += "</table>\n</td><TD vAlign=Top>\n" + Heading("time period", "hits");
    expected +=
        Row(r, std::string(HourLabel(keys[static_cast<size_t>(r)])), std::to_string(100 - r)) +
        "\n";
  }
  expected += "</table>\n</td></tr></table>";
  EXPECT_EQ(HoursHtml(ranked, kRed), expected);
}

TEST(TimeSections, HourAndMonthLabels) {
  EXPECT_EQ(HourLabel("0"), "12:00PM - &nbsp;1:00AM");
  EXPECT_EQ(HourLabel("24"), "12:00PM - &nbsp;1:00AM");
  EXPECT_EQ(HourLabel("09"), "&nbsp;9:00AM - 10:00AM");
  EXPECT_EQ(HourLabel("12"), "12:00AM - &nbsp;1:00PM");
  EXPECT_EQ(HourLabel("23"), "11:00PM - 12:00PM");
  // IIS comma logs keep the blank before a one-digit month.
  const std::pair<const char*, const char*> months[] = {
      {"6 1999", "June 1999"},   {"Jun 1999", "June 1999"}, {"12 2026", "December 2026"},
      {" 12 99", "December 99"}, {" 3 01", "March 01"},     {"Foo 2000", "Foo 2000"},
  };
  for (const auto& [key, label] : months) EXPECT_EQ(MonthLabel(key), label) << key;
}

TEST(TimeSections, DaysOfTheWeekWithShares) {
  const RankedRows ranked{{"Monday", 60}, {"Sunday", 30}, {"Saturday", 10}};
  const std::string expected =
      "\n<P></P>\n<table border=0 width=400 cellspacing=2 cellpadding=2>\n<tr><td width=100% "
      "colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>Days of the Week "
      "</font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n" +
      Heading("day", "hits") +
      "<tr bordercolor=#FFFFFF><td width=60%><font face=\"Helvetica,Arial\" "
      "size=3><B>&nbsp;Monday</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 "
      "color=#800000>60</font></B></td></tr>"
      "<tr bordercolor=#FFFFFF bgcolor=#EAEAEA><td width=60%><font face=\"Helvetica,Arial\" "
      "size=3><B>&nbsp;Sunday</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 "
      "color=#800000>30</font></B></td></tr>"
      "<tr bordercolor=#FFFFFF><td width=60%><font face=\"Helvetica,Arial\" "
      "size=3><B>&nbsp;Saturday</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 "
      "color=#800000>10</font></B></td></tr>"
      "<TR><td colspan=2><font face=\"Helvetica,Arial\" size=2 color=#800000><div "
      "align=right><I>Weekend (40.0%), Weekdays (60.0%)</div></I></td></TR>"
      "</table>\n</td></tr></table>";
  EXPECT_EQ(DaysOfWeekHtml(ranked, kRed), expected);
  EXPECT_NE(DaysOfWeekHtml({}, kRed).find("Weekend (0.0%), Weekdays (0.0%)"), std::string::npos);
}

TEST(TimeSections, DailyActivityOldestFirstInColumnsOfForty) {
  const std::string dayHeading =
      "<table border=0 cellPadding=0 cellSpacing=0 width=310>\n<tbody><tr bgColor=#F12544 "
      "colspan=5>\n\n<td align=left height=2 vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;date</b></font></td><td align=left height=2 vAlign=center><font "
      "color=#ffffff size=1 face=\"Arial\"><b>&nbsp;webpage hits</b></font></td>\n<td "
      "align=left height=2 vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;unique</b></font></td>\n<td align=left height=2 "
      "vAlign=center><font color=#ffffff size=1 "
      "face=\"Arial\"><b>&nbsp;bandwidth</b></font></td></tr>\n\n";
  std::vector<std::string> keys;
  std::vector<DayActivity> days;
  for (int d = 0; d < 45; ++d) keys.push_back("Jan-" + std::to_string(d + 1) + "-2000");
  for (int d = 0; d < 45; ++d) days.push_back({keys[static_cast<size_t>(d)], d, 1, 1'500'000});
  std::string expected =
      "\n\n<P></P><BR>\n\n<table border=0 width=625>\n<tr><td width=50% colspan=2><b><strong><font "
      "face=\"Helvetica,Arial\" size=4>Daily Visitor Activity</font></strong></b></td>\n</tr>\n"
      "<tr>\n<td width=50%>" +
      dayHeading;
  for (int w = 0; w < 45; ++w) {
    if (w == 40) expected += "</tbody>\n</table>\n</td><td width=50% vAlign=Top>" + dayHeading;
    const int p = 44 - w;
    expected += std::string("<tr") + (p % 2 ? " bgcolor=#EAEAEA" : "") +
                ">\n<td><font size=2 face=\"Arial\"><b>\xC2\xB7 " + keys[static_cast<size_t>(w)] +
                "</b></font></td>\n<td><font size=2 face=\"Arial\">&nbsp;" + std::to_string(w) +
                "</font></td>\n<td><font size=2 face=\"Arial\">&nbsp;1</font></td><td><font "
                "size=2 face=\"Arial\">&nbsp;1 MB</font></td>";
  }
  expected += "\n      </tr></tbody>\n</table>\n\n </td></tr></table>\n";
  EXPECT_EQ(DailyActivityHtml(days, kRed), expected);
}

}  // namespace
}  // namespace tlw
