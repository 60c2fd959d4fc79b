#include "report/page_frame.h"

#include <gtest/gtest.h>

#include <utility>

namespace tlw {
namespace {

constexpr ThemeColors kBlue{"0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000"};

FrameFacts SampleFacts() {
  FrameFacts facts;
  facts.siteUrl = "http://www.example.com";
  facts.periodStart = "6-23-1999 14:05";
  facts.periodEnd = "6-24-1999 16:10";
  facts.busiestDay = "Jun-23";
  facts.uniqueHosts = 7;
  facts.homepageHits = 5;
  facts.successfulRequests = 41;
  facts.totalBytes = 1234567;
  facts.dayCount = 2;
  facts.domainCount = 4;
  facts.countryCount = 3;
  return facts;
}

// The dash rules are runs of the en dash U+2013 in UTF-8.
std::string D(int n) {
  std::string rule;
  for (int i = 0; i < n; ++i) rule += "\xE2\x80\x93";
  return rule;
}

TEST(PageFrame, HeadIsWrittenByteForByte) {
  const std::string expected =
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=utf-8\">\n<meta name=\"GENERATOR\" content=\"Tallowick 1.0\">\n\n"
      "<title>Website Visitor Traffic Statistics: 6-23-1999 14:05 to 6-24-1999 16:10 "
      "[www.example.com]</title>\n <meta name=\"GENERATOR\" content=\"Tallowick 1.0\">\n "
      "<META NAME=DESCRIPTION CONTENT=\"Website Statistics\">\n</head>\n<body bgcolor=#FFFFFF "
      "text=#000000 MARGINWIDTH=1 MARGINHEIGHT=1 topmargin=1 leftmargin=1 vlink=#0000FF "
      "link=#0000FF>\n\n"
      "<table cellpadding=0 cellspacing=0 border=0 width=471 height=112>\n<tr><td align=left "
      "width=469 height=91>\n"
      "<table width=624 cellspacing=0 cellpadding=0 border=0 height=94><tr><td width=446 height=94 "
      "valign=top><table width=450 cellspacing=0 cellpadding=0 border=0><tr><td height=39><font "
      "face=\"Helvetica,Arial\"><b><big>&nbsp;</big><font size=4>Website Visitor Traffic and Usage "
      "Statistics</font></b></font></td></tr>\n"
      "<tr><td height=21>&nbsp;" +
      D(49) +
      "</td></tr><tr><td valign=top width=450><b><font face=\"Helvetica,Arial\" "
      "size=4><br>&nbsp;<a href=\"http://www.example.com\">www.example.com"
      "</a></font></b></td></tr></table></td><td bgcolor=#000000 width=2 height=94>|</td><td "
      "width=163 height=94 valign=top><table width=163  cellspacing=0 cellpadding=0 "
      "border=0><tr><td align=right bgcolor=#EAEAEA><i><b><font face=\"Arial\" size=2>Report "
      "Period &nbsp;</font></b></i></td></tr><tr><td><font color=#738EFD>" +
      D(20) +
      "</font></td></tr><tr><td>"
      "<p align=left><font face=\"Helvetica,Arial\" size=2>&nbsp;From<b> 6-23-1999 "
      "14:05</b><br>&nbsp;To<b> 6-24-1999 16:10</b></font></p></td></tr><tr><td>&nbsp;" +
      D(17) +
      "</td></tr><tr><td><p align=left>&nbsp;<b><font face=\"Arial\" size=2>1 days</B>, 02 hrs, "
      "05 mins"
      "</font></td></tr></table></td></tr></table></td></tr>"
      "<TR><TD height=21><font color=#738EFD>" +
      D(78) + "</font></TD></TR></table>";
  EXPECT_EQ(PageHead(SampleFacts(), kBlue), expected);
}

TEST(PageFrame, SummaryWithDomainAndCountryTotals) {
  const std::string expected =
      "<table border=0 width=625 cellspacing=0>\n<tr>\n<th width=618 colspan=2 "
      "bgcolor=#EAEAEA><b><strong><font face=\"Helvetica,Arial\" size=2>&nbsp;</font><font "
      "face=\"Helvetica,Arial\" size=4>Summary</font></strong></b></th></tr>\n<tr><td "
      "width=50%>\n<table border=0 width=100%><tr>\n\n"
      "<td><font face=\"Arial\" size=2><b>&nbsp;Unique Visitors</b></font></td><td "
      "align=left><B><font face=\"Arial\" size=2>7"
      "</B></td></tr>\n<tr><td><font face=\"Arial\" size=2><b>&nbsp;Homepage "
      "Hits</b></font></td><td align=left><B><font face=\"Arial\" size=2>5"
      "</B></td></tr><tr><td><font face=\"Arial\" size=2><b>&nbsp;Total Webpage "
      "Hits</b></font></td><td align=left><B><font face=\"Arial\" size=2>41"
      "</B></td></tr><tr><td><font face=\"Arial\" size=2><b>&nbsp;Bytes "
      "Transferred</b></font></td><td align=left><B><font face=\"Arial\" size=2>1 MB"
      "</B></td></tr><tr>\n<td><font face=\"Arial\" size=2><b>&nbsp;Most Popular "
      "Day</b></font></td><td align=left><B><font face=\"Arial\" size=2>Jun-23"
      "</B></td></tr></table>\n</td>\n<td width=50%>\n<table border=0 "
      "width=100%><tr><td><b><font face=\"Arial\" size=2><B><font face=\"Arial\" size=2>"
      "Average Homepage Hits </font><font face=\"Arial\" size=1>per day</font></b></td><td "
      "align=left><B><font face=\"Arial\" size=2>2"
      "</B></td></tr><tr><td><b><font face=\"Arial\" size=2>"
      "Average Webpage Views </font><font face=\"Arial\" size=1>per day</font></b></td><td "
      "align=left><B><font face=\"Arial\" size=2>20"
      "</B></td></tr><tr><td width=90%><b><font face=\"Arial\" size=2>Average Unique "
      "Visitors</font><font face=\"Arial\" size=1> per day</font></b></td><td width=40% "
      "align=left><B><font face=\"Arial\" size=2>3"
      "</B></td></tr>\n<tr><td ><font face=\"Arial\" size=2><b>Total Domains</b></font></td><td "
      "align=left><B><font face=\"Arial\" size=2>4"
      "</B></td></tr><tr><td width=90%><font face=\"Arial\" size=2><b>Total "
      "Countries</b></font></td>\n<td width=40% align=left><B><font face=\"Arial\" size=2>3"
      "</td>\n        </tr></table></td></tr></table>\n";
  EXPECT_EQ(SummaryBlock(SampleFacts(), kBlue), expected);
}

TEST(PageFrame, SummaryTotalsNeedMoreThanTwoCountries) {
  FrameFacts facts = SampleFacts();
  facts.countryCount = 2;
  EXPECT_EQ(SummaryBlock(facts, kBlue).find("Total Domains"), std::string::npos);
  facts.countryCount = 3;
  EXPECT_NE(SummaryBlock(facts, kBlue).find("Total Domains"), std::string::npos);
}

TEST(PageFrame, FooterEndsTheFile) {
  EXPECT_EQ(PageFooter(1796569620, kBlue),
            " <tr><td width=100%><BR>\n\n"
            "\n<hr noshade size=1 color=#C0C0C0><center><small>\n\n<font face=\"Helvetica,Arial\" "
            "size=1><B>Report generated on [<font color=#800000> 03:07PM, Sun 12-06-2026</font> "
            "]</B><BR><SMALL>Tallowick Web Statistics v1.00</SMALL>\n</td></tr>\n\n  </TABLE>\n\n");
}

TEST(PageFrame, HostileSiteAndPeriodTextsAreEscaped) {
  FrameFacts facts = SampleFacts();
  facts.siteUrl = "http://x/\"><script>alert(1)</script>";
  facts.busiestDay = "<b>";
  const std::string head = PageHead(facts, kBlue);
  EXPECT_EQ(head.find("<script>"), std::string::npos);
  EXPECT_NE(head.find("&lt;script&gt;"), std::string::npos);
  EXPECT_EQ(SummaryBlock(facts, kBlue).find("<b>Jun"), std::string::npos);
  EXPECT_NE(SummaryBlock(facts, kBlue).find("&lt;b&gt;"), std::string::npos);

  // A site URL that would run script when followed links nowhere.
  const std::pair<const char*, const char*> links[] = {
      {"JavaScript:alert(1)", "#"},
      {" \x01java\tscript:alert(1)", "#"},
      {"data:text/html,<b>", "#"},
      {"https://www.example.com/a?b=1&c=2", "https://www.example.com/a?b=1&amp;c=2"},
      {"www.example.com/x:y", "www.example.com/x:y"},
  };
  for (const auto& [url, href] : links) {
    facts.siteUrl = url;
    EXPECT_NE(PageHead(facts, kBlue).find("<a href=\"" + std::string(href) + "\">"),
              std::string::npos)
        << url;
  }
}

}  // namespace
}  // namespace tlw
