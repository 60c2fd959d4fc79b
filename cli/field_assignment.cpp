#include "cli/field_assignment.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <fstream>
#include <variant>

#include "report/section_catalog.h"
#include "report/theme.h"
#include "settings/field_access.h"
#include "settings/schedule_choices.h"
#include "stats/log_numbers.h"

namespace tlw::cli {
namespace {

struct Assignment {
  std::string_view field;
  std::string_view value;
};

Result<Assignment> SplitAssignment(std::string_view argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string_view::npos || equals == 0) {
    return Status::Error("expected FIELD=VALUE, got '" + std::string(argument) + "'");
  }
  return Assignment{argument.substr(0, equals), argument.substr(equals + 1)};
}

Status NotSaved(std::string_view field) {
  return Status::Error("field '" + std::string(field) +
                       "' is not kept in the settings file and cannot be set");
}

// Edits (insert, delete, replace) between two names, letter case ignored.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t replaced = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
    }
  }
  return row[b.size()];
}

// "unknown field", with the saved field nearest to the name when it is near
// enough to be a slip of the keyboard.
Status UnknownField(std::string_view name, std::span<const FieldInfo> fields) {
  std::string message = "unknown field '" + std::string(name) + "'";
  const FieldInfo* nearest = nullptr;
  std::size_t best = std::max<std::size_t>(2, name.size() / 3) + 1;
  for (const FieldInfo& field : fields) {
    if (!field.saved) continue;
    const std::size_t distance = EditDistance(name, field.name);
    if (distance < best) {
      best = distance;
      nearest = &field;
    }
  }
  if (nearest != nullptr) message += " (did you mean '" + std::string(nearest->name) + "'?)";
  return Status::Error(message + "; --help lists the fields");
}

std::string Choices(std::span<const std::string_view> choices) {
  std::string text;
  for (std::string_view choice : choices) {
    text += (text.empty() ? "'" : ", '") + std::string(choice) + "'";
  }
  return text;
}

Status BadValue(std::string_view field, std::string_view value, const std::string& expected) {
  return Status::Error("bad value '" + std::string(value) + "' for " + std::string(field) +
                       ": expected " + expected);
}

bool IsChoice(std::span<const std::string_view> choices, std::string_view value) {
  return std::find(choices.begin(), choices.end(), value) != choices.end();
}

// Whether the report finds at least one section in an order text. It reads
// the text as the report does: each identifier ends with "|", text after the
// last "|" is ignored, and the identifiers it knows are the catalog's.
bool NamesAKnownSection(std::string_view order) {
  while (order.size() > 1) {
    const std::size_t bar = order.find('|');
    if (bar == std::string_view::npos) break;
    const std::int64_t id = ReadLogNumber(order.substr(0, bar));
    order.remove_prefix(bar + 1);
    if (!ListedSections(id).empty()) return true;
  }
  return false;
}

// Values the field's kind allows but that would spoil the report or the
// schedule without a word: the scheduler fires only on its nine texts, an
// unknown theme falls back to Blue, a top count below 1 empties its section,
// and a section order without a known section leaves only the summary.
Status CheckProfileValue(std::string_view field, const FieldValue& value) {
  if (const auto* text = std::get_if<FieldText>(&value)) {
    if (field == "scheduleInterval" && !IsChoice(kScheduleIntervals, *text)) {
      return BadValue(field, *text, "one of " + Choices(kScheduleIntervals));
    }
    if (field == "themeName" && !IsChoice(kThemeNames, *text)) {
      return BadValue(field, *text, "one of the themes " + Choices(kThemeNames));
    }
    if (field == "sectionOrder" && !NamesAKnownSection(*text)) {
      return BadValue(field, *text,
                      "section numbers from 1 to " + std::to_string(HighestSectionId()) +
                          ", each followed by '|' (as in 3|1|2|)");
    }
  }
  const auto* number = std::get_if<std::int64_t>(&value);
  if (number != nullptr && field.substr(0, 3) == "top" && *number < 1) {
    return BadValue(field, std::to_string(*number), "a number of rows of 1 or more");
  }
  return Status::Ok();
}

}  // namespace

