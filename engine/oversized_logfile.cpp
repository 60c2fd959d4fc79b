#include "engine/oversized_logfile.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "logs/local_logfile.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw {
namespace {

constexpr std::uint64_t kBytesPerMb = 1'000'000;

}  // namespace

bool ExceedsOversizedLimit(std::uint64_t sizeBytes, std::int32_t limitMb) {
  // The size text shows sizes under a million in bytes; those never count.
  if (sizeBytes < kBytesPerMb) return false;
  return sizeBytes / kBytesPerMb > static_cast<std::uint32_t>(limitMb);
}

bool IsOversizedLogfile(const CSiteProfile& profile, const RunSettings& settings) {
  if (!settings.deleteOversizedLog || profile.GetRemoteLogfile() != 0) return false;
  return ExceedsOversizedLimit(profile.GetLastLogfileSize(), settings.oversizedLogLimitMb);
}

Status DeleteLogfile(const std::string& name) {
  const std::string path = LocalPath(name);
  if (std::remove(path.c_str()) == 0) return Status::Ok();
  return Status::Error("Cannot delete the oversized logfile " + name + ": " +
                       std::generic_category().message(errno));
}

}  // namespace tlw
