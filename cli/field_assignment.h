#pragma once

#include <cstddef>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "settings/field_kind.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace CLI {
class App;
}  // namespace CLI

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

// Passwords given outside the command line, where other users of the
// machine would see them (ps): "--password-file FIELD=FILE" (the file's
// first line) and "--password-stdin FIELD" (the first line of standard
// input), FIELD a password field of the profile.
struct PasswordOptions {
  std::vector<std::string> files;
  std::string stdinField;
  bool empty() const { return files.empty() && stdinField.empty(); }
};
void AddPasswordOptions(CLI::App& command, PasswordOptions& options);

// The "FIELD=VALUE" arguments that `options` stand for, read from their
// files and `input`. Fails, naming the field or the file, for a field that
// holds no password, a file that cannot be read, or an empty input.
Result<std::vector<std::string>> PasswordAssignments(const PasswordOptions& options,
                                                     std::istream& input);

// The names of the saved fields among `fields`, for a command's help.
std::string FieldNamesHelp(std::span<const FieldInfo> fields);

// The row number `text` names in a list of `rowCount` sites; fails for
// anything but a whole number from 0 to rowCount - 1.
Result<std::size_t> ParseRow(std::string_view text, std::size_t rowCount);

}  // namespace tlw::cli
