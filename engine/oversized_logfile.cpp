#include "engine/oversized_logfile.h"

#include <cerrno>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

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

Result<LogfileDeletion> DeleteLogfile(const std::string& name, FileIdentity wasRead) {
  const std::string path = LocalPath(name);
  const auto cannot = [&name](int error) {
    return Status::Error("Cannot delete the oversized logfile " + name + ": " +
                         std::generic_category().message(error));
  };
  // Looked at just before the removal; the name itself, not a link's target.
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return cannot(errno);
  const FileIdentity named{static_cast<std::uint64_t>(info.st_dev),
                           static_cast<std::uint64_t>(info.st_ino)};
  if (named != wasRead) return LogfileDeletion::kReplaced;
  if (::unlink(path.c_str()) != 0) return cannot(errno);
  return LogfileDeletion::kDeleted;
}

}  // namespace tlw
