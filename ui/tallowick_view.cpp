#include "ui/tallowick_view.h"

#include <QHeaderView>
#include <QIcon>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "base/run_host.h"
#include "base/run_stages.h"
#include "base/user_folders.h"
#include "engine/run_site.h"
#include "engine/run_texts.h"
#include "settings/schedule_rules.h"
#include "settings/settings_lock.h"
#include "settings/site_profile.h"
#include "ui/site_dialogs.h"

namespace tlw::ui {

// What a run of one site tells the window: every call is queued to the
// window's thread and returns at once, so the run never waits for the
// window. The run is named by its id, which the window maps to its profile.
class RowRunHost final : public ProgressSink, public RunNotifier, public ShellOpener {
 public:
  RowRunHost(CTallowickView& view, std::uint64_t runId) : view_(view), runId_(runId) {}

  void Post(int stage, int /*listIndex*/) override {
    QMetaObject::invokeMethod(
        &view_, [view = &view_, id = runId_, stage] { view->OnRunProgress(id, stage); },
        Qt::QueuedConnection);
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    QMetaObject::invokeMethod(
        &view_,
        [view = &view_, text = QString::fromStdString(text),
         caption = QString::fromStdString(caption)] { view->OnRunMessage(text, caption); },
        Qt::QueuedConnection);
  }
  void Open(const std::string& fileOrUrl) override {
    QMetaObject::invokeMethod(
        &view_,
        [view = &view_, target = QString::fromStdString(fileOrUrl)] { view->OnRunOpen(target); },
        Qt::QueuedConnection);
  }
  void Ended() {
    QMetaObject::invokeMethod(
        &view_, [view = &view_, id = runId_] { view->OnRunEnded(id); }, Qt::QueuedConnection);
  }

  const RunHost& Host() const { return host_; }

