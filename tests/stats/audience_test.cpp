// People and robots counted apart: who is a robot, what is a page view, and
// the visits, hours, days and tables of people that follow.
#include <gtest/gtest.h>

#include <vector>

#include "stats/add_record.h"
#include "stats/audience_counting.h"
#include "test_records.h"

namespace tlw {
namespace {

using testing_records::At;
using testing_records::Contents;
using testing_records::Counts;
using testing_records::OwnedRecord;

// Agents holding "Googlebot" or "GPTBot" are robots; asked once per agent.
class FakeRobots : public RobotLookup {
 public:
  std::optional<RobotMatch> RobotOf(std::string_view agent) override {
    ++questions;
    if (agent.find("Googlebot") != std::string_view::npos) {
      return RobotMatch{"Googlebot", RobotKind::kSearchEngine};
    }
    if (agent.find("GPTBot") != std::string_view::npos) {
      return RobotMatch{"GPTBot", RobotKind::kAiCrawler};
    }
    return std::nullopt;
  }
  int questions = 0;
};

constexpr const char* kFirefox = "Mozilla/5.0 (X11; Linux x86_64; rv:133.0) Firefox/133.0";

OwnedRecord Person(std::string host, std::string hour, std::string minute, std::string url) {
  OwnedRecord r = At(std::move(host), std::move(hour), std::move(minute), std::move(url));
  r.agent = kFirefox;
  return r;
}

OwnedRecord Robot(std::string host, std::string agent, std::string url) {
  OwnedRecord r = At(std::move(host), "02", "00", std::move(url));
  r.agent = std::move(agent);
  return r;
}

AudienceStatistics& Count(SiteStatistics& s, FakeRobots& robots,
                          const std::vector<OwnedRecord>& records) {
  s.Prepare();
  CountingOptions options;
  options.countAudience = true;
  options.robotLookup = &robots;
  options.homepageUrl = "http://www.example.com";
  for (const OwnedRecord& r : records) AddRecord(s, options, r.View());
  FinishRecords(s);
  return s.audience;
}

TEST(Audience, PagesAreExtensionlessOrPageExtensionsOutsideAssetFolders) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"/", true},
      {"/product/123", true},
      {"/blog/post/", true},
      {"/index.html", true},
      {"/cart.php", true},
      {"/style.css", false},
      {"/logo.png", false},
      {"/robots.txt", false},
      {"/assets/app", false},
      {"/Static/chunk", false},
      {"/wp-content/uploads/x", false},
      {"/assets", true},  // a page named like the folder
  };
  for (const auto& [path, page] : cases) EXPECT_EQ(IsAudiencePage(path), page) << path;
}

