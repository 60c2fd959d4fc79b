#include "robots/robot_catalog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "support/paths.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// The pattern file the build copies beside the programs.
std::string DataFile() { return (test::BinaryDir() / kRobotPatternsFileName).string(); }

// One catalog of the real data for the whole program: compiling it is the
// expensive part.
RobotCatalog& SharedCatalog() {
  static const std::unique_ptr<RobotCatalog> catalog = [] {
    Result<std::unique_ptr<RobotCatalog>> loaded = LoadRobotCatalog(DataFile(), "");
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    return loaded ? std::move(*loaded) : nullptr;
  }();
  return *catalog;
}

struct AgentCase {
  const char* name;
  const char* agent;
  const char* family;  // empty: a person
  RobotKind kind = RobotKind::kOther;
};

class RealAgents : public testing::TestWithParam<AgentCase> {};

TEST_P(RealAgents, AreTheirRobotOrAPerson) {
  const AgentCase& c = GetParam();
  const std::optional<RobotMatch> match = SharedCatalog().RobotOf(c.agent);
  if (std::string_view(c.family).empty()) {
    EXPECT_FALSE(match) << "taken for " << match->family;
    return;
  }
  ASSERT_TRUE(match);
  EXPECT_EQ(match->family, c.family);
  EXPECT_EQ(kRobotKindNames[static_cast<std::size_t>(match->kind)],
            kRobotKindNames[static_cast<std::size_t>(c.kind)]);
}

INSTANTIATE_TEST_SUITE_P(
    Agents, RealAgents,
    testing::Values(
        AgentCase{"Googlebot",
                  "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
                  "Googlebot", RobotKind::kSearchEngine},
        AgentCase{"Bingbot",
                  "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
                  "bingbot", RobotKind::kSearchEngine},
        AgentCase{"GPTBot",
                  "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
                  "+https://openai.com/gptbot)",
                  "GPTBot", RobotKind::kAiCrawler},
        AgentCase{"ClaudeBot",
                  "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; "
                  "+claudebot@anthropic.com)",
                  "ClaudeBot", RobotKind::kAiCrawler},
        // The family keeps one spelling whatever the agent's.
        AgentCase{"ClaudeBotLowerCase", "claudebot", "ClaudeBot", RobotKind::kAiCrawler},
        // Tagged AI crawler and search engine: a search engine comes first.
        AgentCase{"ClaudeSearchBot",
                  "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; "
                  "Claude-SearchBot/1.0; +https://www.anthropic.com)",
                  "Claude-SearchBot", RobotKind::kSearchEngine},
        // An entry without examples is named from its pattern.
        AgentCase{"Mediapartners", "Mediapartners (Googlebot)", "Mediapartners", RobotKind::kOther},
        AgentCase{"Applebot",
                  "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, "
                  "like Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; "
                  "+http://www.apple.com/go/applebot)",
                  "Applebot", RobotKind::kSearchEngine},
        AgentCase{"AhrefsBot", "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
                  "AhrefsBot", RobotKind::kOther},
        AgentCase{"UptimeRobot",
                  "Mozilla/5.0+(compatible; UptimeRobot/2.0; http://www.uptimerobot.com/)",
                  "UptimeRobot", RobotKind::kMonitor},
        // Names the Google feed fetcher too, after its own token.
        AgentCase{"Feedly",
                  "Feedly/1.0 (+http://www.feedly.com/fetcher.html; 16 subscribers; like "
                  "FeedFetcher-Google)",
                  "Feedly", RobotKind::kFeedReader},
        AgentCase{"Curl", "curl/8.5.0", "curl", RobotKind::kOther},
        AgentCase{"Wget", "Wget/1.21.4", "Wget", RobotKind::kOther},
        // A robot built on an HTTP library is the robot, not the library.
        AgentCase{"CheckerOnLibwww", "W3C-checklink/4.81 libwww-perl/6.72", "W3C-checklink",
                  RobotKind::kMonitor},
        AgentCase{"RobotOnGoClient",
                  "Mozilla/5.0 (compatible; Go-http-client/1.1; +centurybot9@gmail.com)",
                  "centurybot", RobotKind::kOther},
        // "UptimeBot/" is inside this one's own token.
        AgentCase{"SentryUptimeBot",
                  "SentryUptimeBot/1.0 (+http://docs.sentry.io/product/alerts/uptime-monitoring/)",
                  "SentryUptimeBot", RobotKind::kMonitor},
        // IIS writes spaces as "+".
        AgentCase{"W3CPlusForSpace", "Mozilla/5.0+(compatible;+Dow+Jones+Searchbot)",
                  "Dow Jones Searchbot", RobotKind::kMonitor},
        AgentCase{"BytesThatAreNotUtf8", "\xff\xfe Googlebot/2.1 \xc3", "Googlebot",
                  RobotKind::kSearchEngine},
        AgentCase{"Chrome",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/131.0.0.0 Safari/537.36",
                  ""},
        AgentCase{"Firefox",
                  "Mozilla/5.0 (X11; Linux x86_64; rv:133.0) Gecko/20100101 Firefox/133.0", ""},
        AgentCase{"SafariOnIPhone",
                  "Mozilla/5.0 (iPhone; CPU iPhone OS 18_1 like Mac OS X) AppleWebKit/605.1.15 "
                  "(KHTML, like Gecko) Version/18.1 Mobile/15E148 Safari/604.1",
                  ""},
        AgentCase{"Edge",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/131.0.0.0 Safari/537.36 Edg/131.0.2903.86",
                  ""},
        AgentCase{"NoAgent", "-", ""}, AgentCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<AgentCase>& caseInfo) { return caseInfo.param.name; });

