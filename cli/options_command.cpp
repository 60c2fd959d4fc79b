#include <CLI/CLI.hpp>

#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"
#include "cli/site_listing.h"
#include "mail/smtp.h"
#include "settings/extension_settings.h"
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
    std::string footer = FieldNamesHelp(CSettings::Fields()) + "\nor an extension setting:";
    for (const ExtensionKey& key : ExtensionKeys()) footer += " " + std::string(key.name);
    Subcommand()->footer(footer +
                         "\n  geoipCountries=0|1  count numeric hosts under their country "
                         "(GeoIP)\n  geoipDatabase=FILE  a MaxMind or DB-IP .mmdb country "
                         "database; empty for Debian's");
    // A value that could never be used is a mistake on the command line:
    // refused before anything is read or saved.
    Subcommand()->parse_complete_callback([this] {
      for (const std::string& assignment : assignments_) {
        constexpr std::string_view kSmtpServer = "smtpServer=";
        if (!assignment.starts_with(kSmtpServer)) continue;
        const Status usable = CheckSmtpServer(assignment.substr(kSmtpServer.size()));
        if (!usable.ok()) throw CLI::ValidationError("smtpServer", usable.message());
      }
    });
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    CSettings& settings = session->Settings();
    if (assignments_.empty()) {
      PrintSavedFields(settings, context);
      for (const ExtensionKey& key : ExtensionKeys()) {
        context.out << key.name << '=' << PrintableText(key.get(session->Extensions())) << '\n';
      }
      return Status::Ok();
    }
    // Extension settings live in a file of their own, written only when
    // one of them is set.
    std::vector<std::string> fields;
    ExtensionSettings extensions = session->Extensions();
    bool extensionsChanged = false;
    for (const std::string& assignment : assignments_) {
      const std::size_t equals = assignment.find('=');
      const ExtensionKey* key =
          equals == std::string::npos ? nullptr : FindExtensionKey(assignment.substr(0, equals));
      if (key == nullptr) {
        fields.push_back(assignment);
        continue;
      }
      std::string value = assignment.substr(equals + 1);
      // Runs started by cron work in another folder: a file is kept absolute.
      if ((key->name == "geoipDatabase" || key->name == "smtpPasswordFile" ||
           key->name == "sshKeyFile") &&
          !value.empty()) {
        std::error_code error;
        value = std::filesystem::absolute(value, error).string();
      }
      if (Status set = key->set(extensions, value); !set.ok()) {
        return Status::Error(std::string(key->name) + ": " + set.message());
      }
      extensionsChanged = true;
    }
    if (Status status = ApplySettingsAssignments(settings, fields); !status.ok()) {
      return status;
    }
    if (extensionsChanged) {
      session->Extensions() = extensions;
      if (Status status = session->SaveExtensions(); !status.ok()) return status;
    }
    if (!fields.empty()) {
      if (Status status = session->Save(); !status.ok()) return status;
    }
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
