// Log text as the report writes it: UTF-8 HTML and the graph fonts' bytes.
#include <gtest/gtest.h>

#include "base/text_encoding.h"
#include "report/bar_graph_layout.h"
#include "report/html_escape.h"

namespace tlw {
namespace {

struct LogTextCase {
  const char* name;
  std::string_view log;
  std::string_view html;
  std::string_view graph;  // ISO-8859-2 bytes of GD's fonts
};

class LogText : public testing::TestWithParam<LogTextCase> {};

TEST_P(LogText, BecomesUtf8HtmlAndFontBytes) {
  const LogTextCase& c = GetParam();
  EXPECT_EQ(HtmlEscape(c.log), c.html);
  EXPECT_EQ(GraphFontText(c.log), c.graph);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogText,
    testing::Values(
        LogTextCase{"Markup", "/a?b=<x>&c=\"'", "/a?b=&lt;x&gt;&amp;c=&quot;&#39;",
                    "/a?b=<x>&c=\"'"},
        LogTextCase{"PercentEscapesStay", "/caf%C3%A9", "/caf%C3%A9", "/caf%C3%A9"},
        LogTextCase{"Utf8", "/caf\xC3\xA9/\xC5\x81\xC3\xB3\x64\xC5\xBA",
                    "/caf\xC3\xA9/\xC5\x81\xC3\xB3\x64\xC5\xBA", "/caf\xE9/\xA3\xF3\x64\xBC"},
        LogTextCase{"Latin1", "/caf\xE9 \xD1", "/caf\xC3\xA9 \xC3\x91", "/caf\xE9 ?"},
        LogTextCase{"Windows1252", "\x80\x8A\x93x\x94",
                    "\xE2\x82\xAC\xC5\xA0\xE2\x80\x9Cx\xE2\x80\x9D", "?\xA9?x?"},
        LogTextCase{"Undefined1252Bytes", "\x81\x8D\x8F\x90\x9D",
                    "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", "?????"},
        // Overlong forms, surrogates and cut sequences are not UTF-8: each
        // byte is read alone.
        LogTextCase{"NotUtf8", "\xC0\xAF|\xED\xA0\x80|\xC3",
                    "\xC3\x80\xC2\xAF|\xC3\xAD\xC2\xA0\xE2\x82\xAC|\xC3\x83", "??|\xED\xA0?|?"},
        LogTextCase{"BeyondLatin2", "\xD0\xBC\xF0\x9F\x98\x80\xC3\xB1",
                    "\xD0\xBC\xF0\x9F\x98\x80\xC3\xB1", "???"}),
    [](const testing::TestParamInfo<LogTextCase>& param) { return param.param.name; });

TEST(CutToWholeCharacters, NeverSplitsAUtf8Sequence) {
  EXPECT_EQ(CutToWholeCharacters("ab\xC3\xA9", 3), "ab");
  EXPECT_EQ(CutToWholeCharacters("ab\xC3\xA9", 4), "ab\xC3\xA9");
  EXPECT_EQ(CutToWholeCharacters("a\xF0\x9F\x98\x80z", 4), "a");
  // Bytes that are not UTF-8 are characters of their own.
  EXPECT_EQ(CutToWholeCharacters("ab\xE9\xE9", 3), "ab\xE9");
}

}  // namespace
}  // namespace tlw
