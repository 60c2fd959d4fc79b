#include "report/special_sections.h"

#include <gtest/gtest.h>

#include "report/special_tables.h"

namespace tlw {
namespace {

constexpr ThemeColors kBlue{"0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000"};

SectionContext Context() {
  SectionContext context;
  context.colors = kBlue;
  context.includeGraphs = true;
  context.graphFilePrefix = "2_Jun-24";
  return context;
}

std::string Heading(const char* first, const char* second) {
  return std::string(
             "<table border=0 width=\"100%\" cellspacing=0 cellpadding=0><tr><td bgcolor=#0000FF "
             "width=80%><font face=\"Arial\" size=1 color=#FFFFFF><b>&nbsp;") +
         first +
         "</b></font></td><td width=\"50%\" bgcolor=#0000FF><font face=\"Arial\" size=1 "
         "color=#FFFFFF><b>&nbsp;" +
         second + "</b></font></td></tr>\n\n";
}

TEST(StatusCodes, LabelsAndFontTagsByteForByte) {
  const RankedRows ranked{{"200", 50}, {"404", 7}, {"206", 2}, {"304", 1}};
  const std::string cell =
      "</font></B></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 color=#0000EE>";
  const std::string expected =
      "\n\n<P></P><BR>\n\n<table border=0 width=380 cellspacing=0>\n<tr><td width=100% "
      "colspan=2><b><strong><font face=\"Helvetica,Arial\" size=4>Server Status "
      "Codes</font></strong></b></td></tr>\n<tr><td width=50% vAlign=Top>\n" +
      Heading("server response to client browser", "requests") +
      "<tr><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;<FONT "
      "COLOR=#1E960B>200: OK - Request completed" +
      cell + "50</font></B></td></tr>" +
      "<tr bgcolor=#EAEAEA><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;<FONT "
      "COLOR=#FF0000>404: Object not found" +
      cell + "7</font></B></td></tr>" +
      "<tr><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;<FONT "
      "COLOR=#1E960B>206: Unknown response" +
      cell + "2</font></B></td></tr>" +
      "<tr bgcolor=#EAEAEA><td width=60%><font face=\"Helvetica,Arial\" size=2><B>&nbsp;<FONT "
      "COLOR=#CC6600>304: Cached reload" +
      cell + "1</font></B></td></tr>" + "</table>\n</td></tr></table>";
  EXPECT_EQ(StatusCodesHtml(ranked, Context()), expected);
  EXPECT_EQ(StatusCodesHtml({{"200", 1}}, Context()), "");
}

TEST(BrowsersAndSystems, SharesCoverEveryEntryWhateverTheRowLimit) {
  const RankedRows browsers{
      {"Microsoft Internet Explorer 5.01", 60}, {"Netscape 4.7", 30}, {"Lynx", 10}};
  const RankedRows platforms{
      {"Windows NT", 50}, {"Linux 2.2", 25}, {"Mac_PowerPC", 15}, {"OS/2", 10}};
  const std::string html = BrowsersHtml(browsers, platforms, 1, "tlwgraph_browsers.gif", Context());
  EXPECT_NE(
      html.find("<IMG SRC=\"./images/2_Jun-24tlwgraph_browsers.gif\" ALT=\"Web Browser Graph\">"),
      std::string::npos);
  EXPECT_NE(html.find("<tr><td colspan=2><div align=right><I><font color=#808080 size=2 "
                      "face=\"Arial\">Microsoft IE (60.0%), Netscape (30.0%), Other "
                      "(10.0%)</font></I></div></td></tr></table>\n</td></tr></table>"),
            std::string::npos);
  EXPECT_NE(html.find("Windows (50.0%), Macintosh (15.0%),<BR>UNIX (25.0%), Other (10.0%)"),
            std::string::npos);
  // One browser row only (the limit), but all four systems.
  EXPECT_EQ(html.find("Netscape 4.7</font>"), std::string::npos);
  EXPECT_NE(html.find("<B>&nbsp;OS/2</font></td>"), std::string::npos);
  // Two rows make a section, one does not.
  const RankedRows two{{"Lynx", 2}, {"Netscape 4.7", 1}};
  const std::string twoEach =
      BrowsersHtml(two, {{"Linux", 2}, {"Windows NT", 1}}, 5, "", Context());
  EXPECT_NE(twoEach.find("Web Browsers "), std::string::npos);
  EXPECT_NE(twoEach.find("Operating Systems "), std::string::npos);
  EXPECT_EQ(BrowsersHtml({{"Lynx", 1}}, platforms, 5, "", Context()), "");
  EXPECT_EQ(BrowsersHtml(browsers, {{"Linux", 1}}, 5, "", Context()).find("Operating Systems"),
            std::string::npos);
}

TEST(ReferringSites, LinkRuleForHttpAndHttps) {
  const std::string seventy = "http://" + std::string(63, 'a');  // 70 characters
  const std::string seventyOne = "http://" + std::string(64, 'b');
  const std::string ninety = "http://" + std::string(83, 'c');
  EXPECT_EQ(ReferrerLink(seventy),
            "<A HREF=\"" + seventy + "\" target=\"_blank\">" + std::string(63, 'a') + "</A>");
  EXPECT_EQ(ReferrerLink(seventyOne),
            "<A HREF=\"" + seventyOne + "\" target=\"_blank\">" + std::string(64, 'b') + "...</A>");
  EXPECT_EQ(ReferrerLink(ninety),
            "<A HREF=\"" + ninety + "\" target=\"_blank\">" + std::string(70, 'c') + "...</A>");
  EXPECT_EQ(ReferrerLink("https://www.example.org/q?a=1&b=2"),
            "<A HREF=\"https://www.example.org/q?a=1&amp;b=2\" "
            "target=\"_blank\">www.example.org/q?a=1&amp;b=2</A>");
  EXPECT_EQ(ReferrerLink("android-app://com.google"), "android-app://com.google");
  // A crafted referrer shows as text, never as markup.
  const std::string hostile = ReferrerLink("http://x/\"><script>alert(1)</script>");
  EXPECT_EQ(hostile.find("<script>"), std::string::npos);
  EXPECT_GT(hostile.find("\">"), hostile.find("\" target"));  // the HREF is not closed early
  EXPECT_EQ(ReferrerLink("http://bad host/"), "http://bad host/");
}

TEST(ClickPaths, AtMostElevenPagesAndLongNamesCut) {
  std::string key;
  for (int i = 1; i <= 15; ++i) key += "/p" + std::to_string(i) + ".html!";
  std::string expected = "/p1.html";
  for (int i = 2; i <= 11; ++i) expected += " <BR>&nbsp;/p" + std::to_string(i) + ".html";
  EXPECT_EQ(ClickPathText(key), expected);
  EXPECT_EQ(ClickPathText("/solo.html"), "/solo.html");
  EXPECT_EQ(ClickPathText("/a!" + std::string(61, 'x') + "!"),
            "/a <BR>&nbsp;" + std::string(60, 'x') + "...");
  // The cut never splits a UTF-8 character into bytes that would show as
  // other characters.
  EXPECT_EQ(ClickPathText("/a!" + std::string(59, 'x') + "\xC3\xA9"),
            "/a <BR>&nbsp;" + std::string(59, 'x') + "...");
}

TEST(FileTypes, DescriptionsAreCaseSensitive) {
  EXPECT_EQ(FileTypeDescription(".HTM"), "[document] (HyperText Markup Language)");
  EXPECT_EQ(FileTypeDescription(".htm"), "");
  EXPECT_EQ(FileTypeDescription(".AIFF"), "[audio] ");
  EXPECT_EQ(FileTypeDescription(".WEBP"), "");
  const std::string html = FileTypesHtml({{".GIF", 9}, {".HTML", 4}}, 10, "", Context());
  EXPECT_NE(html.find("<tr bgcolor=#EAEAEA><td width=130><font face=\"Helvetica,Arial\" "
                      "size=3><B>&nbsp;.HTML</B></FONT></TD><TD width=300><font "
                      "face=\"Helvetica,Arial\" color=#808080 size=1>[document] (HyperText Markup "
                      "Language)</font></td><td>&nbsp;<B><font face=\"Helvetica,Arial\" size=2 "
                      "color=#0000EE>4</font></B></td></tr>"),
            std::string::npos);
  EXPECT_NE(html.find("File Types </font></strong></b></td></tr>\n<tr><td vAlign=Top>\n"),
            std::string::npos);
}

TEST(LastVisitors, HostAndTimeColumnsNewestFirst) {
  const std::vector<std::string> visitors{"host.example.com[24/Jun/1999:16:10]",
                                          "10.0.0.1[24/Jun/1999:16:00]",
                                          "old.example.net[23/Jun/1999:14:05]"};
  const std::string html = LastVisitorsHtml(visitors, 2, Context());
  EXPECT_NE(html.find("size=4>Last 2 Visitors</font>"), std::string::npos);
  EXPECT_NE(html.find("<tr><td align=left width=80%><font face=\"Helvetica,Arial\" "
                      "size=1>host.example.com</font></td><td width=\"50%\"><font "
                      "face=\"Helvetica,Arial\" size=1>24/Jun/1999:16:10</font></td>\n</tr>\n"
                      "<tr bgcolor=#EAEAEA>"),
            std::string::npos);
  EXPECT_EQ(html.find("old.example.net"), std::string::npos);
  EXPECT_NE(LastVisitorsHtml({}, 20, Context()).find("Last 20 Visitors"), std::string::npos);
}

}  // namespace
}  // namespace tlw