 private:
  CTallowickView& view_;
  std::uint64_t runId_;
  RunHost host_{this, this, this};
};

namespace {

struct ColumnLook {
  const char* heading;
  Qt::Alignment alignment;
  int width;
};
constexpr ColumnLook kColumns[kSiteColumnCount] = {
    {"Site", Qt::AlignLeft | Qt::AlignVCenter, 225},
    {"Status", Qt::AlignLeft | Qt::AlignVCenter, 140},
    {"Time Taken", Qt::AlignHCenter | Qt::AlignVCenter, 73},
    {"Log Size", Qt::AlignHCenter | Qt::AlignVCenter, 69},
    {"Scheduled", Qt::AlignHCenter | Qt::AlignVCenter, 63},
};

// The icon each stage gives its row; stages not listed leave it.
struct StageLook {
  int stage;
  int icon;
};
constexpr StageLook kStageIcons[] = {
    {kStageReading, kIconReading},
    {kStageFtpConnecting, kIconReading},
    {kStageTransmissionError, kIconIdle},
    {kStageLogfileError, kIconIdle},
    {kStageUploadingReport, kIconPublishing},
    {7, kIconPublishing},
    {kStagePageTitles, kIconPublishing},
    {kStageFinished, kIconIdle},
    {kStageWhois, kIconPublishing},
    {kStageUploadingGraphs, kIconPublishing},
    {kStageReportError, kIconIdle},
    {kStageSendingMail, kIconPublishing},
};

constexpr const char* kRowIcons[] = {":/icons/row_idle.png", ":/icons/row_reading.png",
                                     ":/icons/row_publishing.png"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CTallowickView::CTallowickView(SiteDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), list_(new QTreeWidget(this)) {
  list_->setObjectName("siteList");
  list_->setColumnCount(kSiteColumnCount);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setItemsExpandable(false);
  list_->setSortingEnabled(false);
  list_->setWordWrap(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setIconSize(QSize(25, 25));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QTreeWidgetItem* header = list_->headerItem();
  for (int column = 0; column < kSiteColumnCount; ++column) {
    header->setText(column, kColumns[column].heading);
    header->setTextAlignment(column, kColumns[column].alignment);
    list_->setColumnWidth(column, kColumns[column].width);
    WidenToFit(column, list_->header()->fontMetrics().horizontalAdvance(kColumns[column].heading));
  }
  list_->header()->setSectionsMovable(true);
  list_->header()->setSectionsClickable(false);
  list_->header()->setStretchLastSection(false);
  QPalette palette = list_->palette();
  palette.setColor(QPalette::Text, QColor(0, 0, 190));
  list_->setPalette(palette);

  connect(list_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    emit popupMenuRequested(list_->viewport()->mapToGlobal(pos));
  });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditSite(); });
  connect(&scheduleTimer_, &QTimer::timeout, this,
          [this] { OnScheduleTick(static_cast<std::int64_t>(std::time(nullptr))); });
}

CTallowickView::~CTallowickView() {
  scheduleTimer_.stop();
  // A run sets its running flag when it begins, so the flag is cleared
  // again until the run has ended.
  for (const std::unique_ptr<ActiveRun>& run : runs_) {
    while (!run->done.load()) {
      run->profile->SetRunning(false);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run->thread.join();
  }
}

Result<StartOutcome> CTallowickView::Initialise(const std::filesystem::path& programDirectory,
                                                const std::string& homeFolder) {
  userFolders_ = UserFoldersOfProcess();
  Result<SettingsLoad> load = [&]() -> Result<SettingsLoad> {
    Result<SettingsLock> lock = LockSettingsFile(programDirectory);
    if (!lock.ok()) return lock.status();
    return LoadSettingsFile(programDirectory, settings_, profiles_, homeFolder);
  }();
  if (!load.ok()) return load.status();
  if (load->state == SettingsLoadState::FirstStart && !load->firstSave.ok()) {
    dialogs_.ShowMessage(Text(load->firstSave.message()), kApplicationTitle);
  } else if (load->state == SettingsLoadState::Damaged) {
    saveRefused_ = !load->damagedCopyKept;
    if (saveRefused_) {
      dialogs_.ShowMessage(Text(load->damage), kApplicationTitle);
    } else if (!AskToSaveOverDamage(load->damage)) {
      saveRefused_ = true;
      return StartOutcome::kQuitKeepingTheFile;
    }
  }
  Result<ExtensionSettingsLoad> extensions = LoadExtensionSettings(settings_.GetProgramDirectory());
  if (!extensions.ok()) {
    dialogs_.ShowMessage(Text(extensions.message()), kApplicationTitle);
  } else {
    extensions_ = extensions->values;
    for (const std::string& warning : extensions->warnings) {
      dialogs_.ShowMessage(Text(warning), kApplicationTitle);
    }
  }
  savedBase_ = SnapshotSettings(settings_, profiles_);
  for (std::size_t row = 0; row < profiles_.size(); ++row) {
    list_->addTopLevelItem(new QTreeWidgetItem());
    ShowRow(static_cast<int>(row), true);
  }
  if (!profiles_.empty()) list_->setCurrentItem(list_->topLevelItem(0));
  scheduleTimer_.start(35000);
  return StartOutcome::kGoOn;
}

// Every save writes the sites read over the damaged file, so the user
// decides before the first one, as tallowick-cli asks for --salvage. The
// file stores no count of its sites, so how many followed the damage cannot
// be told.
bool CTallowickView::AskToSaveOverDamage(const std::string& damage) {
  const QString sites =
      QString::number(profiles_.size()) + (profiles_.size() == 1 ? " site" : " sites");
  return dialogs_.Ask(
      Text(damage) +
          ".\n\nThe sites stored after the damage cannot be read, and how many "
          "there were cannot be told: saving the " +
          sites + " read over the file loses them from it (the copy keeps their bytes).",
      kApplicationTitle, "Save the " + sites + " read", "Keep the file unchanged and quit");
}

bool CTallowickView::SaveSiteList() {
  // Before Initialise there is no file of ours to save over.
  if (settings_.GetProgramDirectory().empty()) return false;
  if (saveRefused_) {
    dialogs_.ShowMessage(Text(std::string(kErrorSavingSettings) +
                              " The damaged settings file could not be copied aside, so it is "
                              "not overwritten."),
                         kApplicationTitle);
    return false;
  }
  // Under the settings file's lock, what another program saved since our
  // last load or save is merged in, never overwritten.
  const SiteProfiles before = profiles_;
  Result<SettingsMergeReport> saved = SaveSettingsMerged(settings_, profiles_, savedBase_);
  if (!saved.ok()) {
    dialogs_.ShowMessage(Text(saved.message()), kApplicationTitle);
    return false;
  }
  ShowMergedList(before, *saved);
  if (!saved->damage.empty()) dialogs_.ShowMessage(Text(saved->damage), kApplicationTitle);
  return true;
}

// The list's rows still show `before`; the merge removed sites another
// program deleted, appended the ones it added and changed others' values.
void CTallowickView::ShowMergedList(const SiteProfiles& before, const SettingsMergeReport& merged) {
  for (int row = static_cast<int>(before.size()) - 1; row >= 0; --row) {
    const CSiteProfile* profile = before[static_cast<std::size_t>(row)].get();
    if (RowOf(profile) < 0) delete list_->takeTopLevelItem(row);
  }
  for (const std::shared_ptr<CSiteProfile>& added : merged.added) {
    const int row = RowOf(added.get());
    if (row < 0) continue;
    list_->insertTopLevelItem(row, new QTreeWidgetItem());
    ShowRow(row, true);
  }
  for (const std::shared_ptr<CSiteProfile>& updated : merged.updated) {
    if (const int row = RowOf(updated.get()); row >= 0) ShowRow(row, false);
  }
}

void CTallowickView::ShowRow(int row, bool withStatus) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  const CSiteProfile& profile = *profiles_[static_cast<std::size_t>(row)];
  for (int column = 0; column < kSiteColumnCount; ++column) {
    item->setTextAlignment(column, kColumns[column].alignment);
  }
  item->setIcon(kColumnSite, QIcon(kRowIcons[kIconIdle]));
  item->setData(kColumnSite, kIconRole, kIconIdle);
  SetCell(row, kColumnSite, Text(profile.GetHomepageUrl()));
  SetCell(row, kColumnStatus, withStatus ? Text(profile.GetLastGenerated()) : QString());
  SetCell(row, kColumnTimeTaken, QString());
  SetCell(row, kColumnLogSize, Text(profile.LogSizeText()));
  SetCell(row, kColumnScheduled, profile.GetScheduled() != 0 ? "Yes" : "No");
}

void CTallowickView::SetCell(int row, int column, const QString& text) {
  list_->topLevelItem(row)->setText(column, text);
  const int icon = column == kColumnSite ? list_->iconSize().width() + 6 : 0;
  WidenToFit(column, icon + list_->fontMetrics().horizontalAdvance(text));
}

// The widths of the columns suit a small font; a larger one would cut the
// finish time and the time taken short, so a column grows to show its
// texts in full. It never becomes narrower than its own width.
void CTallowickView::WidenToFit(int column, int textWidth) {
  const int needed = textWidth + 14;
  if (needed > list_->columnWidth(column)) list_->setColumnWidth(column, needed);
}

void CTallowickView::SetRowIcon(int row, int icon) {
  if (icon < 0) return;
  list_->topLevelItem(row)->setIcon(kColumnSite, QIcon(kRowIcons[icon]));
  list_->topLevelItem(row)->setData(kColumnSite, kIconRole, icon);
}

int CTallowickView::RowOf(const CSiteProfile* profile) const {
  for (std::size_t row = 0; row < profiles_.size(); ++row) {
    if (profiles_[row].get() == profile) return static_cast<int>(row);
  }
  return -1;
}

int CTallowickView::FirstSelectedRow() const {
  int first = -1;
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    const int row = list_->indexOfTopLevelItem(item);
    if (first < 0 || row < first) first = row;
  }
  return first;
}

