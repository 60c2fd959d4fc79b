#include "base/local_zone.h"

#include <cstdlib>
#include <ctime>

namespace tlw {

void KeepTheLocalZoneLoaded() {
  if (std::getenv("TZ") != nullptr) return;
  ::setenv("TZ", ":/etc/localtime", 0);
  ::tzset();
}

}  // namespace tlw
