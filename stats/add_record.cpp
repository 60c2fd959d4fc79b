#include "stats/add_record.h"

#include <algorithm>
#include <array>
#include <exception>
#include <span>
#include <system_error>
#include <thread>

#include "stats/agent_rules.h"
#include "stats/audience_counting.h"
#include "stats/counting_state.h"
#include "stats/filter_list.h"
#include "stats/host_rules.h"
#include "stats/log_numbers.h"
#include "stats/referrer_rules.h"
#include "stats/time_series.h"
#include "stats/visits.h"

namespace tlw {
namespace {

using HostSlot = CountingState::HostSlot;
using PathSlot = CountingState::PathSlot;
constexpr StatTable::Handle kNone = CountingState::kNone;

// Visits from which on their click paths are counted on a thread of their
// own while the hosts are named: fewer take less time than starting one.
constexpr std::size_t kClickPathThreadChains = 1024;

// Longest host key: longer host texts are cut (the run cuts them already).
constexpr std::size_t kMaxHostKey = 299;

std::uint64_t HostHashOf(std::string_view host) { return LookupHash(host.substr(0, kMaxHostKey)); }

// The host's number; the host filter is decided when the host is first seen.
// This and the other steps of every record are inlined into AddRecord: a
// call of its own costs each of them a good part of its work.
[[gnu::always_inline]] inline std::uint32_t HostOf(CountingState& state,
                                                   const CountingOptions& options,
                                                   std::string_view hostKey,
                                                   std::uint64_t hostHash) {
  bool created = false;
  const std::uint32_t handle =
      state.hosts.InternRepeated(hostKey, hostHash, state.previousHost, &created);
  if (created)
    state.hosts.ValueAt(handle).filtered = MatchesFilterList(hostKey, options.hostFilter);
  return handle;
}

// The host of a record when hosts are counted under their names (see
// CountingOptions::nameHost): the address is looked up, and only an
// address not seen before in the run is named and its name interned in
// `hosts`, where other addresses of the same name find it too.
[[gnu::always_inline]] inline std::uint32_t NamedHostOf(CountingState& state,
                                                        const CountingOptions& options,
                                                        std::string_view address,
                                                        std::uint64_t addressHash) {
  bool created = false;
  const std::uint32_t handle =
      state.addressHosts.InternRepeated(address, addressHash, state.previousAddress, &created);
  if (created) {
    const std::string name = options.nameHost(address);
    const std::string_view key =
        name.empty() ? address : std::string_view(name).substr(0, kMaxHostKey);
    state.addressHosts.ValueAt(handle) = HostOf(state, options, key, HostHashOf(key));
  }
  return state.addressHosts.ValueAt(handle);
}

// The path's slot and number; its shape and the extension and directory
// filters are decided when the path is first seen.
[[gnu::always_inline]] inline std::uint32_t PathOf(CountingState& state,
                                                   const CountingOptions& options,
                                                   std::string_view path, std::uint64_t pathHash) {
  bool created = false;
  const std::uint32_t handle =
      state.paths.InternRepeated(path, pathHash, state.previousPath, &created);
  if (created) {
    const PathShape shape = ShapeOfPath(path);
    PathSlot& slot = state.paths.ValueAt(handle);
    slot.number = static_cast<std::uint32_t>(state.pathHandles.size());
    state.pathHandles.push_back(handle);
    slot.hasExtension = shape.hasExtension;
    slot.homePage = shape.homePage;
    slot.pageKind = shape.pageKind;
    slot.skipsVisits = shape.skipsVisits;
    slot.filtered = MatchesFilterList(shape.extension, options.extensionFilter) ||
                    MatchesFilterList(shape.directory, options.directoryFilter);
  }
  return handle;
}

// Interns `key` in `table` the first time a slot needs it.
StatTable::Handle& Ensure(StatTable::Handle& handle, StatTable& table, std::string_view key) {
  if (handle == kNone) handle = table.Intern(key);
  return handle;
}

// The country of a host written as an address, from the run's GeoIP
// look-up; kNone when there is no look-up or it knows no country.
StatTable::Handle CountryOfAddress(SiteStatistics& statistics, const CountingOptions& options,
                                   std::string_view hostKey) {
  if (options.countryLookup == nullptr) return kNone;
  const std::string key = CountryKeyOfIsoCode(options.countryLookup->CountryOf(hostKey));
  return key.empty() ? kNone : statistics.countries.Intern(key);
}

void CountDomain(SiteStatistics& statistics, const CountingOptions& options,
                 std::string_view hostKey, HostSlot& host) {
  if (!host.classified) {
    // Decided at the host's first counted request: the rule is pure (the
    // GeoIP data does not change during a run), and the table entries must
    // appear when a request is first counted.
    host.classified = true;
    const HostFacts facts = ClassifyHost(hostKey);
    if (facts.countDomain) {
      host.domain = statistics.domains.Intern(facts.domain);
      if (facts.countCountry) host.country = statistics.countries.Intern(facts.countryKey);
    } else if (facts.address) {
      host.country = CountryOfAddress(statistics, options, hostKey);
    }
  }
  // The count itself is the host's pending count (see CountHost).
}

// Adds pending counts to the entries of a slot and clears them.
void AddPending(StatTable& table, StatTable::Handle handle, std::int64_t pending) {
  if (handle != kNone && pending != 0) table.AddAt(handle, pending);
}

void SettleAgent(SiteStatistics& statistics, CountingState::AgentSlot& slot) {
  AddPending(statistics.browsers, slot.browser, slot.pending);
  AddPending(statistics.platforms, slot.platform, slot.pending);
  slot.pending = 0;
}

[[gnu::always_inline]] inline void CountAgent(SiteStatistics& statistics, CountingState& state,
                                              const CountingOptions& options,
                                              std::string_view agent, HostSlot& host) {
  if (agent.empty()) return;
  // A client keeps its agent while records of other clients come between
  // its own: the one it sent last is tried before a look-up.
  if (state.agents.Holds(host.agent, agent)) {
    state.previousAgent = host.agent;
  } else {
    host.agent = state.agents.InternRepeated(agent, state.previousAgent);
  }
  CountingState::AgentSlot& slot = state.agents.ValueAt(host.agent);
  if (!slot.described || slot.w3c != options.w3cLog) {
    // A W3C log writes blanks as "+", so the same text may describe another
    // agent there; a run that mixes layouts describes it again.
    SettleAgent(statistics, slot);
    slot = CountingState::AgentSlot{};
    slot.described = true;
    slot.w3c = options.w3cLog;
    const AgentFacts facts = DescribeAgent(agent, options.w3cLog);
    if (!facts.browser.empty()) {
      slot.browser = statistics.browsers.Intern(facts.browser);
      if (!facts.platform.empty()) slot.platform = statistics.platforms.Intern(facts.platform);
    }
  }
  ++slot.pending;
}

[[gnu::always_inline]] inline void CountReferrer(SiteStatistics& statistics, CountingState& state,
                                                 const CountingOptions& options,
                                                 std::string_view referrer, HostSlot& host) {
  if (referrer.empty()) return;
  // The page a client's images name as their referrer is the same for all
  // of them (see CountAgent).
  if (state.referrers.Holds(host.referrer, referrer)) {
    state.previousReferrer = host.referrer;
  } else {
    host.referrer = state.referrers.InternRepeated(referrer, state.previousReferrer);
  }
  CountingState::ReferrerSlot& slot = state.referrers.ValueAt(host.referrer);
  if (!slot.classified) {
    slot.classified = true;
    const ReferrerFacts facts = ClassifyReferrer(referrer, options.homepageUrl);
    if (facts.countReferrer) {
      slot.referer = statistics.referers.Intern(referrer);
      if (!facts.phrase.empty()) slot.keyword = statistics.keywords.Intern(facts.phrase);
    }
  }
  ++slot.pending;
}

void CountStatus(SiteStatistics& statistics, CountingState& state, std::string_view status) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (status.size() < 2 || !digit(status[0]) || !digit(status[1])) return;
  if (status.size() == 3 && digit(status[2])) {
    const std::size_t number = static_cast<std::size_t>((status[0] - '0') * 100 +
                                                        (status[1] - '0') * 10 + (status[2] - '0'));
    std::int64_t*& count = state.retCodeByNumber[number];
    if (count == nullptr) count = &statistics.retCodes.CountRef(statistics.retCodes.Intern(status));
    StatTable::AddTo(*count, 1);
    return;
  }
  statistics.retCodes.Add(status);
}

}  // namespace

