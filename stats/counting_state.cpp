#include "stats/counting_state.h"

namespace tlw {

CountingState::CountingState() { Reset(); }

void CountingState::Reset() {
  hosts.Clear();
  paths.Clear();
  agents.Clear();
  referrers.Clear();
  previousHost = previousPath = previousAgent = previousReferrer = kNone;
  date = DateSlot{};
  lastHour.clear();
  hourHandle = kNone;
  retCodeByNumber.fill(kNone);
  weekdayHandles.fill(kNone);
  currentDay.clear();
  currentDayHits = 0;
  currentDayBytes = 0;
  currentDayNewVisitors = 0;
  bestDayHits = 0;
  rangeKnown = false;
  rangeFromTime = rangeToTime = rangeFromDate = rangeToDate = 0;
  localTime.Clear();
  visitorText.clear();
  clickPathText.clear();
}

}  // namespace tlw
