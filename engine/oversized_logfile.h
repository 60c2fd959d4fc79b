#pragma once

#include <cstdint>
#include <string>

#include "base/result.h"
#include "logs/local_logfile.h"

namespace tlw {

class CSiteProfile;
struct RunSettings;

// Whether the logfile just read must be deleted: the run's settings ask for
// it (`deleteOversizedLog`), the profile reads a local logfile, and the
// last opened size in whole millions of bytes (as the size text shows it)
// exceeds `oversizedLogLimitMb` compared unsigned.
bool IsOversizedLogfile(const CSiteProfile& profile, const RunSettings& settings);

// The decision itself, for a local logfile of `sizeBytes`.
bool ExceedsOversizedLimit(std::uint64_t sizeBytes, std::int32_t limitMb);

enum class LogfileDeletion {
  kDeleted,
  kReplaced,  // the name now leads to another file, which is left alone
};

// Deletes the logfile `name` (a "\" is read as "/") if it is still the file
// that was read, `wasRead`: a log rotated while it was read ("mv access.log
// access.log.1" and a new access.log) leaves a fresh, unread log under the
// name, and that one is kept. Fails with the file and the reason.
Result<LogfileDeletion> DeleteLogfile(const std::string& name, FileIdentity wasRead);

}  // namespace tlw
