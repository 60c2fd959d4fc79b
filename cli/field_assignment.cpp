#include "cli/field_assignment.h"

#include <algorithm>
#include <charconv>

#include "settings/field_access.h"
#include "settings/schedule_choices.h"

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

// The scheduler fires only on the nine schedule texts; refuse any other so
// that a typing error does not silently switch a schedule off.
Status CheckScheduleInterval(std::string_view value) {
  if (std::find(kScheduleIntervals.begin(), kScheduleIntervals.end(), value) !=
      kScheduleIntervals.end()) {
    return Status::Ok();
  }
  std::string choices;
  for (std::string_view choice : kScheduleIntervals) {
    choices += (choices.empty() ? "'" : ", '") + std::string(choice) + "'";
  }
  return Status::Error("bad value '" + std::string(value) +
                       "' for scheduleInterval: expected one of " + choices);
}

}  // namespace

Status ApplyProfileAssignments(CSiteProfile& profile, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    Result<Assignment> assignment = SplitAssignment(argument);
    if (!assignment.ok()) return assignment.status();
    const FieldInfo* field = FindProfileField(assignment->field);
    if (field != nullptr && !field->saved) return NotSaved(assignment->field);
    if (field != nullptr && assignment->field == "scheduleInterval") {
      if (Status status = CheckScheduleInterval(assignment->value); !status.ok()) return status;
    }
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
    if (field != nullptr && !field->saved) return NotSaved(assignment->field);
    Status status = SetSettingsFieldFromText(settings, assignment->field, assignment->value);
    if (!status.ok()) return status;
  }
  return Status::Ok();
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
