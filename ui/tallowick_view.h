#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "base/user_folders.h"
#include "engine/dns_cache.h"
#include "frontend/last_report.h"
#include "frontend/run_attention.h"
#include "frontend/run_board.h"
#include "frontend/run_history.h"
#include "frontend/site_schedule.h"
#include "frontend/site_session.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tlw::ui {

class SiteDialogs;
class WindowRunEvents;

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

// The site list window: one row per site profile. It shows the sites of its
// session, the progress of the runs on its board and starts the sites the
// schedule finds due. Runs report through queued calls and are found again
// by their id, never by the row they started in, so deleting or moving rows
// cannot send one site's progress to another.
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
  // The save as the program ends: a failure is shown and waited for, and
  // the user chooses to save again or to quit without saving.
  void SaveBeforeQuitting();

  // Starts the site in `row` unless it is running (no row: a message);
  // `scheduled` for a start by the schedule.
  void StartRow(int row, bool scheduled = false);

  // One tick of the scheduler at local time `now` (seconds since the epoch).
  void OnScheduleTick(std::int64_t now);

  QTreeWidget* List() const { return list_; }
  const SiteProfiles& Profiles() const { return session_.Profiles(); }
  CSettings& Settings() { return session_.Settings(); }
  const ExtensionSettings& Extensions() const { return session_.Extensions(); }
  // Whether any run has not been collected yet.
  bool HasActiveRuns() const { return !board_.Empty(); }

  // Shows stage `stage` of the run of `profile` in its row: status text,
  // icon, and for the end of a run its running flag, log size, time taken
  // and finish time. A profile no longer in the list changes no row.
  void ShowStage(CSiteProfile& profile, int stage);

  // The icon that `stage` gives its row; -1 leaves the row's icon.
  static int StageIcon(int stage);

  // The last report of the first selected site; not found without a selection.
  LastReport SelectedReport() const;
  // The address of the first selected site and its last runs, oldest
  // first; no runs without a selection.
  std::vector<RunRecord> SelectedHistory(QString& site);
  // Where the runs of this program directory are recorded.
  std::filesystem::path HistoryFile() const;
  // How many runs have not been collected yet.
  int ActiveRunCount() const { return static_cast<int>(watched_.size()); }
  // Whether run news can go to desktop notifications (the frame has a tray).
  void SetTrayAvailable(bool available) { trayAvailable_ = available; }
  // Wide enough for every column, high enough for the header and three rows.
  QSize sizeHint() const override;

 public slots:
  void NewSite();
  void DeleteSite();
  void EditSite();
  void GenerateSite();
  void GenerateAll();
  void StopSite();
  void StopAll();
  void Options();
  // Open the first selected site's last report or its folder with the
  // desktop's opener; without one, a message says why.
  void OpenReport();
  void OpenReportFolder();

 signals:
  // A right click on the list, at `globalPos`.
  void popupMenuRequested(const QPoint& globalPos);
  // The selection changed, or a run started or ended: what the commands
  // offer may have changed.
  void commandsChanged();
  // A run ended while the user was not looking: a desktop notification
  // with `title` and `body`; a click on it opens `target` (a report), or
  // shows the window when it is empty.
  void endNoticeReady(const QString& title, const QString& body, const QString& target);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class WindowRunEvents;

  // Called on the window's thread through queued calls from a run.
  void OnRunProgress(RunId runId, int stage);
  void OnRunMessage(RunId runId, const QString& text, const QString& caption);
  void OnRunEnded(RunId runId, const RunResult& result);
  RunWatch WatchOf(RunId runId) const;
  void Record(const std::string& site, const RunRecord& record);

  Status SaveSites();
  void ShowMergedList(const SiteProfiles& before, const SettingsMergeReport& merged);
  int RowOf(const CSiteProfile* profile) const;
  int FirstSelectedRow() const;
  void ShowRow(int row, bool withStatus);
  void SetRowIcon(int row, int icon);
  void SetCell(int row, int column, const QString& text);
  void WidenToFit(int column, int textWidth);
  bool AskToSaveOverDamage(const std::string& damage);

  SiteDialogs& dialogs_;
  QTreeWidget* list_ = nullptr;
  QTimer scheduleTimer_;
  // Its profiles are the rows: element i is row i.
  SiteSession session_;
  SiteSchedule schedule_;
  UserFolders userFolders_;
  CDNSCache dnsCache_;
  std::unique_ptr<WindowRunEvents> runEvents_;
  // What the window keeps of each run until it is collected.
  struct WatchedRun {
    std::int64_t start = 0;
    bool scheduled = false;
    // Messages routed away from message boxes, for the end's notification.
    QStringList held;
  };
  std::map<RunId, WatchedRun> watched_;
  bool trayAvailable_ = false;
  // Last, so that it goes first: its runs use the cache and the events.
  RunBoard board_;
};

}  // namespace tlw::ui
