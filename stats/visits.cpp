#include "stats/visits.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "stats/log_numbers.h"

namespace tlw {
namespace {

constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Whether an ending visit makes a click path: two or more pages, and a
// stamp text (year-month-day-hour-minute) of 7 characters or more, as texts
// too short to be a real date are not visits.
bool MakesClickPath(const OpenVisit& visit) { return visit.HasTwoPages() && visit.stampComplete; }

// Whether the host has had a visit: once it has, it has one to the end.
bool HasVisit(const CountingState::HostSlot& host) { return host.visit.HasPages(); }

// Appends the path numbered `page` (PathSlot::number) to `key`.
void AppendClickPage(SiteStatistics& statistics, CountingState& state, std::uint32_t page,
                     ClickPathKey& key) {
  const std::uint32_t handle = state.pathHandles[page];
  CountingState::PathSlot& slot = state.paths.ValueAt(handle);
  if (!slot.clickPageKnown) {
    slot.clickPage = statistics.clickPathPages.NumberOf(state.paths.KeyAt(handle));
    slot.clickPageKnown = true;
  }
  if (slot.clickPage != ClickPathPages::kNone) {
    statistics.clickPathPages.AppendNumber(slot.clickPage, key);
  } else {
    statistics.clickPathPages.AppendPage(state.paths.KeyAt(handle), key);
  }
}

// Whether a finished key is counted: its text has 3 characters or more
// (shorter page lists are not visits).
bool CountsAsClickPath(const ClickPathKey& key) { return key.textLength >= 3; }

// Counts a finished key in `clickPaths`, with the LookupHash of its codes.
void CountClickPathKey(SiteStatistics& statistics, const ClickPathKey& key, std::uint64_t hash) {
  StatTable& paths = statistics.clickPaths;
  paths.AddAt(paths.InternWithTableHash(key.codes, hash, key.tableHash), 1);
}

void CountClickPath(SiteStatistics& statistics, CountingState& state, std::uint32_t firstLink) {
  ClickPathKey& key = state.clickPathKey;
  key.Clear();
  statistics.openVisits.ForEachPage(
      firstLink, [&](std::uint32_t page) { AppendClickPage(statistics, state, page, key); });
  if (CountsAsClickPath(key)) CountClickPathKey(statistics, key, LookupHash(key.codes));
}

void AddLastVisitor(SiteStatistics& statistics, CountingState& state,
                    const CountingOptions& options, const LogRecord& record,
                    std::string_view hostKey) {
  std::string& text = state.visitorText;
  text.assign(hostKey);
  text.append(" [").append(record.month).append("-").append(record.day);
  text.append(" ").append(record.hour).append(":").append(record.minute).append("]");
  statistics.lastVisitors.PushFront(text, options.topLastVisitors);
}

}  // namespace

void TrackVisit(SiteStatistics& statistics, CountingState& state, const CountingOptions& options,
                const LogRecord& record, std::string_view hostKey, std::uint32_t hostNumber,
                CountingState::HostSlot& host, std::uint32_t page) {
  // A record whose month is neither a number from 1 to 12 nor a month name
  // names no moment: it has no weekday and cannot be placed in a visit, so
  // it leaves visits, `weekdays` and the last visitors alone (it is still
  // counted in every other table).
  const CountingState::DateSlot& date = state.date;  // the record's date, read by AddRecord
  if (date.monthNumber == 0) return;
  const LocalMoment moment =
      state.localTime.Convert(date.yearNumber, date.monthNumber, date.dayNumber,
                              ReadLogNumber(record.hour), ReadLogNumber(record.minute));
  if (!moment.valid) return;

  const auto weekday = static_cast<std::size_t>(moment.weekday);
  std::int64_t*& count = state.weekdayCounts[weekday];
  if (count == nullptr) {
    count = &statistics.weekdays.CountRef(statistics.weekdays.Intern(kWeekdayNames[weekday]));
  }
  StatTable::AddTo(*count, 1);

  // The stamp as text would be year-month-day-hour-minute with the month as
  // a number; what matters later is only whether it reaches 7 characters.
  const bool stampComplete = record.year.size() + date.stampMonthLength + record.day.size() +
                                 record.hour.size() + record.minute.size() + 4 >=
                             7;

  VisitTable& visits = statistics.openVisits;
  OpenVisit& visit = host.visit;
  if (!visit.HasPages()) {
    state.visitedHosts.Add(hostNumber, [&] { return state.HostsWhere(HasVisit); });
    visits.Start(visit, moment.time, stampComplete, page);
    AddLastVisitor(statistics, state, options, record, hostKey);
    return;
  }
  if (visit.stamp < moment.time - kVisitTimeoutSeconds) {
    // Keys of 3 characters or fewer are no real hosts: their expired visit
    // stays open until the end.
    if (hostKey.size() <= 3) return;
    AddLastVisitor(statistics, state, options, record, hostKey);
    // The replaced visit has ended: it is counted now, once. Visits are
    // never walked during the records (that walk grows with the square of
    // the log).
    if (MakesClickPath(visit)) CountClickPath(statistics, state, visit.firstLink);
    visits.Start(visit, moment.time, stampComplete, page);
    return;
  }
  // Repeating the last page changes nothing, not even the stamp.
  if (visits.LastPage(visit) != page) visits.Extend(visit, moment.time, stampComplete, page);
}

std::vector<std::uint32_t> EndVisits(SiteStatistics& statistics, CountingState& state) {
  // After the last record every visit has ended, whatever its stamp: a fixed
  // cut-off date would leave the visits of logs written after it uncounted.
  const auto tableHashOf = [&](std::uint32_t host) { return state.hosts.TableHashAt(host); };
  const HostOrder& visited = state.visitedHosts;
  std::vector<std::uint32_t> chains =
      OrderByBucket(visited.Ascending() ? state.HostsWhere(HasVisit) : visited.Kept(),
                    statistics.openVisits.BucketCount(), tableHashOf);
  state.visitedHosts.Clear();
  for (std::uint32_t& entry : chains) {
    OpenVisit& visit = state.hosts.ValueAt(entry).visit;
    entry = MakesClickPath(visit) ? visit.firstLink : 0;
    visit = OpenVisit{};
  }
  return chains;
}

void CountClickPaths(SiteStatistics& statistics, CountingState& state,
                     const std::vector<std::uint32_t>& chains) {
  // Hundreds of thousands of visits may end here, each chain of pages
  // scattered over memory. The chains of a few visits are walked side by
  // side, so that their links load at once rather than one after another;
  // the paths are then counted in order.
  constexpr std::size_t kSideBySide = 8;
  std::array<ClickPathKey, kSideBySide> keys;
  std::array<std::uint32_t, kSideBySide> links{};
  const VisitTable& visits = statistics.openVisits;
  for (std::size_t base = 0; base < chains.size(); base += kSideBySide) {
    const std::size_t n = std::min(kSideBySide, chains.size() - base);
    for (std::size_t j = 0; j < n; ++j) {
      links[j] = chains[base + j];
      keys[j].Clear();
    }
    for (bool walking = true; walking;) {
      walking = false;
      for (std::size_t j = 0; j < n; ++j) {
        if (links[j] == 0) continue;
        links[j] = visits.ForEachPageOfLink(links[j], [&](std::uint32_t page) {
          AppendClickPage(statistics, state, page, keys[j]);
        });
        walking = true;
      }
    }
    // The keys are looked up side by side as well: their index slots load
    // at once, then their entries, and only then are they counted.
    std::array<std::uint64_t, kSideBySide> hashes{};
    std::array<bool, kSideBySide> counted{};
    for (std::size_t j = 0; j < n; ++j) {
      counted[j] = chains[base + j] != 0 && CountsAsClickPath(keys[j]);
      if (counted[j]) hashes[j] = LookupHash(keys[j].codes);
    }
    statistics.clickPaths.PrefetchAll(std::span(hashes).first(n));
    for (std::size_t j = 0; j < n; ++j) {
      if (counted[j]) CountClickPathKey(statistics, keys[j], hashes[j]);
    }
  }
  statistics.openVisits.Clear();
}

void BuildEntryExit(SiteStatistics& statistics) {
  // The keys are read in table order, scattered over memory: the keys a few
  // paths ahead are fetched while one is read.
  constexpr std::size_t kAhead = 8;
  const StatTable& paths = statistics.clickPaths;
  const std::vector<StatTable::Handle> order = paths.Ordered();
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i + kAhead < order.size()) paths.PrefetchKey(order[i + kAhead]);
    const std::string_view codes = paths.KeyAt(order[i]);
    statistics.entryPages.Add(statistics.clickPathPages.FirstPage(codes));
    statistics.exitPages.Add(statistics.clickPathPages.LastPage(codes));
  }
}

}  // namespace tlw