// Entries of the data some of whose examples name another of its robots
// first, and that robot's pattern: the earlier token wins. Every other
// example of an entry is that entry's.
const std::set<std::pair<std::string, std::string>> kExamplesNamingAnotherFirst = {
    {"archive\\.org_bot", "heritrix"},  {"Siteimprove\\.com", "SiteCheck-sitecrawl"},
    {"virustotal", "AppEngine-Google"}, {"Wayback", "archive\\.org_bot"},
    {"Puppeteer", "HeadlessChrome"},    {"Specificfeeds", "FeedBurner"},
};

// Every example agent of the data is a robot, and the robot of its own
// entry but for the list above.
TEST(RobotCatalogData, EveryExampleIsItsOwnEntrysRobot) {
  const RobotCatalog& catalog = SharedCatalog();
  EXPECT_THAT(catalog.Warnings(), IsEmpty());
  const nlohmann::json data = nlohmann::json::parse(test::ReadFileBytes(DataFile()));
  ASSERT_EQ(catalog.Entries().size(), data.size());
  std::size_t examples = 0;
  std::set<std::pair<std::string, std::string>> seen;
  for (const nlohmann::json& item : data) {
    const std::string pattern = item.at("pattern");
    for (const nlohmann::json& instance : item.value("instances", nlohmann::json::array())) {
      const std::string agent = instance;
      ++examples;
      const std::optional<std::size_t> entry = catalog.EntryOf(agent);
      ASSERT_TRUE(entry) << agent << " is no robot";
      const std::string& found = catalog.Entries()[*entry].pattern;
      if (found == pattern) continue;
      EXPECT_TRUE(kExamplesNamingAnotherFirst.contains({pattern, found}))
          << agent << ": " << found << " instead of " << pattern;
      seen.emplace(pattern, found);
    }
  }
  EXPECT_GT(examples, 2000U);
  EXPECT_EQ(seen, kExamplesNamingAnotherFirst);
}

TEST(RobotFamilyName, CutsTheMatchedTextToItsToken) {
  EXPECT_EQ(RobotFamilyName("Googlebot/"), "Googlebot");
  EXPECT_EQ(RobotFamilyName(" PTST/"), "PTST");
  EXPECT_EQ(RobotFamilyName("Mediapartners (Googlebot)"), "Mediapartners");
  EXPECT_EQ(RobotFamilyName("yandex.com/bots"), "yandex.com");
  EXPECT_EQ(RobotFamilyName("https://developers.cloudflare.com/security-center/"),
            "developers.cloudflare.com");
  EXPECT_EQ(RobotFamilyName("Gluten Free Crawler/"), "Gluten Free Crawler");
  EXPECT_EQ(RobotFamilyName("/+/"), "");
}

TEST(UserRobotPatterns, AddRobotsThatWinOverTheData) {
  const test::TempDir dir;
  const auto userFile = dir.Write("robots.txt",
                                  "# our own robots\r\n"
                                  "\n"
                                  "Tallowick Probe\tmonitoring\tTallowickProbe/\r\n"
                                  "Search of the intranet\tsearch-engine\t(?i)intranet-spider\n"
                                  "Not Google\tother\tcompany crawler\n");
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(DataFile(), userFile.string());
  ASSERT_TRUE(catalog.ok()) << catalog.message();

  std::optional<RobotMatch> match = (*catalog)->RobotOf("TallowickProbe/0.1 (health check)");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->family, "Tallowick Probe");
  EXPECT_EQ(match->kind, RobotKind::kMonitor);
  match = (*catalog)->RobotOf("Intranet-Spider 2");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->kind, RobotKind::kSearchEngine);
  // The user's entry wins even where the data's matches earlier in the agent.
  match = (*catalog)->RobotOf("Mozilla/5.0 (compatible; Googlebot/2.1 (company crawler))");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->family, "Not Google");
  match = (*catalog)->RobotOf("Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/)");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->family, "Googlebot");
}