Status ApplyProfileAssignments(CSiteProfile& profile, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    Result<Assignment> assignment = SplitAssignment(argument);
    if (!assignment.ok()) return assignment.status();
    const FieldInfo* field = FindProfileField(assignment->field);
    if (field == nullptr) return UnknownField(assignment->field, CSiteProfile::Fields());
    if (!field->saved) return NotSaved(assignment->field);
    Result<FieldValue> value = ParseFieldValue(field->kind, assignment->value, true, field->name);
    if (!value.ok()) return value.status();
    if (Status status = CheckProfileValue(field->name, *value); !status.ok()) return status;
    Status status = SetProfileFieldFromText(profile, assignment->field, assignment->value);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status ApplySettingsAssignments(CSettings& settings, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    Result<Assignment> assignment = SplitAssignment(argument);
    if (!assignment.ok()) return assignment.status();
    const FieldInfo* field = FindSettingsField(assignment->field);
    if (field == nullptr) return UnknownField(assignment->field, CSettings::Fields());
    if (!field->saved) return NotSaved(assignment->field);
    Status status = SetSettingsFieldFromText(settings, assignment->field, assignment->value);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

std::string FieldNamesHelp(std::span<const FieldInfo> fields) {
  std::string help = "FIELD is one of:\n";
  std::string line = " ";
  for (const FieldInfo& field : fields) {
    if (!field.saved) continue;
    if (line.size() + 1 + std::string_view(field.name).size() > 78) {
      help += line + '\n';
      line = " ";
    }
    line += ' ';
    line += field.name;
  }
  return help + line;
}

void AddPasswordOptions(CLI::App& command, PasswordOptions& options) {
  command.add_option("--password-file", options.files,
                     "Set a password field from the first line of a file, as FIELD=FILE "
                     "(logFtpPassword, uploadFtpPassword); keeps it out of the process list");
  command.add_option("--password-stdin", options.stdinField,
                     "Set this password field from the first line of standard input");
}

namespace {

Status CheckPasswordField(std::string_view field, std::string_view option) {
  for (const FieldInfo& info : CSiteProfile::Fields()) {
    if (info.name == field && info.saved && field.ends_with("Password")) return Status::Ok();
  }
  return Status::Error(std::string(option) + ": '" + std::string(field) +
                       "' is not a password field (logFtpPassword, uploadFtpPassword)");
}

std::string WithoutLineEnd(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

Result<std::vector<std::string>> PasswordAssignments(const PasswordOptions& options,
                                                     std::istream& input) {
  std::vector<std::string> assignments;
  for (const std::string& argument : options.files) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos) {
      return Status::Error("--password-file: expected FIELD=FILE, got '" + argument + "'");
    }
    const std::string field = argument.substr(0, equals);
    const std::string file = argument.substr(equals + 1);
    if (Status checked = CheckPasswordField(field, "--password-file"); !checked.ok()) {
      return checked;
    }
    std::ifstream in(file, std::ios::binary);
    std::string password;
    if (!in || (!std::getline(in, password) && !in.eof())) {
      return Status::Error("--password-file: cannot read the password file " + file);
    }
    assignments.push_back(field + "=" + WithoutLineEnd(password));
  }
  if (!options.stdinField.empty()) {
    if (Status checked = CheckPasswordField(options.stdinField, "--password-stdin");
        !checked.ok()) {
      return checked;
    }
    std::string password;
    if (!std::getline(input, password)) {
      return Status::Error("--password-stdin: standard input holds no line for " +
                           options.stdinField);
    }
    assignments.push_back(options.stdinField + "=" + WithoutLineEnd(password));
  }
  return assignments;
}

Result<std::size_t> ParseRow(std::string_view text, std::size_t rowCount) {
  long long row = -1;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, row);
  if (error != std::errc() || stop != end) {
    return Status::Error("bad row '" + std::string(text) + "': expected a row number");
  }
  if (row < 0 || static_cast<unsigned long long>(row) >= rowCount) {
    const std::string range =
        rowCount == 0 ? "there are no sites" : "rows are 0 to " + std::to_string(rowCount - 1);
    return Status::Error("row " + std::string(text) + " is out of range: " + range);
  }
  return static_cast<std::size_t>(row);
}

}  // namespace tlw::cli