RecordHashes HashesOf(const LogRecord& record) {
  RecordHashes hashes;
  hashes.host = HostHashOf(record.host);
  hashes.path = LookupHash(record.url);
  return hashes;
}

void PrefetchHost(const SiteStatistics& statistics, const CountingOptions& options,
                  const RecordHashes& far, const RecordHashes& near, const RecordHashes& next) {
  const CountingState& state = statistics.Counting();
  if (!options.nameHost) {
    state.hosts.PrefetchSlot(far.host);
    state.hosts.PrefetchEntry(near.host);
    return;
  }
  // Named hosts take one step more: the address's entry, loaded by now,
  // names the host entry to load.
  state.addressHosts.PrefetchSlot(far.host);
  state.addressHosts.PrefetchEntry(near.host);
  if (const std::uint32_t* host = state.addressHosts.PeekValue(next.host)) {
    state.hosts.PrefetchHandle(*host);
  }
}

void AddRecord(SiteStatistics& statistics, const CountingOptions& options,
               const LogRecord& record) {
  AddRecord(statistics, options, record, HashesOf(record));
}

void AddRecord(SiteStatistics& statistics, const CountingOptions& options, const LogRecord& record,
               const RecordHashes& hashes) {
  // A record without a host is counted nowhere, not even as a day's hit.
  if (record.host.empty()) return;
  CountingState& state = statistics.Counting();
  std::string_view hostKey = record.host.substr(0, kMaxHostKey);
  const std::string_view path = record.url;

  // 1. Busiest day: every record handed over, also those dropped below.
  // The date facts are read first: a record of the previous record's date
  // is of the current day without comparing texts again.
  const std::int64_t bytes = ReadByteCount(record.bytes);
  bool sameDate = false;
  const CountingState::DateSlot& date = DateOf(state, record, sameDate);
  TrackDay(statistics, state, record, bytes, sameDate);

  // 2-3. Path shape, host facts (cached per distinct path and host).
  const std::uint32_t pathHandle = PathOf(state, options, path, hashes.path);
  const bool named = static_cast<bool>(options.nameHost);
  const std::uint32_t hostHandle = named ? NamedHostOf(state, options, hostKey, hashes.host)
                                         : HostOf(state, options, hostKey, hashes.host);
  if (named) hostKey = state.hosts.KeyAt(hostHandle);
  HostSlot& host = state.hosts.ValueAt(hostHandle);
  PathSlot& slot = state.paths.ValueAt(pathHandle);

  // 4. Exclusion filters.
  if (host.filtered || slot.filtered) return;

  // 5. Reporting range.
  if (!options.processEntireLog &&
      !DateInRange(state, options.reportFrom, options.reportTo, date.dateValue)) {
    return;
  }

  const char statusFirst = record.status.empty() ? '\0' : record.status[0];
  const bool failed = statusFirst == '4' || statusFirst == '5';

  // 6-8. Home page, success, bytes.
  if (!failed && slot.homePage) ++statistics.homepageHits;
  if (statusFirst == '2' || statusFirst == '3') ++statistics.successfulRequests;
  statistics.totalBytes = SaturatingAdd(statistics.totalBytes, bytes);

  // 9-11. Hours, days, hosts.
  CountHour(statistics, state, record.hour);
  CountDay(statistics, state);
  CountHost(statistics, state, hostKey, hostHandle, host);

  // 12. Directories, without 4xx and 5xx. Counted with the file requests
  // and file types when the counts are settled.
  if (!failed) {
    if (slot.dir == kNone) {
      slot.dir = statistics.dirs.Intern(DirectoryKey(ShapeOfPath(path).directory));
    }
    ++slot.pendingServed;
  }

  // 13-14. Months, domains and countries.
  CountMonth(statistics, state);
  CountDomain(statistics, options, hostKey, host);

  // 15. Files: paths with an extension, without 4xx and 5xx.
  if (slot.hasExtension && !failed) Ensure(slot.fileRequest, statistics.fileRequests, path);

  // 16. Pages.
  if (slot.pageKind == PageKind::kAlways ||
      (slot.pageKind == PageKind::kUnlessStatus4 && statusFirst != '4')) {
    Ensure(slot.webPage, statistics.webPages, path);
    ++slot.pendingPages;
  }

  // 17. File types, without 4xx and 5xx.
  if (slot.hasExtension && !failed && slot.fileType == kNone) {
    slot.fileType = statistics.fileTypes.Intern("." + ShapeOfPath(path).extension);
  }

  // 18-20. Logons, status codes, broken links.
  if (record.user.size() > 2) statistics.logons.Add(record.user);
  CountStatus(statistics, state, record.status);
  // Every 404 is a broken link, also of a path as short as "/": a missing
  // site root is the most broken link of all.
  const std::string_view status = record.status;
  if (status.size() >= 3 && status[0] == '4' && status[1] == '0' && status[2] == '4') {
    Ensure(slot.brokenLink, statistics.brokenLinks, path);
    ++slot.pendingBroken;
  }

  // 21-22. Browser and platform, referrer and search phrase.
  CountAgent(statistics, state, options, record.agent, host);
  CountReferrer(statistics, state, options, record.referrer, host);
  if (options.countAudience) {
    CountAudience(statistics, state, options, record, hostHandle, host, slot.number, bytes);
  }

  // 23. Visits, for everything but images and style sheets.
  if (!slot.skipsVisits) {
    TrackVisit(statistics, state, options, record, hostKey, hostHandle, host, slot.number);
  }
}