CTallowickView::ActiveRun* CTallowickView::FindRun(std::uint64_t runId) {
  for (const std::unique_ptr<ActiveRun>& run : runs_) {
    if (run->id == runId) return run.get();
  }
  return nullptr;
}

CTallowickView::ActiveRun* CTallowickView::RunOf(const CSiteProfile* profile) {
  for (const std::unique_ptr<ActiveRun>& run : runs_) {
    if (run->profile.get() == profile) return run.get();
  }
  return nullptr;
}

int CTallowickView::StageIcon(int stage) {
  for (const StageLook& look : kStageIcons) {
    if (look.stage == stage) return look.icon;
  }
  return -1;
}

void CTallowickView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  list_->setGeometry(rect());
}

RunSettings CTallowickView::RunSettingsSnapshot() const {
  std::error_code error;  // an unknown folder leaves relative paths as they are
  RunSettings run = RunSettingsOf(settings_, std::filesystem::current_path(error).string());
  ApplyUserFolders(userFolders_, run);
  ApplyExtensionSettings(extensions_, run);
  return run;
}

void CTallowickView::NewSite() {
  auto profile = std::make_shared<CSiteProfile>();
  if (!dialogs_.EditSite(*profile, true, settings_.GetAdvancedSettings() != 0)) return;
  profiles_.push_back(profile);
  list_->addTopLevelItem(new QTreeWidgetItem());
  ShowRow(static_cast<int>(profiles_.size()) - 1, true);
  SaveSiteList();
}

