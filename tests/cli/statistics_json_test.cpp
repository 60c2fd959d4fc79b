#include "cli/statistics_json.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw::cli {
namespace {

struct EscapeCase {
  const char* name;
  std::string text;
  std::string json;
};

class JsonStringTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringTest, EscapesAsJsonAndKeepsEveryByte) {
  EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    ::testing::Values(EscapeCase{"Plain", "/index.html", "\"/index.html\""},
                      EscapeCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                      EscapeCase{"ControlCharacters", std::string("\n\r\t\x01\x1f", 5),
                                 "\"\\n\\r\\t\\u0001\\u001f\""},
                      EscapeCase{"Nul", std::string("a\0b", 3), "\"a\\u0000b\""},
                      EscapeCase{"ValidTwoByte", "caf\xc3\xa9", "\"caf\xc3\xa9\""},
                      EscapeCase{"ValidFourByte", "\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
                      EscapeCase{"Latin1Byte", "caf\xe9", "\"caf\\udce9\""},
                      EscapeCase{"OverlongSlash", "\xc0\xaf", "\"\\udcc0\\udcaf\""},
                      EscapeCase{"EncodedSurrogate", "\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},
                      EscapeCase{"CutSequence", "x\xe2\x82", "\"x\\udce2\\udc82\""},
                      EscapeCase{"AboveUnicode", "\xf4\x90\x80\x80",
                                 "\"\\udcf4\\udc90\\udc80\\udc80\""},
                      EscapeCase{"LoneContinuation", "\x80z", "\"\\udc80z\""}),
    [](const auto& p) { return std::string(p.param.name); });

// Reads a JSON string literal back into bytes, undoing the escapes of
// surrogateescape: U+DC80..U+DCFF give back their byte.
std::string DecodeJsonString(const std::string& json) {
  std::string bytes;
  for (std::size_t i = 1; i + 1 < json.size(); ++i) {
    if (json[i] != '\\') {
      bytes += json[i];
      continue;
    }
    const char kind = json[++i];
    if (kind != 'u') {
      bytes += kind == 'n' ? '\n' : kind == 'r' ? '\r' : kind == 't' ? '\t' : kind;
      continue;
    }
    const unsigned code = static_cast<unsigned>(std::stoul(json.substr(i + 1, 4), nullptr, 16));
    i += 4;
    bytes += static_cast<char>(code >= 0xDC80 ? code - 0xDC00 : code);
  }
  return bytes;
}

TEST(JsonString, AnyBytesComeBackUnchanged) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<std::size_t>(round % 13), '\0');
    for (char& c : text) c = static_cast<char>(byte(random));
    EXPECT_EQ(DecodeJsonString(JsonString(text)), text);
  }
}

TEST(RowJsonPath, PutsTheRowBeforeTheExtension) {
  EXPECT_EQ(RowJsonPath("stats.json", 3), "stats.3.json");
  EXPECT_EQ(RowJsonPath("out/site.stats.json", 0), "out/site.stats.0.json");
  EXPECT_EQ(RowJsonPath("/tmp/stats", 12), "/tmp/stats.12");
}

TEST(StatisticsJson, HoldsEveryTableRankedWithCountersAndVisitors) {
  CSiteProfile profile;
  profile.SetHomepageUrl("http://www.example.com/");
  profile.SetPeriodStart("Oct-10-2000 13:55");
  profile.SetPeriodEnd("Oct-11-2000 08:00");
  SiteStatistics& stats = profile.Statistics();
  stats.Prepare();
  stats.hostnames.Add("a.example.com");
  stats.hostnames.Add("b.example.com", 3);
  stats.retCodes.Add("200", 4);
  stats.uniqueHosts = 2;
  stats.totalBytes = 5'000'000'000;
  stats.busiestDay = "Oct-10";
  stats.lastVisitors.PushFront("b.example.com 08:00", 20);
  // Enough referrers that the file is written in several pieces; each one
  // must arrive whole, in ranked order.
  for (int i = 0; i < 3000; ++i) {
    stats.referers.Add("http://referrer.example.net/page/" + std::to_string(i), 1 + i % 7);
  }

  test::TempDir dir;
  ASSERT_TRUE(WriteStatisticsJson(dir.path() / "stats.json", profile).ok());
  const auto json = nlohmann::json::parse(test::ReadFileBytes(dir.path() / "stats.json"));

  EXPECT_EQ(json["site"], "http://www.example.com/");
  EXPECT_EQ(json["periodStart"], "Oct-10-2000 13:55");
  EXPECT_EQ(json["periodEnd"], "Oct-11-2000 08:00");
  EXPECT_EQ(json["busiestDay"], "Oct-10");
  EXPECT_EQ(json["counters"]["uniqueHosts"], 2);
  EXPECT_EQ(json["counters"]["homepageHits"], 0);
  EXPECT_EQ(json["counters"]["totalBytes"], 5'000'000'000);
  EXPECT_EQ(json["tables"].size(), SiteStatistics::Tables().size());
  EXPECT_EQ(json["tables"]["hostnames"],
            nlohmann::json::parse(R"([["b.example.com", 3], ["a.example.com", 1]])"));
  EXPECT_EQ(json["tables"]["retCodes"], nlohmann::json::parse(R"([["200", 4]])"));
  EXPECT_EQ(json["tables"]["weekdays"], nlohmann::json::array());
  const auto& referers = json["tables"]["referers"];
  ASSERT_EQ(referers.size(), 3000u);
  const std::vector<StatEntry> ranked = Ranked(stats.referers);
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    ASSERT_EQ(referers[i][0], ranked[i].key) << i;
    ASSERT_EQ(referers[i][1], ranked[i].count) << i;
  }
  EXPECT_EQ(json["lastVisitors"], nlohmann::json::parse(R"(["b.example.com 08:00"])"));
}

}  // namespace
}  // namespace tlw::cli
