#include "stats/audience_counting.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "stats/log_numbers.h"
#include "stats/request_path.h"
#include "stats/visits.h"

namespace tlw {
namespace {

using PathFacts = AudienceState::PathFacts;
using HostFacts = AudienceState::HostFacts;
using AgentFacts = AudienceState::AgentFacts;
using ReferrerFacts = AudienceState::ReferrerFacts;
constexpr StatTable::Handle kNone = AudienceState::kNone;

// Folders whose files are parts of pages, never pages themselves, also
// when a name in them has no extension.
constexpr std::array<std::string_view, 12> kAssetFolders = {
    "assets", "static", "images", "img",         "css",    "js",
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

// The robot family of the record's agent, or AgentFacts::kPerson.
std::int32_t FamilyOfAgent(AudienceStatistics& out, AudienceState& state,
                           const CountingOptions& options, AgentFacts& agent,
                           std::string_view text) {
  if (agent.family == AgentFacts::kUnknown) {
    agent.family = AgentFacts::kPerson;
    if (options.robotLookup != nullptr) {
      if (const std::optional<RobotMatch> robot = options.robotLookup->RobotOf(text)) {
        agent.family = FamilyNumber(out, state, robot->family, robot->kind);
      }
    }
  }
  return agent.family;
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

void CountRobot(AudienceStatistics& out, AudienceState& state, HostFacts& host,
                std::uint32_t hostHandle, std::int32_t family, std::int64_t bytes, bool pageView,
                const LocalMoment& moment, AudienceDay* day) {
  AudienceTotals& robots = out.robots;
  ++robots.hits;
  robots.bytes = SaturatingAdd(robots.bytes, bytes);
  if (!host.robot) {
    host.robot = true;
    ++robots.visitors;
  }
  RobotFamilyCount& count = out.robotFamilies[static_cast<std::size_t>(family)];
  ++count.hits;
  count.bytes = SaturatingAdd(count.bytes, bytes);
  if (state.familyHosts.insert(static_cast<std::uint64_t>(family) << 32 | hostHandle).second) {
    ++count.visitors;
  }
  ++out.robotKindHits[static_cast<std::size_t>(count.kind)];
  if (day != nullptr) ++day->robotHits;
  if (!pageView) return;
  ++robots.pageViews;
  if (!moment.valid) return;
  if (host.lastRobotView == AudienceState::kNever ||
      moment.time - host.lastRobotView > kVisitTimeoutSeconds) {
    ++robots.visits;
  }
  host.lastRobotView = moment.time;
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

void CountAudience(SiteStatistics& statistics, CountingState& state,
                   const CountingOptions& options, const LogRecord& record,
                   std::uint32_t hostHandle, const CountingState::HostSlot& host,
                   std::uint32_t pathNumber, std::int64_t bytes) {
  AudienceStatistics& out = statistics.audience;
  AudienceState& audience = state.audience;
  PathFacts& path = FactsOfPath(audience, pathNumber, record.url);
  HostFacts& hostFacts = At(audience.hosts, hostHandle);
  if (path.robotsTxt) hostFacts.robotsTxt = true;

  AgentFacts* agent = record.agent.empty() ? nullptr : &At(audience.agents, host.agent);
  std::int32_t family =
      agent == nullptr ? AgentFacts::kPerson
                       : FamilyOfAgent(out, audience, options, *agent, record.agent);
  if (family < 0 && hostFacts.robotsTxt) {
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
    moment = state.localTime.Convert(state.date.yearNumber, state.date.monthNumber,
                                     state.date.dayNumber, ReadLogNumber(record.hour),
                                     ReadLogNumber(record.minute));
  }
  if (family >= 0) {
    CountRobot(out, audience, hostFacts, hostHandle, family, bytes, pageView, moment, day);
    return;
  }

  AudienceTotals& people = out.people;
  ++people.hits;
  people.bytes = SaturatingAdd(people.bytes, bytes);
  if (!hostFacts.person) {
    hostFacts.person = true;
    ++people.visitors;
  }
  if (day != nullptr) ++day->peopleHits;
  if (!pageView) return;

  ++people.pageViews;
  // A page enters the table at its first view by a person.
  if (path.page == kNone) path.page = out.pages.Intern(record.url.substr(0, record.url.find('?')));
  ++path.pendingViews;
  if (day != nullptr) ++day->peoplePageViews;
  const std::int64_t hour = ReadLogNumber(record.hour);
  if (hour >= 0 && hour < 24) ++out.hourPageViews[static_cast<std::size_t>(hour)];
  if (moment.valid) {
    ++out.weekdayPageViews[static_cast<std::size_t>((moment.weekday + 6) % 7)];
    if (hostFacts.lastPeopleView == AudienceState::kNever ||
        moment.time - hostFacts.lastPeopleView > kVisitTimeoutSeconds) {
      EndVisit(out, audience, hostFacts);
      ++people.visits;
      if (day != nullptr) ++day->peopleVisits;
      hostFacts.entryPath = pathNumber;
    }
    hostFacts.exitPath = pathNumber;
    hostFacts.lastPeopleView = moment.time;
  }

  if (!hostFacts.countryKnown) {
    hostFacts.countryKnown = true;
    if (host.country != kNone) {
      hostFacts.country = out.countries.Intern(statistics.countries.KeyAt(host.country));
    }
  }
  if (hostFacts.country != kNone) out.countries.AddAt(hostFacts.country, 1);
  if (agent != nullptr) {
    const CountingState::AgentSlot& slot = state.agents.ValueAt(host.agent);
    AddCopied(out.browsers, agent->browser, statistics.browsers, slot.browser);
    AddCopied(out.platforms, agent->platform, statistics.platforms, slot.platform);
  }
  if (!record.referrer.empty()) {
    ReferrerFacts& referrer = At(audience.referrers, host.referrer);
    const CountingState::ReferrerSlot& slot = state.referrers.ValueAt(host.referrer);
    AddCopied(out.referrers, referrer.referrer, statistics.referers, slot.referer);
    AddCopied(out.searchPhrases, referrer.phrase, statistics.keywords, slot.keyword);
  }
}

void SettleAudience(SiteStatistics& statistics, CountingState& state) {
  for (PathFacts& path : state.audience.paths) {
    if (path.page != kNone && path.pendingViews != 0) {
      statistics.audience.pages.AddAt(path.page, path.pendingViews);
    }
    path.pendingViews = 0;
  }
}

void FinishAudience(SiteStatistics& statistics, CountingState& state) {
  AudienceStatistics& out = statistics.audience;
  AudienceState& audience = state.audience;
  for (HostFacts& host : audience.hosts) EndVisit(out, audience, host);
  SettleAudience(statistics, state);
  std::ranges::sort(out.days, {}, &AudienceDay::date);
  std::ranges::stable_sort(out.robotFamilies, [](const auto& a, const auto& b) {
    return a.hits != b.hits ? a.hits > b.hits : a.family < b.family;
  });
  audience.Reset();
}

}  // namespace tlw