namespace {

// Adds the pending counts of every host, making the `hostnames` entries of
// the hosts counted since the last settling in the order they were first
// counted. With `releaseHosts` (the host table is no longer looked up) the
// host entries are freed as they are passed, when the hosts were counted
// in the order they were made, as they are unless a filter or the date
// range held a host's first record back: the host entries and the
// `hostnames` entries then never take memory in full at once.
void SettleHosts(SiteStatistics& statistics, CountingState& state, bool releaseHosts) {
  state.hosts.ForEachHandle([&](std::uint32_t number) {
    HostSlot& host = state.hosts.ValueAt(number);
    const std::int64_t pending = static_cast<std::int64_t>(host.pending);
    AddPending(statistics.domains, host.domain, pending);
    AddPending(statistics.countries, host.country, pending);
    // A host named at an earlier settling (which only a look at the tables
    // in the middle of a run makes) finds its entry by key.
    if (host.named && pending != 0) {
      AddPending(statistics.hostnames, statistics.hostnames.Find(state.hosts.KeyAt(number)),
                 pending);
      host.pending = 0;
    }
  });
  const HostOrder& toName = state.hostsToName;
  const bool release = releaseHosts && toName.Ascending();
  StatTable& hostnames = statistics.hostnames;
  // Hosts are named a few at a time, their look-ups in `hostnames`, a table
  // far larger than the cache on a long log, loaded side by side.
  constexpr std::size_t kSideBySide = 8;
  std::array<std::uint32_t, kSideBySide> group{};
  std::size_t grouped = 0;
  const auto nameGroup = [&] {
    std::array<std::uint64_t, kSideBySide> hashes{};
    for (std::size_t i = 0; i < grouped; ++i) hashes[i] = LookupHash(state.hosts.KeyAt(group[i]));
    hostnames.PrefetchAll(std::span(hashes).first(grouped));
    for (std::size_t i = 0; i < grouped; ++i) {
      const std::uint32_t number = group[i];
      HostSlot& host = state.hosts.ValueAt(number);
      host.named = true;
      AddPending(hostnames,
                 hostnames.InternWithTableHash(state.hosts.KeyAt(number), hashes[i],
                                               state.hosts.TableHashAt(number)),
                 static_cast<std::int64_t>(host.pending));
      host.pending = 0;
    }
    if (release && grouped > 0) state.hosts.ReleaseEntriesBefore(group[grouped - 1]);
    grouped = 0;
  };
  const auto name = [&](std::uint32_t number) {
    group[grouped++] = number;
    if (grouped == kSideBySide) nameGroup();
  };
  if (toName.Ascending()) {
    state.hosts.ForEachHandle([&](std::uint32_t number) {
      const HostSlot& host = state.hosts.ValueAt(number);
      if (host.counted && !host.named) name(number);
    });
  } else {
    for (const std::uint32_t number : toName.Kept()) name(number);
  }
  nameGroup();
  state.hostsToName.Clear();
}

// SettleCounts for every table but those of the hosts.
void SettlePathsAgentsReferrers(SiteStatistics& statistics, CountingState& state) {
  state.paths.ForEachValue([&](PathSlot& path) {
    AddPending(statistics.dirs, path.dir, path.pendingServed);
    AddPending(statistics.fileRequests, path.fileRequest, path.pendingServed);
    AddPending(statistics.fileTypes, path.fileType, path.pendingServed);
    AddPending(statistics.webPages, path.webPage, path.pendingPages);
    AddPending(statistics.brokenLinks, path.brokenLink, path.pendingBroken);
    path.pendingServed = path.pendingPages = path.pendingBroken = 0;
  });
  state.agents.ForEachValue(
      [&](CountingState::AgentSlot& agent) { SettleAgent(statistics, agent); });
  state.referrers.ForEachValue([&](CountingState::ReferrerSlot& referrer) {
    AddPending(statistics.referers, referrer.referer, referrer.pending);
    AddPending(statistics.keywords, referrer.keyword, referrer.pending);
    referrer.pending = 0;
  });
}

}  // namespace

