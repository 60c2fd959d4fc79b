#include "tests/reference/reference_counter.h"

#include <algorithm>
#include <ctime>

#include "stats/agent_rules.h"
#include "stats/filter_list.h"
#include "stats/host_rules.h"
#include "stats/local_time_cache.h"
#include "stats/log_numbers.h"
#include "stats/referrer_rules.h"
#include "stats/request_path.h"

namespace tlw::reference {
namespace {

constexpr std::int64_t kVisitIdleSeconds = 30 * 60;
constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

// year * 10000 + month * 100 + day of a time in the local zone.
std::int64_t LocalDate(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm fields{};
  if (localtime_r(&t, &fields) == nullptr) return 0;
  return (fields.tm_year + 1900) * 10000LL + (fields.tm_mon + 1) * 100 + fields.tm_mday;
}

bool StartsWithAny(std::string_view text, std::string_view firsts) {
  return !text.empty() && firsts.find(text[0]) != std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The month of a record as a calendar month, 1 to 12; 0 for any other
// text or number (such a record names no date: no range holds it and it
// has no visit or weekday).
int CalendarMonth(std::string_view month) {
  const int number = MonthNumber(month);
  return number >= 1 && number <= 12 ? number : 0;
}

}  // namespace

void ReferenceCounter::Add(const LogRecord& record) {
  if (record.host.empty()) return;
  const std::int64_t bytes = ReadByteCount(record.bytes);

  // The busiest day sees every record, counted or not.
  std::string_view month = record.month;
  while (month.starts_with(' ')) month.remove_prefix(1);
  const std::string day = std::string(month) + "-" + std::string(record.day);
  if (day != day_) {
    day_ = day;
    dayHits_ = 1;
    dayBytes_ = bytes;
    dayNewHosts_ = 0;
  } else {
    ++dayHits_;
    dayBytes_ = SaturatingAdd(dayBytes_, bytes);
    if (dayHits_ > bestDayHits_) {
      bestDayHits_ = dayHits_;
      result_.busiestDay = day_;
    }
  }

  std::string host(record.host.substr(0, 299));
  if (options_.nameHost) {
    const std::string name = options_.nameHost(host);
    if (!name.empty()) host = name.substr(0, 299);
  }
  const std::string path(record.url);
  const PathShape shape = ShapeOfPath(path);
  if (MatchesFilterList(host, options_.hostFilter) ||
      MatchesFilterList(shape.extension, options_.extensionFilter) ||
      MatchesFilterList(shape.directory, options_.directoryFilter)) {
    return;
  }
  const int monthNumber = CalendarMonth(record.month);
  if (!options_.processEntireLog) {
    const std::int64_t date =
        monthNumber == 0 ? 0
                         : FullYear(ReadLogNumber(record.year)) * 10000 + monthNumber * 100 +
                               std::clamp<std::int64_t>(ReadLogNumber(record.day), 0, 99);
    if (date == 0 || date < LocalDate(options_.reportFrom) || date > LocalDate(options_.reportTo)) {
      return;
    }
  }

  const std::string_view status = record.status;
  const bool failed = StartsWithAny(status, "45");
  if (!failed && shape.homePage) ++result_.homepageHits;
  if (StartsWithAny(status, "23")) ++result_.successfulRequests;
  result_.totalBytes = SaturatingAdd(result_.totalBytes, bytes);

  ++Table("hours")[std::string(record.hour)];
  const std::string dateKey =
      std::string(record.month) + "-" + std::string(record.day) + "-" + std::string(record.year);
  if (dateKey.size() > 6) {
    ++Table("days")[dateKey];
    Table("dayBytes")[dateKey] = dayBytes_;
  }
  if (countedHosts_.insert(host).second) {
    ++result_.uniqueHosts;
    ++dayNewHosts_;
  }
  ++Table("hostnames")[host];
  Table("dayNewVisitors")[dateKey] = dayNewHosts_;
  if (!record.month.empty())
    ++Table("months")[std::string(record.month) + " " + std::string(record.year)];

  const HostFacts facts = ClassifyHost(host);
  if (facts.countDomain) {
    ++Table("domains")[facts.domain];
    if (facts.countCountry) ++Table("countries")[facts.countryKey];
  } else if (facts.address && options_.countryLookup != nullptr) {
    const std::string country = CountryKeyOfIsoCode(options_.countryLookup->CountryOf(host));
    if (!country.empty()) ++Table("countries")[country];
  }

  if (!failed) {
    ++Table("dirs")[DirectoryKey(shape.directory)];
    if (shape.hasExtension) {
      ++Table("fileRequests")[path];
      ++Table("fileTypes")["." + shape.extension];
    }
  }
  if (shape.pageKind == PageKind::kAlways ||
      (shape.pageKind == PageKind::kUnlessStatus4 && !status.starts_with('4'))) {
    ++Table("webPages")[path];
  }
  if (record.user.size() > 2) ++Table("logons")[std::string(record.user)];
  if (status.size() >= 2 && IsDigit(status[0]) && IsDigit(status[1])) {
    ++Table("retCodes")[std::string(status)];
  }
  if (status.starts_with("404")) ++Table("brokenLinks")[path];

  if (!record.agent.empty()) {
    const AgentFacts agent = DescribeAgent(record.agent, options_.w3cLog);
    if (!agent.browser.empty()) {
      ++Table("browsers")[agent.browser];
      if (!agent.platform.empty()) ++Table("platforms")[agent.platform];
    }
  }
  if (!record.referrer.empty()) {
    const ReferrerFacts referrer = ClassifyReferrer(record.referrer, options_.homepageUrl);
    if (referrer.countReferrer) {
      ++Table("referers")[std::string(record.referrer)];
      if (!referrer.phrase.empty()) ++Table("keywords")[referrer.phrase];
    }
  }
  if (!shape.skipsVisits) CountVisit(record, host);
}

void ReferenceCounter::CountVisit(const LogRecord& record, const std::string& host) {
  const int monthNumber = CalendarMonth(record.month);
  if (monthNumber == 0) return;
  const LocalMoment moment =
      ConvertLocalTime(FullYear(ReadLogNumber(record.year)), monthNumber, ReadLogNumber(record.day),
                       ReadLogNumber(record.hour), ReadLogNumber(record.minute));
  if (!moment.valid) return;
  ++Table("weekdays")[kWeekdays[moment.weekday]];

  // The visit's stamp is year-month-day-hour-minute, the month as a number;
  // a stamp shorter than 7 characters makes no click path.
  const std::string monthText =
      ReadLogNumber(record.month) != 0 ? std::string(record.month) : std::to_string(monthNumber);
  const std::string stamp = std::string(record.year) + "-" + monthText + "-" +
                            std::string(record.day) + "-" + std::string(record.hour) + "-" +
                            std::string(record.minute);
  const Visit fresh{moment.time, stamp.size() >= 7, {std::string(record.url)}};

  const auto found = visits_.find(host);
  if (found == visits_.end()) {
    visits_.emplace(host, fresh);
    NoteVisitor(record, host);
    return;
  }
  Visit& visit = found->second;
  if (moment.time - visit.lastTime > kVisitIdleSeconds) {
    // Hosts of three characters or fewer keep their first visit to the end.
    if (host.size() <= 3) return;
    NoteVisitor(record, host);
    EndVisit(visit);
    visit = fresh;
    return;
  }
  if (visit.pages.back() == record.url) return;
  visit.pages.emplace_back(record.url);
  visit.lastTime = moment.time;
  visit.stampComplete = fresh.stampComplete;
}

void ReferenceCounter::EndVisit(const Visit& visit) {
  if (visit.pages.size() < 2 || !visit.stampComplete) return;
  std::string text;
  for (const std::string& page : visit.pages) text += page + "!";
  if (text.size() >= 3) ++Table("clickPaths")[text];
}

void ReferenceCounter::NoteVisitor(const LogRecord& record, const std::string& host) {
  if (options_.topLastVisitors <= 0) return;
  visitors_.push_front(host + " [" + std::string(record.month) + "-" + std::string(record.day) +
                       " " + std::string(record.hour) + ":" + std::string(record.minute) + "]");
  if (static_cast<std::int64_t>(visitors_.size()) > options_.topLastVisitors) visitors_.pop_back();
}

ReferenceStatistics ReferenceCounter::Finish() {
  for (const auto& [host, visit] : visits_) EndVisit(visit);
  visits_.clear();
  // Each distinct click path adds one to its first and its last page, the
  // texts between its "!"s.
  for (const auto& [text, count] : Table("clickPaths")) {
    const std::string_view pages(text.data(), text.size() - 1);
    ++Table("entryPages")[std::string(pages.substr(0, pages.find('!')))];
    ++Table("exitPages")[std::string(pages.substr(pages.rfind('!') + 1))];
  }
  Table("domains").erase(".(Unresolved Hosts)");
  result_.lastVisitors.assign(visitors_.begin(), visitors_.end());
  return std::move(result_);
}

}  // namespace tlw::reference
