#include "cli/site_listing.h"

#include <ctime>
#include <nlohmann/json.hpp>
#include <string_view>
#include <variant>

#include "net/ftp_client.h"
#include "settings/field_access.h"

namespace tlw::cli {
namespace {

// Where a remote file is, as the user would type it; never the login.
std::string FtpAddress(const std::string& server, const std::string& path) {
  FtpServer address;
  address.server = server;
  return ServerAddress(address, path);
}

std::string ScheduleText(const CSiteProfile& profile) {
  if (profile.GetScheduled() == 0) return "no";
  const std::time_t start = static_cast<std::time_t>(profile.GetScheduleStartTime());
  std::tm local{};
  char clock[16] = "??:??";
  if (::localtime_r(&start, &local) != nullptr) {
    std::strftime(clock, sizeof clock, "%H:%M", &local);
  }
  return profile.GetScheduleInterval() + " at " + clock;
}

nlohmann::ordered_json ToJson(const FieldValue& value) {
  return std::visit([](const auto& v) { return nlohmann::ordered_json(v); }, value);
}

// The login passwords (logFtpPassword, uploadFtpPassword) are listed only
// as set or not: a listing ends up in terminals, logs and scripts' files.
bool IsPassword(std::string_view name) { return name.ends_with("Password"); }

template <typename Object, typename Getter>
nlohmann::ordered_json SavedFields(const Object& object, Getter get) {
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  for (const FieldInfo& field : Object::Fields()) {
    if (!field.saved) continue;
    Result<FieldValue> value = get(object, field.name);
    if (!value.ok()) continue;
    if (IsPassword(field.name)) {
      const auto* text = std::get_if<std::string>(&*value);
      fields[field.name] = text != nullptr && text->empty() ? "" : "(hidden)";
    } else {
      fields[field.name] = ToJson(*value);
    }
  }
  return fields;
}

}  // namespace

std::string PrintableText(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

std::string SiteLine(std::size_t row, const CSiteProfile& profile) {
  const std::string logfile = profile.GetRemoteLogfile() != 0
                                  ? FtpAddress(profile.GetLogFtpServer(), profile.GetLogfilePath())
                                  : profile.GetLogfilePath();
  const std::string report = profile.GetUploadReport() != 0
                                 ? FtpAddress(profile.GetUploadFtpServer(), profile.GetReportPath())
                                 : profile.GetReportPath();
  return std::to_string(row) + '\t' + PrintableText(profile.GetHomepageUrl()) + '\t' +
         PrintableText(logfile) + '\t' + PrintableText(report) + '\t' +
         PrintableText(ScheduleText(profile)) + '\t' + PrintableText(profile.GetLastGenerated());
}

std::string SettingsJson(const CSettings& settings, const SiteProfiles& profiles) {
  nlohmann::ordered_json root;
  root["settings"] = SavedFields(settings, GetSettingsField);
  nlohmann::ordered_json sites = nlohmann::ordered_json::array();
  for (const auto& profile : profiles) sites.push_back(SavedFields(*profile, GetProfileField));
  root["sites"] = std::move(sites);
  return root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tlw::cli
