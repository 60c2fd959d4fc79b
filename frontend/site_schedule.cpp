#include "frontend/site_schedule.h"

#include <algorithm>

#include "frontend/run_board.h"
#include "settings/schedule_rules.h"

namespace tlw {

void SiteSchedule::NoteFinished(const std::shared_ptr<const CSiteProfile>& profile) {
  if (!RanThisSession(*profile)) ranThisSession_.push_back(profile);
}

bool SiteSchedule::RanThisSession(const CSiteProfile& profile) const {
  return std::any_of(
      ranThisSession_.begin(), ranThisSession_.end(),
      [&](const std::weak_ptr<const CSiteProfile>& ran) { return ran.lock().get() == &profile; });
}

std::vector<std::size_t> SiteSchedule::DueRows(const SiteProfiles& profiles, const RunBoard& board,
                                               std::int64_t now) const {
  std::vector<std::size_t> due;
  for (std::size_t row = 0; row < profiles.size(); ++row) {
    const CSiteProfile& profile = *profiles[row];
    if (profile.GetScheduled() == 0 || profile.GetRunning()) continue;
    if (board.HasRun(profile) || board.Held(profile)) continue;
    if (ScheduleFires(ScheduleInputsOf(profile, RanThisSession(profile)), now)) due.push_back(row);
  }
  return due;
}

}  // namespace tlw
