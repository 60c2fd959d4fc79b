#pragma once

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/result.h"
#include "base/user_folders.h"
#include "engine/dns_cache.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_merge.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tlw::ui {

class SiteDialogs;
class RowRunHost;

// Columns of the site list, in display order.
enum SiteColumn { kColumnSite, kColumnStatus, kColumnTimeTaken, kColumnLogSize, kColumnScheduled };
inline constexpr int kSiteColumnCount = 5;

// Row icons, in image-list order. Column 0 of a row also keeps its icon's
// number under kIconRole.
enum RowIcon { kIconIdle, kIconReading, kIconPublishing };
inline constexpr int kIconRole = Qt::UserRole;

// How a start goes on once the settings file was read.
enum class StartOutcome {
  kGoOn,
  // The settings file is damaged and the user chose to keep it unchanged
  // rather than save the sites read over it: the program ends at once.
  kQuitKeepingTheFile,
};

// The site list window: one row per site profile. It owns the program
// settings, the profiles and the host name cache, loads and saves the
// settings file, starts runs on worker threads and shows their progress.
// Runs report through queued calls and are found again by their profile,
// never by the row they started in, so deleting or moving rows cannot send
// one site's progress to another.
class CTallowickView : public QWidget {
  Q_OBJECT

 public:
  explicit CTallowickView(SiteDialogs& dialogs, QWidget* parent = nullptr);
  // Stops the runs still active and waits for them: they use the host name
  // cache that goes with the window.
  ~CTallowickView() override;

  // Reads the settings file of `programDirectory` (a first start creates it
  // with the sample site, reporting into `homeFolder`), shows a row per site
  // and starts the scheduler. A damaged file is saved over only once the
  // user agrees (else kQuitKeepingTheFile, showing no rows). Fails, saying
  // why, when the file exists but cannot be read; the program then ends.
  Result<StartOutcome> Initialise(const std::filesystem::path& programDirectory,
                                  const std::string& homeFolder);

  // Writes the settings file under its lock; says "Error saving settings!"
  // and why when it cannot. Every save of the window goes through here.
  bool SaveSiteList();

  // Starts the site in `row` unless it is running (no row: a message).
  void StartRow(int row);

  // One tick of the scheduler at local time `now` (seconds since the epoch).
  void OnScheduleTick(std::int64_t now);

  QTreeWidget* List() const { return list_; }
  const SiteProfiles& Profiles() const { return profiles_; }
  CSettings& Settings() { return settings_; }
  const ExtensionSettings& Extensions() const { return extensions_; }
  // Whether any worker thread has not been waited for yet.
  bool HasActiveRuns() const { return !runs_.empty(); }

  // Shows stage `stage` of the run of `profile` in its row: status text,
  // icon, and for the end of a run its running flag, log size, time taken
  // and finish time. A profile no longer in the list changes no row.
  void ShowStage(CSiteProfile& profile, int stage);

  // The icon that `stage` gives its row; -1 leaves the row's icon.
  static int StageIcon(int stage);

 public slots:
  void NewSite();
  void DeleteSite();
  void EditSite();
  void GenerateSite();
  void GenerateAll();
  void StopSite();
  void Options();

 signals:
  // A right click on the list, at `globalPos`.
  void popupMenuRequested(const QPoint& globalPos);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class RowRunHost;
  struct ActiveRun {
    std::uint64_t id = 0;
    std::shared_ptr<CSiteProfile> profile;
    std::unique_ptr<RowRunHost> host;
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<bool> stopped{false};  // by the user or by deleting its site
  };

  // Called on the window's thread through queued calls from a run.
  void OnRunProgress(std::uint64_t runId, int stage);
  void OnRunMessage(const QString& text, const QString& caption);
  void OnRunOpen(const QString& fileOrUrl);
  void OnRunEnded(std::uint64_t runId);

  bool ShouldStartScheduled(const CSiteProfile& profile, std::int64_t now) const;
  bool RanThisSession(const CSiteProfile& profile) const;
  void ShowMergedList(const SiteProfiles& before, const SettingsMergeReport& merged);
  ActiveRun* FindRun(std::uint64_t runId);
  ActiveRun* RunOf(const CSiteProfile* profile);
  int RowOf(const CSiteProfile* profile) const;
  int FirstSelectedRow() const;
  void ShowRow(int row, bool withStatus);
  void SetRowIcon(int row, int icon);
  void SetCell(int row, int column, const QString& text);
  void WidenToFit(int column, int textWidth);
  RunSettings RunSettingsSnapshot() const;
  void SaveExtensions(const ExtensionSettings& values);
  bool AskToSaveOverDamage(const std::string& damage);

  SiteDialogs& dialogs_;
  QTreeWidget* list_ = nullptr;
  QTimer scheduleTimer_;
  CSettings settings_;
  // What runs read of the extension settings file; written by Options().
  ExtensionSettings extensions_;
  SiteProfiles profiles_;  // element i is row i
  // The settings and sites as last loaded or saved: the base on which a
  // save merges what other programs (cron's tallowick-cli) saved meanwhile.
  SettingsBase savedBase_;
  // Sites that finished a run since the program started; until then the
  // daily and monthly schedules take them as never run.
  std::vector<std::weak_ptr<const CSiteProfile>> ranThisSession_;
  CDNSCache dnsCache_;
  UserFolders userFolders_;
  std::vector<std::unique_ptr<ActiveRun>> runs_;
  std::uint64_t nextRunId_ = 1;
  // A damaged settings file that could not be copied aside is not saved
  // over: the sites after the damage would be lost.
  bool saveRefused_ = false;
};

}  // namespace tlw::ui
