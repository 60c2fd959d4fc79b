#include <CLI/CLI.hpp>

#include <algorithm>
#include <ctime>

#include "base/device_file.h"
#include "base/user_folders.h"
#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"
#include "cli/site_runs.h"
#include "cli/statistics_json.h"
#include "engine/run_texts.h"
#include "frontend/site_session.h"
#include "settings/settings.h"

namespace tlw::cli {
namespace {

class RunCommand : public Command {
 public:
  explicit RunCommand(CLI::App& app)
      : Command(app.add_subcommand("run",
                                   "Generate the reports of sites of the settings file, each "
                                   "on its own thread, and save their last-generated times")) {
    CLI::Option* rows = Subcommand()->add_option("rows", rows_, "Rows of the sites to run");
    CLI::Option* all = Subcommand()->add_flag("--all", all_, "Run every site");
    rows->excludes(all);
    Subcommand()->add_option(
        "--json", json_,
        "Also write each site's statistics as JSON to FILE with the row before its extension "
        "(stats.json: stats.0.json, stats.1.json ...); \"-\" writes them to standard output, "
        "one whole document per site in the order the sites finish counting");
    Subcommand()->add_flag("--full", full_,
                           "Read every logfile in full and count afresh, not on from the "
                           "counting state the last run left");
    Subcommand()->parse_complete_callback([this] {
      if (rows_.empty() && !all_)
        throw CLI::ValidationError("run", "name the rows to run, or --all");
    });
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    SiteProfiles& profiles = session->Profiles();
    Result<std::vector<std::size_t>> rows = ChosenRows(profiles.size());
    if (!rows.ok()) return rows.status();
    // The sites read before a damage are what the runs work on: the file
    // says so from now on, so that the results find them again.
    if (session->Salvaged()) {
      if (Status saved = session->Save(); !saved.ok()) return saved;
    }

    std::vector<SiteJob> jobs;
    std::vector<FieldSize> sizesBefore;
    for (std::size_t row : *rows) {
      SiteJob job;
      job.row = row;
      job.profile = profiles[row];
      job.incremental = true;
      job.startAfresh = full_;
      // Standard output or a device (/dev/null, a pipe) takes every site's
      // statistics as they are.
      if (!json_.empty()) {
        job.jsonPath = json_ == kStandardOutputName || IsDeviceFile(json_)
                           ? std::filesystem::path(json_)
                           : RowJsonPath(json_, row);
      }
      jobs.push_back(std::move(job));
      sizesBefore.push_back(profiles[row]->GetLastLogfileSize());
    }
    // Runs may take hours: other commands change the file meanwhile.
    session->Unlock();
    std::vector<SiteOutcome> outcomes;
    const std::int64_t started = static_cast<std::int64_t>(std::time(nullptr));
    {
      CDNSCache cache;
      outcomes = RunSites(
          context, jobs,
          RunSettingsFor(session->Settings(), session->Extensions(), UserFoldersOfProcess()),
          cache);
    }
    RecordRuns(context, jobs, outcomes, started);
    if (Status saved = SaveRunResults(context, jobs, outcomes, sizesBefore); !saved.ok()) {
      return saved;
    }
    return SummarizeRuns(jobs, outcomes);
  }

 private:
  Result<std::vector<std::size_t>> ChosenRows(std::size_t rowCount) const {
    std::vector<std::size_t> rows;
    if (all_) {
      for (std::size_t row = 0; row < rowCount; ++row) rows.push_back(row);
      if (rows.empty()) return Status::Error("there are no sites to run");
      return rows;
    }
    for (const std::string& text : rows_) {
      Result<std::size_t> row = ParseRow(text, rowCount);
      if (!row.ok()) return row.status();
      // A site runs once at a time, however often it is named.
      if (std::find(rows.begin(), rows.end(), *row) == rows.end()) rows.push_back(*row);
    }
    return rows;
  }

  // Writes what the runs changed (the finish time of each site that
  // finished, as the site list does when a run reports that it finished, and
  // the logfile sizes) into the settings file as it is now. Each site is
  // found again by its configuration, since rows move when other commands
  // delete or add sites; a site deleted or moved elsewhere meanwhile is left
  // as it is, and every other change made meanwhile stays.
  static Status SaveRunResults(const CliContext& context, const std::vector<SiteJob>& jobs,
                               const std::vector<SiteOutcome>& outcomes,
                               const std::vector<FieldSize>& sizesBefore) {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    SiteProfiles& now = session->Profiles();
    std::vector<bool> taken(now.size(), false);
    bool changed = false;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const CSiteProfile& ran = *jobs[i].profile;
      std::size_t found = now.size();
      if (jobs[i].row < now.size() && !taken[jobs[i].row] && now[jobs[i].row]->IsSameSite(ran)) {
        found = jobs[i].row;
      }
      for (std::size_t row = 0; row < now.size() && found == now.size(); ++row) {
        if (!taken[row] && now[row]->IsSameSite(ran)) found = row;
      }
      if (found == now.size()) {
        context.err << "tallowick-cli: [" << jobs[i].row
                    << "] the site was changed or deleted during the run; its results are not "
                       "saved\n";
        continue;
      }
      taken[found] = true;
      CSiteProfile& site = *now[found];
      if (outcomes[i].result.Finished()) {
        const std::int64_t finished =
            outcomes[i].finishTime != 0 ? outcomes[i].finishTime : std::time(nullptr);
        site.SetLastGenerated(FinishTimeText(finished));
        changed = true;
      }
      if (ran.GetLastLogfileSize() != sizesBefore[i]) {
        site.SetLastLogfileSize(ran.GetLastLogfileSize());
        changed = true;
      }
    }
    return changed ? session->Save() : Status::Ok();
  }

  std::vector<std::string> rows_;
  bool all_ = false;
  bool full_ = false;
  std::string json_;
};

}  // namespace

std::unique_ptr<Command> AddRunCommand(CLI::App& app) { return std::make_unique<RunCommand>(app); }

}  // namespace tlw::cli
