#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "stats/add_record.h"
#include "stats/text_hash.h"
#include "tests/stats/test_records.h"

namespace tlw {
namespace {

using testing_records::At;
using testing_records::Contents;
using testing_records::Counts;
using testing_records::OwnedRecord;

// The click paths by text.
Counts ClickPaths(const SiteStatistics& s) {
  Counts texts;
  s.clickPaths.ForEach(
      [&](std::string_view key, std::int64_t n) { texts[s.ClickPathText(key)] += n; });
  return texts;
}

// Counts the records and finishes the run, as a run does.
void RunRecords(SiteStatistics& s, const std::vector<OwnedRecord>& records,
                const CountingOptions& options = {}) {
  s.Prepare();
  for (const OwnedRecord& r : records) AddRecord(s, options, r.View());
  FinishRecords(s);
}

TEST(Visits, RequestsWithinThirtyMinutesOfTheLastFormOneVisit) {
  SiteStatistics s;
  RunRecords(
      s,
      {At("pc.example.com", "10", "00", "/a.html"), At("pc.example.com", "10", "20", "/b.html"),
       At("pc.example.com", "10", "45", "/c.html"), At("pc.example.com", "11", "20", "/d.html")});
  // 10:45 is within 30 minutes of 10:20 (each request renews the stamp);
  // 11:20 is 35 minutes after 10:45 and starts a visit of one page.
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a.html!/b.html!/c.html!", 1}}));
  EXPECT_EQ(Contents(s.entryPages), (Counts{{"/a.html", 1}}));
  EXPECT_EQ(Contents(s.exitPages), (Counts{{"/c.html", 1}}));
  EXPECT_EQ(s.lastVisitors.Texts(), (std::vector<std::string>{"pc.example.com [Oct-10 11:20]",
                                                              "pc.example.com [Oct-10 10:00]"}));
}

TEST(Visits, ThirtyMinutesExactlyStillContinuesTheVisit) {
  SiteStatistics s;
  RunRecords(s, {At("pc.example.com", "10", "00", "/a"), At("pc.example.com", "10", "30", "/b")});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/b!", 1}}));
}

TEST(Visits, RepeatingThePageDoesNotRenewTheStamp) {
  SiteStatistics s;
  RunRecords(s, {At("pc.example.com", "10", "00", "/a"), At("pc.example.com", "10", "10", "/a"),
                 At("pc.example.com", "10", "35", "/b")});
  // At 10:35 the stamp still says 10:00: the visit has expired, and neither
  // it nor the new one has two pages.
  EXPECT_TRUE(ClickPaths(s).empty());
  EXPECT_EQ(s.lastVisitors.size(), 2u);
}

TEST(Visits, ImagesAndStyleSheetsNeverTouchVisitsOrWeekdays) {
  SiteStatistics s;
  RunRecords(
      s, {At("pc.example.com", "10", "00", "/a"), At("pc.example.com", "10", "01", "/x.gif"),
          At("pc.example.com", "10", "02", "/y.JPG"), At("pc.example.com", "10", "03", "/p.jpeg"),
          At("pc.example.com", "10", "04", "/i.xbm"), At("pc.example.com", "10", "05", "/s.css"),
          At("new.example.com", "10", "06", "/only.gif"),
          At("pc.example.com", "11", "40", "/b.html")});
  // Only /a and /b.html are visit requests, 100 minutes apart: two single
  // pages. The host that asked only for an image is no visitor.
  EXPECT_TRUE(ClickPaths(s).empty());
  EXPECT_EQ(Contents(s.weekdays), (Counts{{"Tuesday", 2}}));  // 10 October 2000
  EXPECT_EQ(s.lastVisitors.size(), 2u);
  EXPECT_EQ(s.hostnames.Get("new.example.com"), 1);
}

TEST(Visits, TodaysPageAssetsNeverTouchVisitsEither) {
  SiteStatistics s;
  RunRecords(
      s,
      {At("pc.example.com", "10", "00", "/favicon.ico"),
       At("pc.example.com", "10", "01", "/a.html"), At("pc.example.com", "10", "01", "/logo.PNG"),
       At("pc.example.com", "10", "01", "/icons/cart.svg"),
       At("pc.example.com", "10", "01", "/app.js"), At("pc.example.com", "10", "01", "/f.woff2"),
       At("pc.example.com", "10", "02", "/hero.webp"), At("pc.example.com", "10", "03", "/b.php")});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a.html!/b.php!", 1}}));
  EXPECT_EQ(Contents(s.entryPages), (Counts{{"/a.html", 1}}));
  EXPECT_EQ(Contents(s.weekdays), (Counts{{"Tuesday", 2}}));
}

TEST(Visits, EachEndedVisitCountsExactlyOnce) {
  SiteStatistics s;
  RunRecords(s, {At("one.example.com", "10", "00", "/a"), At("two.example.com", "10", "01", "/x"),
                 At("one.example.com", "10", "05", "/b"), At("two.example.com", "10", "02", "/y"),
                 // one's first visit ends here (replaced), two's stays open to the end.
                 At("one.example.com", "11", "00", "/a"), At("one.example.com", "11", "05", "/b"),
                 At("one.example.com", "13", "00", "/c"), At("one.example.com", "13", "01", "/d")});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/b!", 2}, {"/x!/y!", 1}, {"/c!/d!", 1}}));
  // A click path adds 1 to its entry and exit page however often it was taken.
  EXPECT_EQ(Contents(s.entryPages), (Counts{{"/a", 1}, {"/x", 1}, {"/c", 1}}));
  EXPECT_EQ(Contents(s.exitPages), (Counts{{"/b", 1}, {"/y", 1}, {"/d", 1}}));
  EXPECT_EQ(s.openVisits.Count(), 0u);
}

TEST(Visits, ManyVisitsEndingTogetherCountEachPathOnce) {
  // The visits open at the end are turned into click paths several at a
  // time: shared paths, one-page visits (no click path) and chains of
  // several links among them must each land on their own key. Some hosts
  // also end a visit during the records.
  std::vector<OwnedRecord> records;
  Counts expected;
  for (int n = 0; n < 90; ++n) {
    const std::string host = "h" + std::to_string(n) + ".example.com";
    std::string text;
    const int pages = n % 7 == 0 ? 1 : n % 11 == 0 ? 40 : 2 + n % 3;
    const auto visit = [&](const std::string& hour, int first) {
      text.clear();
      for (int p = 0; p < pages; ++p) {
        const std::string page = "/p" + std::to_string((first + p * 3) % 17);
        records.push_back(
            At(host, hour, p < 10 ? "0" + std::to_string(p) : std::to_string(p), page));
        text += page + "!";
      }
      if (pages > 1) ++expected[text];
    };
    if (n % 4 == 0) visit("08", n % 6);  // ended by the next visit
    visit("10", n % 5);
  }
  SiteStatistics s;
  RunRecords(s, records);
  EXPECT_EQ(ClickPaths(s), expected);
  EXPECT_EQ(s.clickPaths.Count(), expected.size());  // one entry per path
}

TEST(Visits, OpenVisitsEndInTheBucketOrderOfTheirHosts) {
  // The visits still open at the end are counted host by host as a table of
  // 80000 buckets keyed by the host walks them: that order decides which
  // click path is created first, and so the order of ties in the report.
  // Two click paths sharing a bucket of `clickPaths` (newest first) show it.
  const auto bucket = [](const std::string& key, std::uint32_t buckets) {
    return TableHash(key) % buckets;
  };
  std::string first, second;  // "/p<n>", their click paths share a bucket
  for (int n = 1; second.empty(); ++n) {
    for (int m = 0; m < n && second.empty(); ++m) {
      const std::string a = "/p" + std::to_string(m), b = "/p" + std::to_string(n);
      if (bucket(a + "!/q!", 3000) == bucket(b + "!/q!", 3000)) first = a, second = b;
    }
  }
  std::vector<std::string> hosts;
  std::mt19937 random(5);
  for (int n = 0; n < 3000; ++n) {
    std::string name(8, 'a');
    for (char& c : name) c = static_cast<char>('a' + random() % 26);
    hosts.push_back(name + ".example.com");
  }
  const auto findHosts = [&](auto&& wanted) {
    for (const std::string& a : hosts) {
      for (const std::string& b : hosts) {
        if (a != b && wanted(bucket(a, 80000), bucket(b, 80000))) return std::pair(a, b);
      }
    }
    return std::pair(std::string(), std::string());
  };
  // Of hosts in one bucket, the later visit ends first; of hosts in two,
  // the lower bucket's, whichever visit began first. It is the order of
  // the first visits, not of the hosts' first requests: an image can make
  // the later visitor known first.
  for (const auto& [early, late] :
       {findHosts([](std::uint32_t a, std::uint32_t b) { return a == b; }),
        findHosts([](std::uint32_t a, std::uint32_t b) { return a > b; })}) {
    ASSERT_FALSE(early.empty());
    for (const bool lateSeenFirst : {false, true}) {
      SiteStatistics s;
      std::vector<OwnedRecord> records;
      if (lateSeenFirst) records.push_back(At(late, "09", "59", "/logo.gif"));
      for (const OwnedRecord& r : {At(early, "10", "00", first), At(late, "10", "00", second),
                                   At(early, "10", "01", "/q"), At(late, "10", "01", "/q")}) {
        records.push_back(r);
      }
      RunRecords(s, records);
      const std::vector<StatEntry> paths = s.clickPaths.Entries();
      ASSERT_EQ(paths.size(), 2u);
      EXPECT_EQ(s.ClickPathText(paths[0].key), first + "!/q!") << early << " " << late;
    }
  }
}

TEST(Visits, PagesWithBangKeepTheirTextInTheClickPath) {
  SiteStatistics s;
  RunRecords(s,
             {At("pc.example.com", "10", "00", "/a!b"), At("pc.example.com", "10", "01", "/c"),
              // The same text from other pages is the same click path.
              At("pc2.example.com", "10", "00", "/a"), At("pc2.example.com", "10", "01", "b!/c"),
              At("pc3.example.com", "10", "00", "/a"), At("pc3.example.com", "10", "01", "b"),
              At("pc3.example.com", "10", "02", "/c"),
              // "!" at either end makes empty pieces, kept as such.
              At("pc4.example.com", "10", "00", "!/a!"), At("pc4.example.com", "10", "01", "/c")});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!b!/c!", 3}, {"!/a!!/c!", 1}}));
  // Entry and exit pages are cut at "!", as the click path is all they see.
  EXPECT_EQ(Contents(s.entryPages), (Counts{{"/a", 1}, {"", 1}}));
  EXPECT_EQ(Contents(s.exitPages), (Counts{{"/c", 2}}));
}

TEST(Visits, ShortHostKeysNeverReplaceAnExpiredVisit) {
  SiteStatistics s;
  RunRecords(s, {At("abc", "10", "00", "/a"), At("abc", "10", "05", "/b"),
                 At("abc", "11", "00", "/c"), At("abcd", "10", "00", "/a"),
                 At("abcd", "10", "05", "/b"), At("abcd", "11", "00", "/c")});
  // "abc" keeps its first visit to the end; "abcd" ends it at 11:00.
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/b!", 2}}));
  EXPECT_EQ(s.lastVisitors.Texts(),
            (std::vector<std::string>{"abcd [Oct-10 11:00]", "abcd [Oct-10 10:00]",
                                      "abc [Oct-10 10:00]"}));
}

TEST(Visits, RecordWithoutARealMonthStaysOutOfVisits) {
  SiteStatistics s;
  OwnedRecord odd = At("pc.example.com", "10", "02", "/b");
  odd.month = "Foo";
  RunRecords(s,
             {At("pc.example.com", "10", "00", "/a"), odd, At("pc.example.com", "10", "03", "/c")});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/c!", 1}}));
  EXPECT_EQ(Contents(s.weekdays), (Counts{{"Tuesday", 2}}));
  EXPECT_EQ(s.hostnames.Get("pc.example.com"), 3);
}

TEST(Visits, VisitsCrossMidnightAndMonthNumbers) {
  SiteStatistics s;
  OwnedRecord late = At("pc.example.com", "23", "50", "/a");
  late.month = "10";
  late.day = "31";
  OwnedRecord early = At("pc.example.com", "00", "10", "/b");
  early.month = "Nov";
  early.day = "1";
  RunRecords(s, {late, early});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/b!", 1}}));
  EXPECT_EQ(Contents(s.weekdays), (Counts{{"Tuesday", 1}, {"Wednesday", 1}}));
}

TEST(Visits, FinishingClosesVisitsOfAnyDate) {
  OwnedRecord a = At("pc.example.com", "10", "00", "/a");
  OwnedRecord b = At("pc.example.com", "10", "05", "/b");
  a.year = b.year = "2031";
  SiteStatistics s;
  RunRecords(s, {a, b});
  EXPECT_EQ(ClickPaths(s), (Counts{{"/a!/b!", 1}}));
}

TEST(Visits, IncompleteStampsMakeNoClickPath) {
  // Year, day, hour and minute all missing: the stamp would read "-10---",
  // too short to date a visit.
  OwnedRecord a = At("pc.example.com", "", "", "/a");
  OwnedRecord b = At("pc.example.com", "", "", "/b");
  a.year = b.year = a.day = b.day = "";
  SiteStatistics s;
  RunRecords(s, {a, b});
  EXPECT_TRUE(ClickPaths(s).empty());
  EXPECT_EQ(s.lastVisitors.size(), 1u);
}

TEST(LastVisitors, KeepsTheNewestUpToTheLimit) {
  std::vector<OwnedRecord> records;
  for (int i = 0; i < 8; ++i) {
    records.push_back(
        At("host" + std::to_string(i) + ".example.com", "10", std::to_string(10 + i), "/"));
  }
  CountingOptions options;
  options.topLastVisitors = 5;
  SiteStatistics s;
  RunRecords(s, records, options);
  EXPECT_EQ(s.lastVisitors.Texts(), (std::vector<std::string>{
                                        "host7.example.com [Oct-10 10:17]",
                                        "host6.example.com [Oct-10 10:16]",
                                        "host5.example.com [Oct-10 10:15]",
                                        "host4.example.com [Oct-10 10:14]",
                                        "host3.example.com [Oct-10 10:13]",
                                    }));
  options.topLastVisitors = 0;
  RunRecords(s, records, options);
  EXPECT_TRUE(s.lastVisitors.empty());
}

TEST(BusiestDay, FollowsTheFirstDayToReachTheMostHits) {
  const auto day = [](const char* d) {
    OwnedRecord r;
    r.day = d;
    return r;
  };
  SiteStatistics s;
  RunRecords(s, {day("1"), day("2"), day("3")});
  EXPECT_EQ(s.busiestDay, "today");  // no day has two records
  RunRecords(s, {day("1"), day("1"), day("1"), day("2"), day("2"), day("2")});
  EXPECT_EQ(s.busiestDay, "Oct-1");  // equal hits: the earlier day stays
  RunRecords(s, {day("1"), day("1"), day("2"), day("2"), day("2"), day("1"), day("1"), day("1"),
                 day("1")});
  EXPECT_EQ(s.busiestDay, "Oct-1");  // a day that comes back starts a new run
  RunRecords(s, {day("1"), day("1"), day("2"), day("2"), day("2")});
  EXPECT_EQ(s.busiestDay, "Oct-2");
}

TEST(BusiestDay, LeadingBlanksOfTheMonthAreRemoved) {
  OwnedRecord r;
  r.month = "  10";
  SiteStatistics s;
  RunRecords(s, {r, r});
  EXPECT_EQ(s.busiestDay, "10-10");
}

}  // namespace
}  // namespace tlw
