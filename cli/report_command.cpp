#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/user_folders.h"
#include "cli/commands.h"
#include "cli/run_console.h"
#include "cli/site_runs.h"
#include "cli/statistics_json.h"
#include "frontend/site_session.h"
#include "report/theme.h"
#include "settings/extension_settings.h"
#include "settings/field_value.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw::cli {
namespace {

namespace fs = std::filesystem;

class ReportCommand : public Command {
 public:
  explicit ReportCommand(CLI::App& app)
      : Command(app.add_subcommand("report",
                                   "Generate a report from logfiles with a site of default "
                                   "settings, saved nowhere")) {
    CLI::App* sub = Subcommand();
    sub->add_option("logfiles", logfiles_,
                    "Logfiles, read in this order (wildcards and date codes allowed in one); "
                    "\"-\" alone reads the log from standard input, plain or gzip")
        ->required();
    sub->add_option("-o,--output", output_, "Path of the HTML report (default: ./stats.html)");
    sub->add_option("--theme", theme_, "Report theme")
        ->check(CLI::IsMember(std::vector<std::string>(kThemeNames.begin(), kThemeNames.end())));
    sub->add_flag("--no-graphs", noGraphs_, "Leave out the bar graphs");
    CLI::Option* from =
        sub->add_option("--from", from_, "First day to count (YYYY-MM-DD, local time)");
    CLI::Option* to = sub->add_option("--to", to_, "Last day to count (YYYY-MM-DD, local time)");
    from->needs(to);
    to->needs(from);
    sub->add_flag("--resolve", resolve_, "Turn IP addresses into host names (slower)");
    sub->add_option("--site", site_, "The site's homepage URL, shown in the report");
    sub->add_option("--json", json_,
                    "Also write the statistics as JSON to FILE (\"-\": to standard output, "
                    "and the \"Report:\" line goes to standard error)");
    sub->add_option("--modern", modern_,
                    "Also write the modern view of the report (people and robots apart, for "
                    "phones and dark themes) to this file");
    sub->add_option("--user", user_, "User name for ftp://, ftps:// and sftp:// logfiles");
    sub->add_option("--password-file", passwordFile_,
                    "File whose first line is the password for remote logfiles");
    sub->add_flag("--passive", passive_, "Passive FTP (for servers behind firewalls)");
    sub->add_option("--key", keyFile_,
                    "SSH private key for sftp:// logfiles, offered before those of ~/.ssh");
    CLI::Option* geoip = sub->add_option(
        "--geoip", geoipDatabase_,
        "Countries of numeric hosts from this MaxMind or DB-IP .mmdb database instead of "
        "Debian's GeoIP database");
    sub->add_flag("--no-geoip", noGeoip_, "Count numeric hosts under no country")->excludes(geoip);
  }

  Status Run(const CliContext& context) override {
    Result<std::shared_ptr<CSiteProfile>> profile = Profile();
    if (!profile.ok()) return profile.status();
    // Default program settings, in the current folder.
    CSettings settings;
    settings.SetResolveHostnames(resolve_ ? 1 : 0);
    settings.SetPassiveFtp(passive_ ? 1 : 0);

    // Reports of this command share folders with each other and with no
    // saved site, so their graphs are named after the report file.
    const std::vector<SiteJob> jobs{{.row = 0,
                                     .profile = *profile,
                                     .jsonPath = json_,
                                     .graphsNamedAfterReport = true,
                                     .standardInput = logfiles_.front() == "-",
                                     .modernViewPath = ModernViewPath()}};
    std::vector<SiteOutcome> outcomes;
    {
      CDNSCache cache;
      ExtensionSettings extensions;
      extensions.geoipCountries = !noGeoip_;
      // A report of this command has a modern view only when it is asked for.
      extensions.modernView = false;
      std::error_code error;
      if (!geoipDatabase_.empty()) {
        extensions.geoipDatabase = fs::absolute(geoipDatabase_, error).string();
      }
      if (!keyFile_.empty()) extensions.sshKeyFile = fs::absolute(keyFile_, error).string();
      outcomes = RunSites(context, jobs,
                          RunSettingsFor(settings, extensions, UserFoldersOfProcess()), cache);
    }
    if (outcomes[0].result.Finished() && !context.quiet) {
      // Standard output holds nothing but the statistics when they go there.
      std::ostream& stream = json_ == kStandardOutputName ? context.err : context.out;
      stream << "Report: " << ConsoleText((*profile)->GetFinalReportFileName()) << '\n';
    }
    return SummarizeRuns(jobs, outcomes);
  }

