#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "settings/field_kind.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw::cli {

// Applies "FIELD=VALUE" arguments to a profile, in order. Only saved fields
// can be set (anything else would be lost when the command ends), and values
// that would quietly spoil a report or a schedule are refused: a theme or
// schedule choice not in its list, a top count below 1, a section order
// without a known section. Fails at the first argument without "=", unknown
// or unsaved field, or bad value; the message names it, and an unknown
// field's message suggests the nearest field name.
Status ApplyProfileAssignments(CSiteProfile& profile, const std::vector<std::string>& arguments);
// The same for the program settings.
Status ApplySettingsAssignments(CSettings& settings, const std::vector<std::string>& arguments);

// The names of the saved fields among `fields`, for a command's help.
std::string FieldNamesHelp(std::span<const FieldInfo> fields);

// The row number `text` names in a list of `rowCount` sites; fails for
// anything but a whole number from 0 to rowCount - 1.
Result<std::size_t> ParseRow(std::string_view text, std::size_t rowCount);

}  // namespace tlw::cli