struct BadFileCase {
  const char* name;
  const char* content;
  const char* problem;
};

class BadUserLine : public testing::TestWithParam<BadFileCase> {};

TEST_P(BadUserLine, FailsNamingTheFileAndLine) {
  const test::TempDir dir;
  const auto userFile = dir.Write(
      "robots.txt", std::string("# comment\nGood\tother\tgood-bot\n") + GetParam().content);
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(DataFile(), userFile.string());
  ASSERT_FALSE(catalog.ok());
  EXPECT_THAT(catalog.message(),
              AllOf(HasSubstr(userFile.string() + ", line 3"), HasSubstr(GetParam().problem)));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadUserLine,
    testing::Values(BadFileCase{"SpacesForTabs", "Probe other probe/\n", "separated by tabs"},
                    BadFileCase{"UnknownKind", "Probe\tmonitor\tprobe/\n",
                                "unknown kind \"monitor\""},
                    BadFileCase{"BadPattern", "Probe\tother\tprobe(\n", "not valid RE2"},
                    BadFileCase{"NoFamily", " \tother\tprobe/\n", "family name is empty"},
                    BadFileCase{"NoPattern", "Probe\tother\t\n", "pattern is empty"}),
    [](const testing::TestParamInfo<BadFileCase>& caseInfo) { return caseInfo.param.name; });

class BadDataFile : public testing::TestWithParam<BadFileCase> {};

TEST_P(BadDataFile, FailsNamingTheFile) {
  const test::TempDir dir;
  const auto dataFile = dir.Write("robots.json", GetParam().content);
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(dataFile.string(), "");
  ASSERT_FALSE(catalog.ok());
  EXPECT_THAT(catalog.message(),
              AllOf(HasSubstr(dataFile.string()), HasSubstr(GetParam().problem)));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDataFile,
    testing::Values(BadFileCase{"NotJson", "[\n{\"pattern\": \"a\"},\n{oops}\n]", "line 3"},
                    BadFileCase{"NotAList", "{\"pattern\": \"a\"}", "not a list of robots"}),
    [](const testing::TestParamInfo<BadFileCase>& caseInfo) { return caseInfo.param.name; });

TEST(RobotCatalogFiles, MissingFilesAreNamed) {
  const test::TempDir dir;
  const std::string missing = (dir / "absent.json").string();
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(missing, "");
  ASSERT_FALSE(catalog.ok());
  EXPECT_THAT(catalog.message(), AllOf(HasSubstr(missing), HasSubstr("cannot open")));
  catalog = LoadRobotCatalog(DataFile(), missing);
  ASSERT_FALSE(catalog.ok());
  EXPECT_THAT(catalog.message(), AllOf(HasSubstr("user robot patterns " + missing)));
}

// A bad entry of the data costs that entry only.
TEST(RobotCatalogFiles, BadDataEntriesAreLeftOutWithAWarning) {
  const test::TempDir dir;
  const auto dataFile = dir.Write("robots.json",
                                  R"([{"pattern": "Broken(", "tags": ["seo"]},
                                      {"url": "https://example.com/"},
                                      {"pattern": "[fF]ine[bB]ot", "tags": ["monitoring"],
                                       "instances": ["finebot/1", "FineBot/2", "FineBot/3"]}])");
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(dataFile.string(), "");
  ASSERT_TRUE(catalog.ok()) << catalog.message();
  EXPECT_THAT(
      (*catalog)->Warnings(),
      UnorderedElementsAre(
          AllOf(HasSubstr(dataFile.string()), HasSubstr("entry 1"), HasSubstr("Broken(")),
          AllOf(HasSubstr(dataFile.string()), HasSubstr("entry 2"), HasSubstr("no pattern"))));
  ASSERT_TRUE((*catalog)->RobotOf("a finebot"));
  EXPECT_EQ((*catalog)->RobotOf("a finebot")->family, "FineBot");
}

}  // namespace
}  // namespace tlw
