#include <gtest/gtest.h>

#include <string>

#include "logs/line_parser.h"
#include "logs/tokenizer.h"
#include "tests/logs/parse_helpers.h"

namespace tlw {
namespace {

struct NcsaCase {
  const char* name;
  const char* line;
  // host|user|day|month|year|hour|minute|url|status|bytes|referrer|agent
  const char* fields;
};

class NcsaCutTest : public testing::TestWithParam<NcsaCase> {};

TEST_P(NcsaCutTest, CutsTheLineIntoTheRecordFields) {
  test::LineCutter cutter;
  // Cut into a record that still holds every field of an earlier line, as
  // the reading loop reuses one: no field of that line may remain.
  LogRecord record = cutter.Record(
      LogFormat::Ncsa,
      "old.example ident olduser [09/Sep/1999:09:09:09 +0000] \"GET /old HTTP/1.0\" 999 9 "
      "\"http://old.example/\" \"Old agent\"");
  EXPECT_EQ(cutter.Cut(LogFormat::Ncsa, GetParam().line, record), ParseOutcome::Record);
  EXPECT_EQ(test::Describe(record), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NcsaCutTest,
    testing::Values(
        NcsaCase{"Combined",
                 "83.149.9.216 - - [17/May/2015:10:05:03 +0000] \"GET "
                 "/presentations/kibana-search.png HTTP/1.1\" 200 203023 "
                 "\"http://semicomplete.com/presentations/\" \"Mozilla/5.0 (Macintosh; Intel Mac "
                 "OS X 10_9_1)\"",
                 "83.149.9.216|- |17|May|2015|10|05|/presentations/kibana-search.png|200|203023|"
                 "http://semicomplete.com/presentations/|Mozilla/5.0 (Macintosh; Intel Mac OS X "
                 "10_9_1)"},
        NcsaCase{"Common",
                 "in24.inetnebr.com - - [01/Aug/1995:00:00:01 -0400] \"GET "
                 "/shuttle/missions/sts-68/news/sts-68-mcc-05.txt HTTP/1.0\" 200 1839",
                 "in24.inetnebr.com|- |01|Aug|1995|00|00|"
                 "/shuttle/missions/sts-68/news/sts-68-mcc-05.txt|200|1839||"},
        NcsaCase{"RequestWithoutProtocol",
                 "klothos.crl.research.digital.com - - [10/Aug/1995:00:12:58 -0400] \"GET "
                 "/ksc.html\" 200 7280",
                 "klothos.crl.research.digital.com|- |10|Aug|1995|00|12|/ksc.html|200|7280||"},
        NcsaCase{"RequestNeverReceived", "::1 - - [26/Dec/2016:16:16:48 +0200] \"-\" 408 -",
                 "::1|- |26|Dec|2016|16|16|-|408|-||"},
        NcsaCase{"EmptyRequest",
                 "127.0.0.1 - - [12/Apr/2018:09:48:40 +0200] \"\" 400 0 \"-\" \"-\"",
                 "127.0.0.1|- |12|Apr|2018|09|48||400|0|-|-"},
        NcsaCase{"AuthenticatedUser",
                 "127.0.0.1 - frank [10/Oct/2000:13:55:36 -0700] \"GET /apache_pb.gif HTTP/1.0\" "
                 "200 2326",
                 "127.0.0.1|frank |10|Oct|2000|13|55|/apache_pb.gif|200|2326||"},
        NcsaCase{"EscapedQuotesInsideFields",
                 "10.1.1.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /a\\\"b HTTP/1.1\" 200 5 "
                 "\"http://x.example/\" \"Agent \\\"quoted\\\" text\"",
                 "10.1.1.1|- |01|Mar|2024|00|00|/a\\\"b|200|5|http://x.example/|Agent "
                 "\\\"quoted\\\" text"},
        NcsaCase{"EmptyQuotedReferrer",
                 "10.1.1.1 - - [01/Mar/2024:00:00:01 +0000] \"GET / HTTP/1.1\" 200 5 \"\" "
                 "\"curl/8.5.0\"",
                 "10.1.1.1|- |01|Mar|2024|00|00|/|200|5||curl/8.5.0"},
        NcsaCase{"TrailingExtraField",
                 "dyn-530.optus.com.au - - [22/Apr/2009:18:52:51 +1200] \"GET "
                 "/images/photos/5332.jpg HTTP/1.1\" 200 244 \"-\" \"Mozilla/4.0 (compatible; "
                 "MSIE 7.0)\" \"-\"",
                 "dyn-530.optus.com.au|- |22|Apr|2009|18|52|/images/photos/5332.jpg|200|244|-|"
                 "Mozilla/4.0 (compatible; MSIE 7.0)"},
        NcsaCase{"DotsInTheDate",
                 "10.0.0.1 - - [10.Oct.2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 1",
                 "10.0.0.1|- |10|Oct|2000|13|55|/a|200|1||"},
        // Timestamps off the usual "dd/Mon/yyyy:hh:mm:" shape are cut by
        // their separators, not at fixed places.
        NcsaCase{"OneDigitDay",
                 "10.0.0.1 - - [7/Oct/2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 1",
                 "10.0.0.1|- |7|Oct|2000|13|55|/a|200|1||"},
        NcsaCase{"DotInsideTheMonth",
                 "10.0.0.1 - - [10/O.t/2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 1",
                 "10.0.0.1|- |10|O|t/2000|13|55|/a|200|1||"},
        NcsaCase{"ColonInsideTheYear",
                 "10.0.0.1 - - [10/Oct/20:0:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 1",
                 "10.0.0.1|- |10|Oct|20|0|13|/a|200|1||"},
        NcsaCase{"CutMidAgent",
                 "10.0.0.1 - - [17/May/2015:10:05:03 +0000] \"GET /b HTTP/1.1\" 200 7 \"-\" "
                 "\"Mozilla/5.0 (Windows NT",
                 "10.0.0.1|- |17|May|2015|10|05|/b|200|7|-|Mozilla/5.0 (Windows NT"},
        NcsaCase{"BlankInsideTheUrl",
                 "10.0.0.1 - - [17/May/2015:10:05:03 +0000] \"GET /my file.html HTTP/1.1\" 404 9",
                 "10.0.0.1|- |17|May|2015|10|05|/my|404|9||"},
        NcsaCase{"IPv6Client",
                 "2a02:5885:d29b:e5c::6513 - - [01/Mar/2024:00:00:03 +0000] \"GET /feed.xml "
                 "HTTP/2.0\" 200 50303 \"https://www.google.com/\" \"Mozilla/5.0\"",
                 "2a02:5885:d29b:e5c::6513|- |01|Mar|2024|00|00|/feed.xml|200|50303|"
                 "https://www.google.com/|Mozilla/5.0"},
        NcsaCase{"NoIdentColumn",
                 "192.168.202.254 [20/Jul/2009:22:59:29 +0000] \"GET /vmw HTTP/1.0\" 404 46210",
                 "192.168.202.254|+0000] \"GET /vmw HTTP/1.0\" 404 46210||||||||||"},
        NcsaCase{"HostOnly", "10.0.0.1", "10.0.0.1|||||||||||"}),
    [](const testing::TestParamInfo<NcsaCase>& row) { return row.param.name; });

// The inline search the cutting relies on finds what a plain scan finds,
// wherever the text, the start of the search and the character lie: in the
// sixteen-character steps, in the last few characters, in text too short
// for a step, or before the start of the search (not found there).
TEST(FindByte, FindsWhatAPlainScanFinds) {
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      for (const std::size_t earlier : {std::size_t{0}, at / 2, at > 0 ? at - 1 : 0}) {
        std::string text(length, 'x');
        if (at < length) text[at] = '"';
        if (earlier < at) text[earlier] = '"';  // before the search: not to be found
        const std::size_t from = earlier < at ? earlier + 1 : 0;
        const char* begin = text.data();
        const char* found = FindByte(begin, begin + from, begin + length, '"');
        const std::size_t expected =
            text.find('"', from) == std::string::npos ? length : text.find('"', from);
        ASSERT_EQ(static_cast<std::size_t>(found - begin), expected)
            << "length " << length << ", at " << at << ", from " << from;
      }
    }
  }
}

}  // namespace
}  // namespace tlw