TEST(Audience, RobotsByAgentOrRobotsTxtAndPeoplesPageViews) {
  SiteStatistics s;
  FakeRobots robots;
  OwnedRecord refd = Person("a.example.com", "10", "00", "/product/123?colour=red");
  refd.referrer = "http://www.google.com/search?q=red+shoes";
  OwnedRecord ownRef = Person("a.example.com", "10", "05", "/product/123?colour=blue");
  ownRef.referrer = "http://www.example.com/";
  OwnedRecord missing = Person("a.example.com", "10", "06", "/gone");
  missing.status = "404";
  OwnedRecord notModified = Person("a.example.com", "10", "07", "/about/");
  notModified.status = "304";
  const std::vector<OwnedRecord> log = {
      refd,
      ownRef,
      Person("a.example.com", "10", "05", "/style.css"),
      missing,
      notModified,
      // 31 minutes after the last page view: a second visit.
      Person("a.example.com", "10", "38", "/about/"),
      Robot("crawl-1.googlebot.com", "Googlebot/2.1", "/product/123"),
      Robot("crawl-2.googlebot.com", "Googlebot/2.1", "/"),
      Robot("crawl-2.googlebot.com", "Googlebot/2.1", "/logo.png"),
      Robot("gpt.openai.com", "Mozilla/5.0 GPTBot/1.0", "/"),
      Robot("gpt.openai.com", "Mozilla/5.0 GPTBot/1.0", "/x.png"),
      // A scraper with a browser's agent: a person until it asks for
      // /robots.txt, a robot from then on.
      Person("scraper.example.net", "11", "00", "/"),
      Person("scraper.example.net", "11", "01", "/robots.txt"),
      Person("scraper.example.net", "11", "02", "/product/9"),
  };
  const AudienceStatistics& a = Count(s, robots, log);

  EXPECT_EQ(robots.questions, 3);  // once per distinct agent
  EXPECT_EQ(a.people.hits, 7);
  EXPECT_EQ(a.people.visitors, 2);
  EXPECT_EQ(a.people.pageViews, 5);  // not the style sheet, not the 404
  EXPECT_EQ(a.people.visits, 3);
  EXPECT_EQ(a.people.bytes, 700);
  EXPECT_EQ(a.robots.hits, 7);
  EXPECT_EQ(a.robots.visitors, 4);
  EXPECT_EQ(a.robots.pageViews, 4);

  EXPECT_EQ(Contents(a.pages), (Counts{{"/product/123", 2}, {"/about/", 2}, {"/", 1}}));
  EXPECT_EQ(Contents(a.entryPages), (Counts{{"/product/123", 1}, {"/about/", 1}, {"/", 1}}));
  EXPECT_EQ(Contents(a.exitPages), (Counts{{"/about/", 2}, {"/", 1}}));
  EXPECT_EQ(Contents(a.referrers), (Counts{{"http://www.google.com/search?q=red+shoes", 1}}));
  EXPECT_EQ(Contents(a.searchPhrases), (Counts{{"red+shoes", 1}}));
  EXPECT_EQ(Contents(a.browsers).size(), 1u);
  EXPECT_EQ(a.hourPageViews[10], 4);
  EXPECT_EQ(a.hourPageViews[11], 1);
  EXPECT_EQ(a.weekdayPageViews[1], 5);  // 10 October 2000 was a Tuesday

  ASSERT_EQ(a.robotFamilies.size(), 3u);
  EXPECT_EQ(a.robotFamilies[0].family, "Googlebot");
  EXPECT_EQ(a.robotFamilies[0].visitors, 2);
  EXPECT_EQ(a.robotFamilies[1].family, "(asked for /robots.txt)");
  EXPECT_EQ(a.robotFamilies[1].hits, 2);
  EXPECT_EQ(a.robotFamilies[2].kind, RobotKind::kAiCrawler);
  EXPECT_EQ(a.robotKindHits[static_cast<std::size_t>(RobotKind::kAiCrawler)], 2);
  EXPECT_EQ(a.robotKindHits[static_cast<std::size_t>(RobotKind::kOther)], 2);
}

TEST(Audience, DaysComeInDateOrderWithTheirVisits) {
  SiteStatistics s;
  FakeRobots robots;
  OwnedRecord later = Person("a", "09", "00", "/");
  later.day = "12";
  OwnedRecord earlier = Person("b", "09", "00", "/");
  earlier.day = "02";
  OwnedRecord robot = Robot("g", "Googlebot", "/");
  robot.day = "12";
  const AudienceStatistics& a = Count(s, robots, {later, earlier, robot});
  ASSERT_EQ(a.days.size(), 2u);
  EXPECT_EQ(a.days[0].date, 20001002);
  EXPECT_EQ(a.days[1].date, 20001012);
  EXPECT_EQ(a.days[1].peoplePageViews, 1);
  EXPECT_EQ(a.days[1].peopleVisits, 1);
  EXPECT_EQ(a.days[1].robotHits, 1);
}

TEST(Audience, NothingIsCountedWhenNotAsked) {
  SiteStatistics s;
  s.Prepare();
  const OwnedRecord r = Person("a", "09", "00", "/");
  AddRecord(s, CountingOptions{}, r.View());
  FinishRecords(s);
  EXPECT_EQ(s.audience.people.hits, 0);
  EXPECT_EQ(s.audience.pages.Count(), 0u);
}

}  // namespace
}  // namespace tlw
