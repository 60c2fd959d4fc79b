#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"
#include "cli/site_listing.h"
#include "settings/field_access.h"

namespace tlw::cli {
namespace {

class OptionsCommand : public Command {
 public:
  explicit OptionsCommand(CLI::App& app)
      : Command(app.add_subcommand("options",
                                   "Change the program settings and save; without FIELD=VALUE, "
                                   "print them")) {
    Subcommand()->add_option("assignments", assignments_, "Fields to set, as FIELD=VALUE");
    Subcommand()->footer(FieldNamesHelp(CSettings::Fields()));
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    CSettings& settings = session->Settings();
    if (assignments_.empty()) {
      PrintSavedFields(settings, context);
      return Status::Ok();
    }
    if (Status status = ApplySettingsAssignments(settings, assignments_); !status.ok()) {
      return status;
    }
    if (Status status = session->Save(); !status.ok()) return status;
    context.out << "changed the program settings\n";
    return Status::Ok();
  }

 private:
  static void PrintSavedFields(const CSettings& settings, const CliContext& context) {
    for (const FieldInfo& field : CSettings::Fields()) {
      if (!field.saved) continue;
      Result<FieldValue> value = GetSettingsField(settings, field.name);
      if (value.ok()) {
        context.out << field.name << '=' << PrintableText(FieldValueText(*value)) << '\n';
      }
    }
  }

  std::vector<std::string> assignments_;
};

}  // namespace

std::unique_ptr<Command> AddOptionsCommand(CLI::App& app) {
  return std::make_unique<OptionsCommand>(app);
}

}  // namespace tlw::cli
