#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw::cli {

// Applies "FIELD=VALUE" arguments to a profile, in order. Only saved fields
// can be set (anything else would be lost when the command ends). Fails at
// the first argument without "=", unknown or unsaved field, or bad value;
// the message names it.
Status ApplyProfileAssignments(CSiteProfile& profile, const std::vector<std::string>& arguments);
// The same for the program settings.
Status ApplySettingsAssignments(CSettings& settings, const std::vector<std::string>& arguments);

// The row number `text` names in a list of `rowCount` sites; fails for
// anything but a whole number from 0 to rowCount - 1.
Result<std::size_t> ParseRow(std::string_view text, std::size_t rowCount);

}  // namespace tlw::cli