void SettleCounts(SiteStatistics& statistics) {
  CountingState& state = statistics.Counting();
  SettleHosts(statistics, state, false);
  SettlePathsAgentsReferrers(statistics, state);
}

void FinishRecords(SiteStatistics& statistics) {
  CountingState& state = statistics.Counting();
  FinishAudience(statistics, state);
  SettlePathsAgentsReferrers(statistics, state);
  state.addressHosts.Clear();
  state.previousAddress = CountingState::kNone;
  // The hosts give up their visits' page chains, then get their
  // `hostnames` entries, their own entries freed on the way. The host table
  // is no longer looked up.
  state.hosts.ReleaseLookups();
  const std::vector<std::uint32_t> chains = EndVisits(statistics, state);
  // Naming the hosts and making click paths of the chains share no table:
  // with many visits, the click paths and their entry and exit pages are
  // counted on a second thread meanwhile (the run's reading thread has
  // ended by now). Memory stays below its peak at the end of counting: the
  // host entries are freed as the click paths grow.
  const auto countClickPaths = [&] {
    CountClickPaths(statistics, state, chains);
    BuildEntryExit(statistics);
  };
  std::exception_ptr clickPathFailure;
  std::jthread clickPaths;
  if (chains.size() >= kClickPathThreadChains) {
    try {
      clickPaths = std::jthread([&] {
        try {
          countClickPaths();
        } catch (...) {
          clickPathFailure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had (the system's limit): they are counted below,
      // after the hosts.
    }
  }
  SettleHosts(statistics, state, true);
  state.hosts.Clear();
  state.previousHost = CountingState::kNone;
  if (clickPaths.joinable()) {
    clickPaths.join();
    if (clickPathFailure) std::rethrow_exception(clickPathFailure);
  } else {
    countClickPaths();
  }
  statistics.domains.Remove(".(Unresolved Hosts)");
  state.Reset();
}

}  // namespace tlw
