#include "stats/counting_archive.h"

#include <type_traits>

#include "stats/counting_state.h"

namespace tlw {
namespace {

// Raise when the archive's contents change without a change of the sizes
// below (a field's meaning, the order of what is written).
constexpr std::uint64_t kArchiveVersion = 1;

constexpr std::uint64_t kMaxTexts = std::uint64_t{1} << 32;

// Each function below both writes (Archive = StateWriter, the object
// const) and reads (StateReader), so that the two never differ in what
// they take or in its order.

// The counts' places in the tables are not kept: a null place is looked up
// again by key when the next record needs it, never created twice.
template <typename Archive, typename Date>
void DateFields(Archive& io, Date& date) {
  io.Value(date.valid);
  io.Text(date.month);
  io.Text(date.day);
  io.Text(date.year);
  io.Text(date.dateKey);
  io.Text(date.monthKey);
  io.Value(date.dateValue);
  io.Value(date.monthNumber);
  io.Value(date.yearNumber);
  io.Value(date.dayNumber);
  io.Number(date.stampMonthLength, kMaxTexts);
}

template <typename Archive, typename State>
void AudienceStateFields(Archive& io, State& state) {
  io.Vector(state.paths);
  io.Vector(state.hosts);
  if constexpr (Archive::kReading) {
    for (std::uint64_t n = io.Size(kMaxTexts, 12); n > 0 && io.ok(); --n) {
      std::string family;
      std::int32_t number = 0;
      io.Text(family);
      io.Value(number);
      state.familyNumbers.emplace(std::move(family), number);
    }
    std::vector<std::uint64_t> familyHosts;
    io.Vector(familyHosts);
    state.familyHosts.reserve(familyHosts.size());
    state.familyHosts.insert(familyHosts.begin(), familyHosts.end());
  } else {
    io.Size(state.familyNumbers.size());
    for (const auto& [family, number] : state.familyNumbers) {
      io.Text(family);
      io.Value(number);
    }
    io.Vector(std::vector<std::uint64_t>(state.familyHosts.begin(), state.familyHosts.end()));
  }
  io.Value(state.robotsTxtFamily);
  io.Value(state.dayDate);
  io.Number(state.dayIndex, kMaxTexts);
  if constexpr (Archive::kReading) {
    for (std::uint64_t n = io.Size(kMaxTexts, 16); n > 0 && io.ok(); --n) {
      std::int64_t date = 0;
      io.Value(date);
      state.dayIndexOf.emplace(date, io.Number(kMaxTexts));
    }
  } else {
    io.Size(state.dayIndexOf.size());
    for (const auto& [date, index] : state.dayIndexOf) {
      io.Value(date);
      io.Number(index, kMaxTexts);
    }
  }
}

template <typename Archive, typename Family>
void FamilyFields(Archive& io, Family& family) {
  io.Text(family.family);
  io.Value(family.kind);
  io.Value(family.hits);
  io.Value(family.bytes);
  io.Value(family.visitors);
}

template <typename Archive, typename Audience>
void AudienceFields(Archive& io, Audience& audience) {
  io.Value(audience.people);
  io.Value(audience.robots);
  for (auto* table :
       {&audience.pages, &audience.entryPages, &audience.exitPages, &audience.referrers,
        &audience.searchPhrases, &audience.countries, &audience.browsers, &audience.platforms}) {
    io.Part(*table);
  }
  io.Value(audience.hourPageViews);
  io.Value(audience.weekdayPageViews);
  io.Vector(audience.days);
  if constexpr (Archive::kReading) {
    audience.robotFamilies.resize(io.Size(kMaxTexts, 33));
  } else {
    io.Size(audience.robotFamilies.size());
  }
  for (auto& family : audience.robotFamilies) FamilyFields(io, family);
  io.Value(audience.robotKindHits);
}

template <typename Archive, typename State>
void StateFields(Archive& io, State& state) {
  io.Part(state.hosts);
  io.Part(state.addressHosts);
  io.Part(state.paths);
  io.Part(state.agents);
  io.Part(state.referrers);
  io.Vector(state.pathHandles);
  io.Part(state.hostsToName);
  io.Part(state.visitedHosts);
  io.Value(state.previousHost);
  io.Value(state.previousAddress);
  io.Value(state.previousPath);
  io.Value(state.previousAgent);
  io.Value(state.previousReferrer);
  DateFields(io, state.date);
  io.Text(state.lastHour);
  io.Text(state.currentDay);
  io.Value(state.currentDayHits);
  io.Value(state.currentDayBytes);
  io.Value(state.currentDayNewVisitors);
  io.Value(state.bestDayHits);
  io.Value(state.rangeKnown);
  io.Value(state.rangeFromTime);
  io.Value(state.rangeToTime);
  io.Value(state.rangeFromDate);
  io.Value(state.rangeToDate);
  AudienceStateFields(io, state.audience);
  // The places of the current hour's, status codes' and weekdays' counts are
  // found again by key (hourCount and the others start null after Reset);
  // the local-time cache starts empty and converts alike.
}

template <typename Archive, typename Statistics>
void StatisticsFields(Archive& io, Statistics& statistics) {
  io.Value(statistics.uniqueHosts);
  io.Value(statistics.homepageHits);
  io.Value(statistics.successfulRequests);
  io.Value(statistics.totalBytes);
  for (const SiteStatistics::TableRef& table : SiteStatistics::Tables()) {
    io.Part(statistics.*table.table);
  }
  io.Part(statistics.openVisits);
  io.Text(statistics.busiestDay);
  io.Part(statistics.lastVisitors);
  io.Part(statistics.clickPathPages);
  AudienceFields(io, statistics.audience);
  StateFields(io, statistics.Counting());
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
  StatisticsFields(out, statistics);
}

bool LoadCounting(SiteStatistics& statistics, StateReader& in) {
  statistics.Prepare();
  std::uint64_t layout = 0;
  in.Value(layout);
  if (layout != CountingArchiveLayout()) in.Fail();
  StatisticsFields(in, statistics);
  if (!in.ok()) statistics.Clear();
  return in.ok();
}

}  // namespace tlw