 private:
  // Remote logfiles given as URLs become the profile's logfile server and
  // paths; all of them must name one server. The password comes from a
  // file, so that it shows in no process list or shell history.
  Status TakeRemoteLogfiles(CSiteProfile& profile, std::vector<std::string>& names) const {
    std::string server;
    for (std::string& name : names) {
      const std::size_t scheme = name.find("://");
      const std::string kind = scheme == std::string::npos ? "" : name.substr(0, scheme);
      if (kind != "ftp" && kind != "ftps" && kind != "sftp") {
        if (server.empty()) continue;
        return Status::Error(name + ": local and remote logfiles cannot be mixed");
      }
      const std::size_t slash = name.find('/', scheme + 3);
      if (slash == std::string::npos || slash + 1 == name.size()) {
        return Status::Error(name + ": the address names no file");
      }
      const std::string host = name.substr(scheme + 3, slash - scheme - 3);
      if (host.find('@') != std::string::npos) {
        return Status::Error(name +
                             ": give the user with --user and the password with "
                             "--password-file, not in the address");
      }
      const std::string thisServer = kind == "ftp" ? host : kind + "://" + host;
      if (!server.empty() && thisServer != server) {
        return Status::Error(name + ": all remote logfiles must be on one server");
      }
      if (server.empty() && &name != &names.front()) {
        return Status::Error(name + ": local and remote logfiles cannot be mixed");
      }
      server = thisServer;
      name = name.substr(slash + 1);  // relative to the login folder; "//x" is absolute
    }
    if (server.empty()) return Status::Ok();
    std::string password;
    if (!passwordFile_.empty()) {
      std::ifstream in(passwordFile_);
      if (!in) return Status::Error("Cannot read the password file " + passwordFile_);
      std::getline(in, password);
      if (!password.empty() && password.back() == '\r') password.pop_back();
    }
    profile.SetRemoteLogfile(1);
    profile.SetLogFtpServer(server);
    profile.SetLogFtpUser(user_.empty() ? "anonymous" : user_);
    profile.SetLogFtpPassword(password);
    return Status::Ok();
  }

  std::filesystem::path ModernViewPath() const {
    std::error_code error;
    return modern_.empty() ? std::filesystem::path() : fs::absolute(modern_, error);
  }

  // A new profile with these options; several logfiles become a file list.
  Result<std::shared_ptr<CSiteProfile>> Profile() const {
    auto profile = std::make_shared<CSiteProfile>();
    std::vector<std::string> names = logfiles_;
    // Standard input is read once and alone: in a list "-" would be a file.
    if (names.size() > 1 && std::find(names.begin(), names.end(), "-") != names.end()) {
      return Status::Error("-: standard input is read alone, not with other logfiles");
    }
    if (Status remote = TakeRemoteLogfiles(*profile, names); !remote.ok()) return remote;
    std::string logfiles = names.front();
    if (names.size() > 1) {
      logfiles.clear();
      for (const std::string& name : names) logfiles += name + "|";
    }
    profile->SetLogfilePath(logfiles);
    std::error_code error;
    profile->SetReportPath(fs::absolute(output_, error).string());
    if (!theme_.empty()) profile->SetThemeName(theme_);
    profile->SetIncludeGraphs(noGraphs_ ? 0 : 1);
    profile->SetHomepageUrl(site_);
    if (!from_.empty()) {
      Result<std::int64_t> from = ParseLocalDateTime(from_);
      if (!from.ok()) return Status::Error("--from: " + from.message());
      Result<std::int64_t> to = ParseLocalDateTime(to_);
      if (!to.ok()) return Status::Error("--to: " + to.message());
      if (*to < *from) return Status::Error("--to " + to_ + " lies before --from " + from_);
      profile->SetProcessEntireLog(0);
      profile->SetReportFrom(*from);
      profile->SetReportTo(*to);
    }
    return profile;
  }

  std::vector<std::string> logfiles_;
  std::string output_ = "stats.html";
  std::string theme_;
  bool noGraphs_ = false;
  std::string from_;
  std::string to_;
  bool resolve_ = false;
  std::string site_;
  std::string json_;
  std::string modern_;
  std::string user_;
  std::string passwordFile_;
  std::string keyFile_;
  bool passive_ = false;
  std::string geoipDatabase_;
  bool noGeoip_ = false;
};

}  // namespace

std::unique_ptr<Command> AddReportCommand(CLI::App& app) {
  return std::make_unique<ReportCommand>(app);
}

}  // namespace tlw::cli