void CTallowickView::DeleteSite() {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    rows.push_back(list_->indexOfTopLevelItem(item));
  }
  if (rows.empty()) return;
  std::sort(rows.rbegin(), rows.rend());
  for (int row : rows) {
    const std::shared_ptr<CSiteProfile> profile = profiles_[static_cast<std::size_t>(row)];
    // A deleted site's run is stopped; it keeps the profile until it ends.
    if (ActiveRun* run = RunOf(profile.get())) {
      run->stopped.store(true);
      profile->SetRunning(false);
    }
    profiles_.erase(profiles_.begin() + row);
    delete list_->takeTopLevelItem(row);
  }
  SaveSiteList();
}

void CTallowickView::EditSite() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  const std::shared_ptr<CSiteProfile> profile = profiles_[static_cast<std::size_t>(row)];
  // The run reads the configuration while it works; changing it under the
  // run would change the strings it reads.
  if (RunOf(profile.get()) != nullptr) {
    dialogs_.ShowMessage("This site is being processed. Stop it or let it finish, then edit it.",
                         kApplicationTitle);
    return;
  }
  // The sheet also shows what the last run left.
  CSiteProfile values;
  values.CopyConfigurationFrom(*profile);
  values.SetLastGenerated(profile->GetLastGenerated());
  values.SetLastLogfileSize(profile->GetLastLogfileSize());
  if (!dialogs_.EditSite(values, false, settings_.GetAdvancedSettings() != 0)) return;
  profile->CopyConfigurationFrom(values);
  ShowRow(row, false);
  SaveSiteList();
}

void CTallowickView::GenerateSite() { StartRow(FirstSelectedRow()); }

void CTallowickView::GenerateAll() {
  for (int row = 0; row < static_cast<int>(profiles_.size()); ++row) StartRow(row);
}

void CTallowickView::StopSite() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  const std::shared_ptr<CSiteProfile>& profile = profiles_[static_cast<std::size_t>(row)];
  if (!profile->GetRunning()) return;
  profile->SetRunning(false);
  if (ActiveRun* run = RunOf(profile.get())) run->stopped.store(true);
  SetCell(row, kColumnStatus, "Processing Canceled!");
  SetRowIcon(row, kIconIdle);
}

void CTallowickView::Options() {
  ExtensionSettings extensions = extensions_;
  if (!dialogs_.EditOptions(settings_, extensions)) return;
  SaveSiteList();
  if (extensions != extensions_) SaveExtensions(extensions);
}

// Under the settings file's lock, only the keys the dialog changed are
// written, so a change that tallowick-cli saved meanwhile in another stays.
void CTallowickView::SaveExtensions(const ExtensionSettings& values) {
  if (settings_.GetProgramDirectory().empty()) return;
  const std::filesystem::path directory = settings_.GetProgramDirectory();
  Result<ExtensionSettings> saved = [&]() -> Result<ExtensionSettings> {
    Result<SettingsLock> lock = LockSettingsFile(directory);
    if (!lock.ok()) return lock.status();
    return SaveExtensionSettingsChanges(directory, extensions_, values);
  }();
  if (!saved.ok()) {
    // The runs of this session still follow the dialog.
    extensions_ = values;
    dialogs_.ShowMessage(Text(std::string(kErrorSavingSettings) + " " + saved.message()),
                         kApplicationTitle);
    return;
  }
  extensions_ = *saved;
}

