#include "stats/audience_counting.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>

#include "stats/log_numbers.h"
#include "stats/request_path.h"
#include "stats/visits.h"

namespace tlw {
namespace {

using PathFacts = AudienceState::PathFacts;
using HostFacts = AudienceState::HostFacts;
using HostSlot = CountingState::HostSlot;
constexpr StatTable::Handle kNone = AudienceState::kNone;

// Folders whose files are parts of pages, never pages themselves, also
// when a name in them has no extension.
constexpr std::array<std::string_view, 12> kAssetFolders = {
    "assets", "static", "images",     "img",         "css",     "js",
    "fonts",  "media",  "wp-content", "wp-includes", "wp-json", ".well-known"};

// The name of the family of hosts that are robots only because they asked
// for /robots.txt.
constexpr std::string_view kRobotsTxtFamily = "(asked for /robots.txt)";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The element of `v` at `i`, the vector grown to hold it.
template <typename T>
T& At(std::vector<T>& v, std::size_t i) {
  if (i >= v.size()) v.resize(i + 1);
  return v[i];
}

PathFacts& FactsOfPath(AudienceState& state, std::uint32_t number, std::string_view path) {
  PathFacts& facts = At(state.paths, number);
  if (!facts.known) {
    facts.known = true;
    const std::string_view bare = path.substr(0, path.find('?'));
    facts.robotsTxt = bare == "/robots.txt";
    facts.isPage = IsAudiencePage(bare);
  }
  return facts;
}

std::int32_t FamilyNumber(AudienceStatistics& out, AudienceState& state, std::string_view family,
                          RobotKind kind) {
  const auto [it, added] = state.familyNumbers.try_emplace(
      std::string(family), static_cast<std::int32_t>(out.robotFamilies.size()));
  if (added) out.robotFamilies.push_back(RobotFamilyCount{std::string(family), kind});
  return it->second;
}

// The robot family of the record's agent, or AudienceState::kPerson.
std::int32_t FamilyOfAgent(AudienceStatistics& out, AudienceState& state,
                           const CountingOptions& options, CountingState::AgentSlot& agent,
                           std::string_view text) {
  if (agent.robotFamily == AudienceState::kUnasked) {
    agent.robotFamily = AudienceState::kPerson;
    if (options.robotLookup != nullptr) {
      if (const std::optional<RobotMatch> robot = options.robotLookup->RobotOf(text)) {
        agent.robotFamily = FamilyNumber(out, state, robot->family, robot->kind);
      }
    }
  }
  return agent.robotFamily;
}

// Minutes since 1970 of a moment of the log, or kNever.
std::int32_t MinuteOf(const LocalMoment& moment) {
  if (!moment.valid) return AudienceState::kNever;
  const std::int64_t minute = moment.time / 60;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(minute, std::numeric_limits<std::int32_t>::min() + 1,
                               std::numeric_limits<std::int32_t>::max()));
}

// Whether a page view at `minute` begins a visit of a host whose last page
// view was at `last`: the 30-minute rule of the classic visits.
bool BeginsVisit(std::int32_t last, std::int32_t minute) {
  return last == AudienceState::kNever || std::int64_t{minute} - last > kVisitTimeoutSeconds / 60;
}

// The record's day, or null when its date names no day.
AudienceDay* DayOf(AudienceStatistics& out, AudienceState& state, std::int64_t date) {
  if (date == 0) return nullptr;
  if (date != state.dayDate) {
    const auto [it, added] = state.dayIndexOf.try_emplace(date, out.days.size());
    if (added) out.days.push_back(AudienceDay{date});
    state.dayDate = date;
    state.dayIndex = it->second;
  }
  return &out.days[state.dayIndex];
}

void EndVisit(AudienceStatistics& out, const AudienceState& state, HostFacts& host) {
  if (host.entryPath == kNone) return;
  out.entryPages.Add(out.pages.KeyAt(state.paths[host.entryPath].page));
  out.exitPages.Add(out.pages.KeyAt(state.paths[host.exitPath].page));
  host.entryPath = host.exitPath = kNone;
}

// Adds 1 to the entry of `key` in `to`, interned once and kept in `handle`.
void AddCopied(StatTable& to, StatTable::Handle& handle, const StatTable& from,
               StatTable::Handle key) {
  if (key == kNone) return;
  if (handle == kNone) handle = to.Intern(from.KeyAt(key));
  to.AddAt(handle, 1);
}

// A hit of `bytes` in `totals`; the host's first adds a visitor.
void CountHit(AudienceTotals& totals, std::int64_t bytes, bool firstOfHost) {
  ++totals.hits;
  totals.bytes = SaturatingAdd(totals.bytes, bytes);
  if (firstOfHost) ++totals.visitors;
}

void CountRobot(AudienceStatistics& out, AudienceState& state, HostSlot& host,
                std::uint32_t hostNumber, std::int32_t family, std::int64_t bytes, bool pageView,
                std::int32_t minute, AudienceDay* day) {
  AudienceTotals& robots = out.robots;
  CountHit(robots, bytes, host.robot == 0);
  host.robot = 1;
  RobotFamilyCount& count = out.robotFamilies[static_cast<std::size_t>(family)];
  ++count.hits;
  count.bytes = SaturatingAdd(count.bytes, bytes);
  if (state.familyHosts.insert(static_cast<std::uint64_t>(family) << 32 | hostNumber).second) {
    ++count.visitors;
  }
  ++out.robotKindHits[static_cast<std::size_t>(count.kind)];
  if (day != nullptr) ++day->robotHits;
  if (!pageView) return;
  ++robots.pageViews;
  if (minute == AudienceState::kNever) return;
  HostFacts& facts = At(state.hosts, hostNumber);
  if (BeginsVisit(facts.lastRobotView, minute)) ++robots.visits;
  facts.lastRobotView = minute;
}

}  // namespace

