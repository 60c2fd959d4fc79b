#pragma once

#include <cstdint>
#include <string>

#include "base/result.h"

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

// Deletes the logfile `name` (a "\" is read as "/"); fails with the file and
// the reason.
Status DeleteLogfile(const std::string& name);

}  // namespace tlw