void CTallowickView::StartRow(int row) {
  if (row < 0 || row >= static_cast<int>(profiles_.size())) {
    dialogs_.ShowMessage("Select a site with a Click, then generate statistics", QString());
    return;
  }
  const std::shared_ptr<CSiteProfile> profile = profiles_[static_cast<std::size_t>(row)];
  // A run that was stopped may still be ending; one run per site at a time.
  if (profile->GetRunning() || RunOf(profile.get()) != nullptr) return;
  profile->SetListIndex(row);
  SetCell(row, kColumnStatus, "Processing...");
  // Marked before the thread starts, so the site counts as running at once.
  profile->SetRunning(true);

  auto run = std::make_unique<ActiveRun>();
  run->id = nextRunId_++;
  run->profile = profile;
  run->host = std::make_unique<RowRunHost>(*this, run->id);
  ActiveRun* started = run.get();
  runs_.push_back(std::move(run));
  started->thread = std::thread([started, settings = RunSettingsSnapshot(), this] {
    // A run stopped before its thread began does not begin.
    if (!started->stopped.load()) {
      RunSite(started->profile, settings, started->host->Host(), dnsCache_);
    }
    started->done.store(true);
    started->host->Ended();
  });
}

void CTallowickView::OnRunProgress(std::uint64_t runId, int stage) {
  ActiveRun* run = FindRun(runId);
  if (run == nullptr) return;
  CSiteProfile& profile = *run->profile;
  if (run->stopped.load()) {
    // Stopped before the run had set its running flag: stop it again.
    profile.SetRunning(false);
    return;
  }
  ShowStage(profile, stage);
}

void CTallowickView::ShowStage(CSiteProfile& profile, int stage) {
  if (StageEndsRun(stage)) profile.SetRunning(false);
  const int row = RowOf(&profile);
  if (row < 0) return;  // the site was deleted
  QString status =
      QString::fromUtf8(StageText(stage).data(), static_cast<qsizetype>(StageText(stage).size()));
  if (stage == kStageFinished) {
    if (!RanThisSession(profile))
      ranThisSession_.push_back(profiles_[static_cast<std::size_t>(row)]);
    profile.SetLastGenerated(FinishTimeText(static_cast<std::int64_t>(std::time(nullptr))));
    status += Text(profile.GetLastGenerated());
    SetCell(row, kColumnTimeTaken, Text(profile.GetTimeTaken()));
  }
  if (stage == kStageFinished || stage == kStageLogSize) {
    SetCell(row, kColumnLogSize, Text(profile.LogSizeText()));
  }
  SetCell(row, kColumnStatus, status);
  SetRowIcon(row, StageIcon(stage));
}

void CTallowickView::OnRunMessage(const QString& text, const QString& caption) {
  dialogs_.ShowMessage(text, caption);
}

void CTallowickView::OnRunOpen(const QString& fileOrUrl) { dialogs_.Open(fileOrUrl); }

void CTallowickView::OnRunEnded(std::uint64_t runId) {
  auto found = std::find_if(runs_.begin(), runs_.end(),
                            [runId](const auto& run) { return run->id == runId; });
  if (found == runs_.end()) return;
  (*found)->thread.join();
  runs_.erase(found);
}

void CTallowickView::OnScheduleTick(std::int64_t now) {
  for (int row = 0; row < static_cast<int>(profiles_.size()); ++row) {
    const CSiteProfile& profile = *profiles_[static_cast<std::size_t>(row)];
    if (profile.GetScheduled() == 0 || profile.GetRunning()) continue;
    if (ShouldStartScheduled(profile, now)) StartRow(row);
  }
}

bool CTallowickView::ShouldStartScheduled(const CSiteProfile& profile, std::int64_t now) const {
  return ScheduleFires(ScheduleInputsOf(profile, RanThisSession(profile)), now);
}

bool CTallowickView::RanThisSession(const CSiteProfile& profile) const {
  return std::any_of(
      ranThisSession_.begin(), ranThisSession_.end(),
      [&](const std::weak_ptr<const CSiteProfile>& ran) { return ran.lock().get() == &profile; });
}

}  // namespace tlw::ui