bool IsAudiencePage(std::string_view path) {
  std::string_view first = path.substr(path.starts_with('/') ? 1 : 0);
  const std::size_t slash = first.find('/');
  if (slash != std::string_view::npos) {
    first = first.substr(0, slash);
    for (const std::string_view folder : kAssetFolders) {
      if (EqualsIgnoringCase(first, folder)) return false;
    }
  }
  const PathShape shape = ShapeOfPath(path);
  return !shape.hasExtension || shape.pageKind != PageKind::kNone;
}

void CountAudience(SiteStatistics& statistics, CountingState& state, const CountingOptions& options,
                   const LogRecord& record, std::uint32_t hostHandle, HostSlot& host,
                   std::uint32_t pathNumber, std::int64_t bytes) {
  AudienceStatistics& out = statistics.audience;
  AudienceState& audience = state.audience;
  PathFacts& path = FactsOfPath(audience, pathNumber, record.url);
  if (path.robotsTxt) host.robotsTxt = 1;

  // The host's slot names the record's agent and referrer by now.
  CountingState::AgentSlot* agent =
      record.agent.empty() ? nullptr : &state.agents.ValueAt(host.agent);
  std::int32_t family = agent == nullptr
                            ? AudienceState::kPerson
                            : FamilyOfAgent(out, audience, options, *agent, record.agent);
  if (family < 0 && host.robotsTxt != 0) {
    if (audience.robotsTxtFamily < 0) {
      audience.robotsTxtFamily = FamilyNumber(out, audience, kRobotsTxtFamily, RobotKind::kOther);
    }
    family = audience.robotsTxtFamily;
  }

  const char statusFirst = record.status.empty() ? '\0' : record.status[0];
  const bool pageView = path.isPage && statusFirst >= '1' && statusFirst <= '3';
  AudienceDay* day = DayOf(out, audience, state.date.dateValue);
  LocalMoment moment;
  if (pageView && state.date.monthNumber != 0) {
    moment =
        state.localTime.Convert(state.date.yearNumber, state.date.monthNumber, state.date.dayNumber,
                                ReadLogNumber(record.hour), ReadLogNumber(record.minute));
  }
  const std::int32_t minute = MinuteOf(moment);
  const std::uint32_t hostNumber = state.hosts.DenseNumberAt(hostHandle);
  if (family >= 0) {
    CountRobot(out, audience, host, hostNumber, family, bytes, pageView, minute, day);
    return;
  }

  AudienceTotals& people = out.people;
  CountHit(people, bytes, host.person == 0);
  host.person = 1;
  if (day != nullptr) ++day->peopleHits;
  if (!pageView) return;

  ++people.pageViews;
  // A page enters the table at its first view by a person.
  if (path.page == kNone) path.page = out.pages.Intern(record.url.substr(0, record.url.find('?')));
  out.pages.AddAt(path.page, 1);
  if (day != nullptr) ++day->peoplePageViews;
  const std::int64_t hour = ReadLogNumber(record.hour);
  if (hour >= 0 && hour < 24) ++out.hourPageViews[static_cast<std::size_t>(hour)];

  HostFacts& facts = At(audience.hosts, hostNumber);
  if (minute != AudienceState::kNever) {
    ++out.weekdayPageViews[static_cast<std::size_t>((moment.weekday + 6) % 7)];  // Monday first
    if (BeginsVisit(facts.lastPeopleView, minute)) {
      EndVisit(out, audience, facts);
      ++people.visits;
      if (day != nullptr) ++day->peopleVisits;
      facts.entryPath = pathNumber;
    }
    facts.exitPath = pathNumber;
    facts.lastPeopleView = minute;
  }

  if (facts.country == AudienceState::kCountryUnknown) {
    facts.country = host.country == kNone
                        ? kNone
                        : out.countries.Intern(statistics.countries.KeyAt(host.country));
  }
  if (facts.country != kNone) out.countries.AddAt(facts.country, 1);
  if (agent != nullptr) {
    AddCopied(out.browsers, agent->peopleBrowser, statistics.browsers, agent->browser);
    AddCopied(out.platforms, agent->peoplePlatform, statistics.platforms, agent->platform);
  }
  if (!record.referrer.empty()) {
    CountingState::ReferrerSlot& referrer = state.referrers.ValueAt(host.referrer);
    AddCopied(out.referrers, referrer.peopleReferrer, statistics.referers, referrer.referer);
    AddCopied(out.searchPhrases, referrer.peoplePhrase, statistics.keywords, referrer.keyword);
  }
}

void FinishAudience(SiteStatistics& statistics, CountingState& state) {
  AudienceStatistics& out = statistics.audience;
  AudienceState& audience = state.audience;
  for (HostFacts& host : audience.hosts) EndVisit(out, audience, host);
  std::ranges::sort(out.days, {}, &AudienceDay::date);
  std::ranges::stable_sort(out.robotFamilies, [](const auto& a, const auto& b) {
    return a.hits != b.hits ? a.hits > b.hits : a.family < b.family;
  });
  audience.Reset();
}

}  // namespace tlw
