#include "stats/counting_state.h"

namespace tlw {

CountingState::CountingState() { Reset(); }

void CountingState::Reset() {
  hosts.Clear();
  addressHosts.Clear();
  hostsToName.Clear();
  visitedHosts.Clear();
  paths.Clear();
  std::vector<std::uint32_t>().swap(pathHandles);
  agents.Clear();
  referrers.Clear();
  previousHost = previousAddress = previousPath = previousAgent = previousReferrer = kNone;
  date = DateSlot{};
  lastHour.clear();
  hourCount = nullptr;
  retCodeByNumber.fill(nullptr);
  weekdayCounts.fill(nullptr);
  currentDay.clear();
  currentDayHits = 0;
  currentDayBytes = 0;
  currentDayNewVisitors = 0;
  bestDayHits = 0;
  rangeKnown = false;
  rangeFromTime = rangeToTime = rangeFromDate = rangeToDate = 0;
  localTime.Clear();
  visitorText.clear();
  clickPathKey = ClickPathKey{};
  audience.Reset();
}

}  // namespace tlw
