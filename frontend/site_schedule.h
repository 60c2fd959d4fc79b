#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "settings/settings_file.h"
#include "settings/site_profile.h"

namespace tlw {

class RunBoard;

// The scheduler of the window: which sites are due at a tick. Daily and
// monthly schedules start a site at most once a day or month; a site that
// has not finished a run since the program started counts as never run.
class SiteSchedule {
 public:
  // Notes that `profile` finished a run now.
  void NoteFinished(const std::shared_ptr<const CSiteProfile>& profile);
  bool RanThisSession(const CSiteProfile& profile) const;

  // The rows of `profiles` to start at `now` (seconds since 1970, one clock
  // reading per tick): scheduled, not running, without a run on `board`,
  // not held there for editing, and whose schedule fires.
  std::vector<std::size_t> DueRows(const SiteProfiles& profiles, const RunBoard& board,
                                   std::int64_t now) const;

 private:
  std::vector<std::weak_ptr<const CSiteProfile>> ranThisSession_;
};

}  // namespace tlw
