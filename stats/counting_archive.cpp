#include "stats/counting_archive.h"

#include "stats/counting_state.h"

namespace tlw {
namespace {

// Raise when the archive's contents change without a change of the sizes
// below (a field's meaning, the order of what is written).
constexpr std::uint64_t kArchiveVersion = 1;

constexpr std::uint64_t kMaxTexts = std::uint64_t{1} << 32;

void SaveTexts(const std::string& a, const std::string& b, const std::string& c, StateWriter& out) {
  out.Text(a);
  out.Text(b);
  out.Text(c);
}

void SaveDate(const CountingState::DateSlot& date, StateWriter& out) {
  out.Value(date.valid);
  SaveTexts(date.month, date.day, date.year, out);
  out.Text(date.dateKey);
  out.Text(date.monthKey);
  out.Value(date.dateValue);
  out.Value(date.monthNumber);
  out.Value(date.yearNumber);
  out.Value(date.dayNumber);
  out.Size(date.stampMonthLength);
}

// The counts' places in the tables are found again by key when the next
// record needs them: a null place is looked up, never created twice.
void LoadDate(CountingState::DateSlot& date, StateReader& in) {
  date = CountingState::DateSlot{};
  in.Value(date.valid);
  in.Text(date.month);
  in.Text(date.day);
  in.Text(date.year);
  in.Text(date.dateKey);
  in.Text(date.monthKey);
  in.Value(date.dateValue);
  in.Value(date.monthNumber);
  in.Value(date.yearNumber);
  in.Value(date.dayNumber);
  date.stampMonthLength = in.Number(kMaxTexts);
}

void SaveAudienceState(const AudienceState& state, StateWriter& out) {
  out.Vector(state.paths);
  out.Vector(state.hosts);
  out.Size(state.familyNumbers.size());
  for (const auto& [family, number] : state.familyNumbers) {
    out.Text(family);
    out.Value(number);
  }
  const std::vector<std::uint64_t> familyHosts(state.familyHosts.begin(), state.familyHosts.end());
  out.Vector(familyHosts);
  out.Value(state.robotsTxtFamily);
  out.Value(state.dayDate);
  out.Size(state.dayIndex);
  out.Size(state.dayIndexOf.size());
  for (const auto& [date, index] : state.dayIndexOf) {
    out.Value(date);
    out.Size(index);
  }
}

void LoadAudienceState(AudienceState& state, StateReader& in) {
  state.Reset();
  in.Vector(state.paths);
  in.Vector(state.hosts);
  for (std::uint64_t n = in.Size(kMaxTexts, 12); n > 0 && in.ok(); --n) {
    std::string family;
    std::int32_t number = 0;
    in.Text(family);
    in.Value(number);
    state.familyNumbers.emplace(std::move(family), number);
  }
  std::vector<std::uint64_t> familyHosts;
  in.Vector(familyHosts);
  state.familyHosts.insert(familyHosts.begin(), familyHosts.end());
  in.Value(state.robotsTxtFamily);
  in.Value(state.dayDate);
  state.dayIndex = in.Number(kMaxTexts);
  for (std::uint64_t n = in.Size(kMaxTexts, 16); n > 0 && in.ok(); --n) {
    std::int64_t date = 0;
    in.Value(date);
    state.dayIndexOf.emplace(date, in.Number(kMaxTexts));
  }
}

// The audience's tables in one order for saving and loading.
template <typename Statistics, typename Fn>
void ForEachAudienceTable(Statistics& audience, Fn&& fn) {
  fn(audience.pages);
  fn(audience.entryPages);
  fn(audience.exitPages);
  fn(audience.referrers);
  fn(audience.searchPhrases);
  fn(audience.countries);
  fn(audience.browsers);
  fn(audience.platforms);
}

void SaveAudience(const AudienceStatistics& audience, StateWriter& out) {
  out.Value(audience.people);
  out.Value(audience.robots);
  ForEachAudienceTable(audience, [&](const StatTable& table) { table.Save(out); });
  out.Value(audience.hourPageViews);
  out.Value(audience.weekdayPageViews);
  out.Vector(audience.days);
  out.Size(audience.robotFamilies.size());
  for (const RobotFamilyCount& family : audience.robotFamilies) {
    out.Text(family.family);
    out.Value(family.kind);
    out.Value(family.hits);
    out.Value(family.bytes);
    out.Value(family.visitors);
  }
  out.Value(audience.robotKindHits);
}

void LoadAudience(AudienceStatistics& audience, StateReader& in) {
  in.Value(audience.people);
  in.Value(audience.robots);
  ForEachAudienceTable(audience, [&](StatTable& table) { table.Load(in); });
  in.Value(audience.hourPageViews);
  in.Value(audience.weekdayPageViews);
  in.Vector(audience.days);
  audience.robotFamilies.resize(in.Size(kMaxTexts, 33));
  for (RobotFamilyCount& family : audience.robotFamilies) {
    in.Text(family.family);
    in.Value(family.kind);
    in.Value(family.hits);
    in.Value(family.bytes);
    in.Value(family.visitors);
  }
  in.Value(audience.robotKindHits);
  if (static_cast<std::size_t>(audience.robotKindHits.size()) != kRobotKindCount) in.Fail();
}

void SaveState(const CountingState& state, StateWriter& out) {
  state.hosts.Save(out);
  state.addressHosts.Save(out);
  state.paths.Save(out);
  state.agents.Save(out);
  state.referrers.Save(out);
  out.Vector(state.pathHandles);
  state.hostsToName.Save(out);
  state.visitedHosts.Save(out);
  out.Value(state.previousHost);
  out.Value(state.previousAddress);
  out.Value(state.previousPath);
  out.Value(state.previousAgent);
  out.Value(state.previousReferrer);
  SaveDate(state.date, out);
  out.Text(state.lastHour);
  out.Text(state.currentDay);
  out.Value(state.currentDayHits);
  out.Value(state.currentDayBytes);
  out.Value(state.currentDayNewVisitors);
  out.Value(state.bestDayHits);
  out.Value(state.rangeKnown);
  out.Value(state.rangeFromTime);
  out.Value(state.rangeToTime);
  out.Value(state.rangeFromDate);
  out.Value(state.rangeToDate);
  SaveAudienceState(state.audience, out);
}

void LoadState(CountingState& state, StateReader& in) {
  state.Reset();
  state.hosts.Load(in);
  state.addressHosts.Load(in);
  state.paths.Load(in);
  state.agents.Load(in);
  state.referrers.Load(in);
  in.Vector(state.pathHandles, kMaxTexts);
  state.hostsToName.Load(in);
  state.visitedHosts.Load(in);
  in.Value(state.previousHost);
  in.Value(state.previousAddress);
  in.Value(state.previousPath);
  in.Value(state.previousAgent);
  in.Value(state.previousReferrer);
  LoadDate(state.date, in);
  in.Text(state.lastHour);
  in.Text(state.currentDay);
  in.Value(state.currentDayHits);
  in.Value(state.currentDayBytes);
  in.Value(state.currentDayNewVisitors);
  in.Value(state.bestDayHits);
  in.Value(state.rangeKnown);
  in.Value(state.rangeFromTime);
  in.Value(state.rangeToTime);
  in.Value(state.rangeFromDate);
  in.Value(state.rangeToDate);
  LoadAudienceState(state.audience, in);
  // The places of the current hour's, status codes' and weekdays' counts are
  // found again by key (hourCount and the others start null after Reset);
  // the local-time cache starts empty and converts alike.
}

}  // namespace

std::uint64_t CountingArchiveLayout() {
  // The sizes of what is written as memory bytes: a change of a slot shows
  // in one of them more often than not.
  std::uint64_t layout = kArchiveVersion;
  for (const std::uint64_t size :
       {sizeof(CountingState::HostSlot), sizeof(CountingState::PathSlot),
        sizeof(CountingState::AgentSlot), sizeof(CountingState::ReferrerSlot),
        sizeof(AudienceState::PathFacts), sizeof(AudienceState::HostFacts), sizeof(AudienceTotals),
        sizeof(AudienceDay), sizeof(OpenVisit)}) {
    layout = layout * 131 + size;
  }
  return layout;
}

void SaveCounting(const SiteStatistics& statistics, StateWriter& out) {
  out.Value(CountingArchiveLayout());
  out.Value(statistics.uniqueHosts);
  out.Value(statistics.homepageHits);
  out.Value(statistics.successfulRequests);
  out.Value(statistics.totalBytes);
  for (const SiteStatistics::TableRef& table : SiteStatistics::Tables()) {
    (statistics.*table.table).Save(out);
  }
  statistics.openVisits.Save(out);
  out.Text(statistics.busiestDay);
  statistics.lastVisitors.Save(out);
  statistics.clickPathPages.Save(out);
  SaveAudience(statistics.audience, out);
  SaveState(statistics.Counting(), out);
}

bool LoadCounting(SiteStatistics& statistics, StateReader& in) {
  statistics.Prepare();
  std::uint64_t layout = 0;
  in.Value(layout);
  if (layout != CountingArchiveLayout()) in.Fail();
  in.Value(statistics.uniqueHosts);
  in.Value(statistics.homepageHits);
  in.Value(statistics.successfulRequests);
  in.Value(statistics.totalBytes);
  for (const SiteStatistics::TableRef& table : SiteStatistics::Tables()) {
    (statistics.*table.table).Load(in);
  }
  statistics.openVisits.Load(in);
  in.Text(statistics.busiestDay);
  statistics.lastVisitors.Load(in);
  statistics.clickPathPages.Load(in);
  LoadAudience(statistics.audience, in);
  LoadState(statistics.Counting(), in);
  if (!in.ok()) statistics.Clear();
  return in.ok();
}

}  // namespace tlw
