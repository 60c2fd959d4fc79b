#include <CLI/CLI.hpp>

#include <algorithm>
#include <ctime>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"
#include "cli/site_runs.h"
#include "cli/statistics_json.h"
#include "engine/run_texts.h"

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
        "(stats.json: stats.0.json, stats.1.json ...)");
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

    std::vector<SiteJob> jobs;
    for (std::size_t row : *rows) {
      SiteJob job{row, profiles[row], {}};
      if (!json_.empty()) job.jsonPath = RowJsonPath(json_, row);
      jobs.push_back(std::move(job));
    }
    std::vector<SiteOutcome> outcomes;
    {
      ProgramSettingsScope scope(session->Settings());
      CDNSCache cache;
      outcomes = RunSites(context, jobs, cache);
    }
    // As the site list does when a run reports that it finished.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      if (outcomes[i].result.Finished()) {
        const std::int64_t finished =
            outcomes[i].finishTime != 0 ? outcomes[i].finishTime : std::time(nullptr);
        jobs[i].profile->SetLastGenerated(FinishTimeText(finished));
      }
    }
    if (Status saved = session->Save(); !saved.ok()) return saved;
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

  std::vector<std::string> rows_;
  bool all_ = false;
  std::string json_;
};

}  // namespace

std::unique_ptr<Command> AddRunCommand(CLI::App& app) { return std::make_unique<RunCommand>(app); }

}  // namespace tlw::cli
