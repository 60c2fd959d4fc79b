#include "stats/audience.h"

namespace tlw {

void AudienceStatistics::Clear() {
  people = {};
  robots = {};
  for (StatTable* table : {&pages, &entryPages, &exitPages, &referrers, &searchPhrases, &countries,
                           &browsers, &platforms}) {
    table->Clear();
  }
  hourPageViews = {};
  weekdayPageViews = {};
  days.clear();
  days.shrink_to_fit();
  robotFamilies.clear();
  robotFamilies.shrink_to_fit();
  robotKindHits = {};
}

}  // namespace tlw
