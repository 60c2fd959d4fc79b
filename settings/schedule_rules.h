#pragma once

#include <cstdint>
#include <string>

namespace tlw {

class CSiteProfile;

// What the schedule of one site depends on. Times are seconds since 1970
// and are read as local time.
struct ScheduleInputs {
  std::string scheduleInterval;        // one of kScheduleIntervals, else never fires
  std::int64_t scheduleStartTime = 0;  // only its hour and minute count
  std::int64_t lastRunTime = 0;        // end of the site's last finished run
  // Whether the site has run since the program started. Until it has,
  // "once a day" and "once a month" take the site as never run, so they fire
  // at their first chance.
  bool ranThisSession = false;
};

// The schedule inputs of `profile`.
ScheduleInputs ScheduleInputsOf(const CSiteProfile& profile, bool ranThisSession);

// Whether `site`'s schedule starts a run at `now` (seconds since 1970), the
// one clock reading of a scheduler tick. Only the schedule is tested: the
// caller skips sites whose `scheduled` flag is clear and sites whose run is
// active before asking. False for a text that names no choice, and for a
// time that has no local-time form.
bool ScheduleFires(const ScheduleInputs& site, std::int64_t now);

}  // namespace tlw
