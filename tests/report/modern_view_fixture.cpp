#include "tests/report/modern_view_fixture.h"

#include <chrono>

namespace tlw {

ModernViewFixture::ModernViewFixture(int dayCount) {
  audience.people = {1234, 2345, 9876, 45678, 1234567890};
  audience.robots = {56, 300, 1200, 15000, 98765432};

  audience.pages.Add("/", 3000);
  audience.pages.Add("/<script>alert(1)</script>", 900);
  audience.pages.Add("/a&b\"c'd", 800);
  audience.pages.Add(
      "/ctl\x01\x7f\xC2\x85"
      "end",
      700);
  audience.pages.Add("/very/long/" + std::string(400, 'x') + "/end", 600);
  for (int i = 0; i < 25; ++i) audience.pages.Add("/article/" + std::to_string(i), 100 + i);

  audience.entryPages.Add("/", 1500);
  audience.entryPages.Add("/<b>landing</b>", 500);
  audience.referrers.Add("https://search.example/?q=%3Cb%3E&x=1", 400);
  audience.referrers.Add("javascript:alert(1)", 30);
  audience.referrers.Add("http://blog.example/post\"onmouseover=x", 20);
  audience.searchPhrases.Add("cheap \"shoes\" & <socks>", 75);
  audience.searchPhrases.Add("tallowick", 25);
  audience.countries.Add("Germany", 5000);
  audience.countries.Add("United States", 3000);
  audience.countries.Add("C\xF4te d'Ivoire", 10);
  audience.browsers.Add("Firefox", 4000);
  audience.browsers.Add("Chrome", 5876);
  audience.platforms.Add("Linux", 2000);
  audience.platforms.Add("Windows", 7876);

  for (std::size_t hour = 0; hour < 24; ++hour) {
    audience.hourPageViews[hour] = static_cast<std::int64_t>(100 + 40 * (hour % 12));
  }
  audience.weekdayPageViews = {1500, 1600, 1700, 1800, 1400, 900, 976};

  using namespace std::chrono;
  const sys_days first{year{2026} / November / 1};
  for (int i = 0; i < dayCount; ++i) {
    if (i % 5 == 4) continue;
    const year_month_day ymd{first + days{i}};
    AudienceDay day;
    day.date = static_cast<int>(ymd.year()) * 10000 + static_cast<unsigned>(ymd.month()) * 100 +
               static_cast<unsigned>(ymd.day());
    day.peoplePageViews = 200 + (i * 37) % 150;
    day.peopleVisits = 50 + i % 20;
    day.peopleHits = 900 + (i * 53) % 400;
    day.robotHits = 300 + (i * 29) % 200;
    audience.days.push_back(day);
  }

  audience.robotFamilies = {{"Googlebot", RobotKind::kSearchEngine, 9000, 60000000, 12},
                            {"GPTBot", RobotKind::kAiCrawler, 5000, 30000000, 4},
                            {"<evil>bot\"", RobotKind::kOther, 1000, 8765432, 40}};
  audience.robotKindHits = {9000, 5000, 0, 0, 1000};

  statistics.retCodes.Add("200", 50000);
  statistics.retCodes.Add("304", 8000);
  statistics.retCodes.Add("404", 2500);
  statistics.retCodes.Add("500", 178);
  statistics.brokenLinks.Add("/missing<img src=x>", 2000);
  statistics.brokenLinks.Add("/favicon.ico", 500);
}

ModernViewInput ModernViewFixture::Input() const {
  return {statistics,     audience,      "Shop & <Caf\xC3\xA9> \"Zwei\"",
          "01/Nov/2026",  "08/Dec/2026", "2026-12-08 14:30 UTC",
          "stats #1.html"};
}

}  // namespace tlw
