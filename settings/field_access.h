#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "settings/field_kind.h"
#include "settings/field_value.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw {

// Field access by name, for front ends that take field names from users
// (the command line) or print every field (JSON). Names are those of the
// field tables of CSiteProfile and CSettings.

// The description of a field, or null when there is no field of that name.
const FieldInfo* FindProfileField(std::string_view name);
const FieldInfo* FindSettingsField(std::string_view name);

// The value of a field; fails for an unknown name.
Result<FieldValue> GetProfileField(const CSiteProfile& profile, std::string_view name);
Result<FieldValue> GetSettingsField(const CSettings& settings, std::string_view name);

// Sets a field from its text form (see ParseFieldValue; a saved time must
// fit the settings file). Fails, changing nothing, for an unknown name or a
// bad value; the message names the field.
Status SetProfileFieldFromText(CSiteProfile& profile, std::string_view name, std::string_view text);
Status SetSettingsFieldFromText(CSettings& settings, std::string_view name, std::string_view text);

}  // namespace tlw
