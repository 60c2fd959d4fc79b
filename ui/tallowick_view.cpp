#include "ui/tallowick_view.h"

#include <QHeaderView>
#include <QIcon>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTreeWidget>
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "base/run_host.h"
#include "base/run_stages.h"
#include "base/user_folders.h"
#include "engine/run_site.h"
#include "engine/run_texts.h"
#include "settings/site_profile.h"
#include "ui/icon_resources.h"
#include "ui/list_colours.h"
#include "ui/site_dialogs.h"

namespace tlw::ui {

// What the runs tell the window: every call is queued to the window's
// thread and returns at once, so a run never waits for the window.
class WindowRunEvents final : public RunEvents {
 public:
  explicit WindowRunEvents(CTallowickView& view) : view_(view) {}

  void OnStage(RunId run, int stage) override {
    QMetaObject::invokeMethod(
        &view_, [view = &view_, run, stage] { view->OnRunProgress(run, stage); },
        Qt::QueuedConnection);
  }
  void OnMessage(RunId run, const std::string& text, const std::string& caption) override {
    QMetaObject::invokeMethod(
        &view_,
        [view = &view_, run, text = QString::fromStdString(text),
         caption = QString::fromStdString(caption)] { view->OnRunMessage(run, text, caption); },
        Qt::QueuedConnection);
  }
  void OnOpen(RunId /*run*/, const std::string& fileOrUrl) override {
    QMetaObject::invokeMethod(
        &view_,
        [view = &view_, target = QString::fromStdString(fileOrUrl)] {
          view->dialogs_.Open(target);
        },
        Qt::QueuedConnection);
  }
  void OnEnded(RunId run, const RunResult& result) override {
    QMetaObject::invokeMethod(
        &view_, [view = &view_, run, result] { view->OnRunEnded(run, result); },
        Qt::QueuedConnection);
  }

 private:
  CTallowickView& view_;
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
    : QWidget(parent),
      dialogs_(dialogs),
      list_(new QTreeWidget(this)),
      runEvents_(std::make_unique<WindowRunEvents>(*this)),
      board_(*runEvents_, dnsCache_) {
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
  KeepListTextReadable(list_);

  connect(list_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    emit popupMenuRequested(list_->viewport()->mapToGlobal(pos));
  });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditSite(); });
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &CTallowickView::commandsChanged);
  // Enter on a row generates, as the toolbar's button; Delete deletes.
  for (const QKeyCombination keys :
       {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter),
        QKeyCombination(Qt::KeypadModifier, Qt::Key_Enter)}) {
    connect(new QShortcut(QKeySequence(keys), list_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &CTallowickView::GenerateSite);
  }
  connect(new QShortcut(QKeySequence(Qt::Key_Delete), list_, nullptr, nullptr, Qt::WidgetShortcut),
          &QShortcut::activated, this, &CTallowickView::DeleteSite);
  connect(&scheduleTimer_, &QTimer::timeout, this,
          [this] { OnScheduleTick(static_cast<std::int64_t>(std::time(nullptr))); });
}

CTallowickView::~CTallowickView() {
  scheduleTimer_.stop();
  board_.StopAll();
  board_.CollectAll();
}

Result<StartOutcome> CTallowickView::Initialise(const std::filesystem::path& programDirectory,
                                                const std::string& homeFolder) {
  userFolders_ = UserFoldersOfProcess();
  Result<SiteSession> opened =
      SiteSession::Open(programDirectory, homeFolder, SiteSession::Lock::kWhileLoading);
  if (!opened.ok()) return opened.status();
  session_ = std::move(*opened);
  const SessionLoad& load = session_.Loaded();
  if (load.state == SettingsLoadState::FirstStart && !load.firstSave.ok()) {
    dialogs_.ShowMessage(Text(load.firstSave.message()), kApplicationTitle);
  } else if (load.state == SettingsLoadState::Damaged) {
    if (!load.damagedCopyKept) {
      dialogs_.ShowMessage(Text(load.damage), kApplicationTitle);
    } else if (!AskToSaveOverDamage(load.damage)) {
      session_.RefuseSaving();
      return StartOutcome::kQuitKeepingTheFile;
    }
  }
  if (!load.extensionsRead.ok()) {
    dialogs_.ShowMessage(Text(load.extensionsRead.message()), kApplicationTitle);
  }
  for (const std::string& warning : load.extensionWarnings) {
    dialogs_.ShowMessage(Text(warning), kApplicationTitle);
  }
  const SiteProfiles& profiles = session_.Profiles();
  for (std::size_t row = 0; row < profiles.size(); ++row) {
    list_->addTopLevelItem(new QTreeWidgetItem());
    ShowRow(static_cast<int>(row), true);
  }
  if (!profiles.empty()) list_->setCurrentItem(list_->topLevelItem(0));
  scheduleTimer_.start(35000);
  return StartOutcome::kGoOn;
}

// Every save writes the sites read over the damaged file, so the user
// decides before the first one, as tallowick-cli asks for --salvage. The
// file stores no count of its sites, so how many followed the damage cannot
// be told.
bool CTallowickView::AskToSaveOverDamage(const std::string& damage) {
  const std::size_t count = session_.Profiles().size();
  const QString sites = QString::number(count) + (count == 1 ? " site" : " sites");
  return dialogs_.Ask(
      Text(damage) +
          ".\n\nThe sites stored after the damage cannot be read, and how many "
          "there were cannot be told: saving the " +
          sites + " read over the file loses them from it (the copy keeps their bytes).",
      kApplicationTitle, "Save the " + sites + " read", "Keep the file unchanged and quit");
}

// Under the settings file's lock, what another program saved since our
// last load or save is merged in, never overwritten.
Status CTallowickView::SaveSites() {
  const SiteProfiles before = session_.Profiles();
  Result<SettingsMergeReport> saved = session_.SaveMerged();
  if (!saved.ok()) return saved.status();
  ShowMergedList(before, *saved);
  if (!saved->damage.empty()) dialogs_.ShowMessage(Text(saved->damage), kApplicationTitle);
  return Status::Ok();
}

bool CTallowickView::SaveSiteList() {
  // Before Initialise there is no file of ours to save over.
  if (Settings().GetProgramDirectory().empty()) return false;
  const Status saved = SaveSites();
  if (!saved.ok()) dialogs_.ShowMessage(Text(saved.message()), kApplicationTitle);
  return saved.ok();
}

// A message box that does not wait would go with the window, and the
// changes with it, without a word.
void CTallowickView::SaveBeforeQuitting() {
  if (Settings().GetProgramDirectory().empty()) return;
  for (;;) {
    const Status saved = SaveSites();
    if (saved.ok()) return;
    if (!dialogs_.Ask(Text(saved.message()) + "\n\nThe changes since the last save are lost "
                                              "if the program ends without saving.",
                      kApplicationTitle, "Save again", "Quit without saving")) {
      return;
    }
  }
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
  const CSiteProfile& profile = *Profiles()[static_cast<std::size_t>(row)];
  for (int column = 0; column < kSiteColumnCount; ++column) {
    item->setTextAlignment(column, kColumns[column].alignment);
  }
  item->setIcon(kColumnSite, ScaledIcon(kRowIcons[kIconIdle]));
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
  list_->topLevelItem(row)->setIcon(kColumnSite, ScaledIcon(kRowIcons[icon]));
  list_->topLevelItem(row)->setData(kColumnSite, kIconRole, icon);
}

int CTallowickView::RowOf(const CSiteProfile* profile) const {
  const SiteProfiles& profiles = Profiles();
  for (std::size_t row = 0; row < profiles.size(); ++row) {
    if (profiles[row].get() == profile) return static_cast<int>(row);
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

int CTallowickView::StageIcon(int stage) {
  for (const StageLook& look : kStageIcons) {
    if (look.stage == stage) return look.icon;
  }
  return -1;
}

QSize CTallowickView::sizeHint() const {
  const int frame = 2 * list_->frameWidth();
  const int rowHeight = std::max(list_->iconSize().height(), list_->fontMetrics().height()) + 4;
  return {list_->header()->length() + frame + list_->verticalScrollBar()->sizeHint().width(),
          list_->header()->sizeHint().height() + 3 * rowHeight + frame};
}

void CTallowickView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  list_->setGeometry(rect());
}

void CTallowickView::NewSite() {
  auto profile = std::make_shared<CSiteProfile>();
  if (!dialogs_.EditSite(*profile, true, Settings().GetAdvancedSettings() != 0)) return;
  session_.Profiles().push_back(profile);
  list_->addTopLevelItem(new QTreeWidgetItem());
  ShowRow(static_cast<int>(Profiles().size()) - 1, true);
  SaveSiteList();
}

void CTallowickView::DeleteSite() {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    rows.push_back(list_->indexOfTopLevelItem(item));
  }
  if (rows.empty()) return;
  std::sort(rows.rbegin(), rows.rend());
  SiteProfiles& profiles = session_.Profiles();
  for (int row : rows) {
    // A deleted site's run is stopped; it keeps the profile until it ends.
    board_.Stop(*profiles[static_cast<std::size_t>(row)]);
    profiles.erase(profiles.begin() + row);
    delete list_->takeTopLevelItem(row);
  }
  // The row that took the first deleted one's place is selected, so that
  // the next command has a site to act on (the last row when none did).
  const int next = std::min(rows.back(), list_->topLevelItemCount() - 1);
  if (next >= 0) list_->setCurrentItem(list_->topLevelItem(next));
  SaveSiteList();
}

void CTallowickView::EditSite() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  const std::shared_ptr<CSiteProfile> profile = Profiles()[static_cast<std::size_t>(row)];
  // The run reads the configuration while it works; changing it under the
  // run would change the strings it reads.
  constexpr const char* kBeingProcessed =
      "This site is being processed. Stop it or let it finish, then edit it.";
  if (board_.HasRun(*profile)) {
    dialogs_.ShowMessage(kBeingProcessed, kApplicationTitle);
    return;
  }
  // The sheet also shows what the last run left.
  CSiteProfile values;
  values.CopyConfigurationFrom(*profile);
  values.SetLastGenerated(profile->GetLastGenerated());
  values.SetLastLogfileSize(profile->GetLastLogfileSize());
  {
    // The sheet's event loop goes on while it is open: the schedule and the
    // tray's menu must not start the site under it.
    const SiteHold hold(board_, *profile);
    if (!dialogs_.EditSite(values, false, Settings().GetAdvancedSettings() != 0)) return;
  }
  // The site may have been deleted or started by another way meanwhile.
  const int rowNow = RowOf(profile.get());
  if (rowNow < 0) return;
  if (board_.HasRun(*profile)) {
    dialogs_.ShowMessage(kBeingProcessed, kApplicationTitle);
    return;
  }
  profile->CopyConfigurationFrom(values);
  ShowRow(rowNow, false);
  SaveSiteList();
}

void CTallowickView::GenerateSite() { StartRow(FirstSelectedRow()); }

void CTallowickView::GenerateAll() {
  for (int row = 0; row < static_cast<int>(Profiles().size()); ++row) StartRow(row);
}

void CTallowickView::StopSite() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  const CSiteProfile& profile = *Profiles()[static_cast<std::size_t>(row)];
  if (!profile.GetRunning() || !board_.Stop(profile)) return;
  SetCell(row, kColumnStatus, "Processing Canceled!");
  SetRowIcon(row, kIconIdle);
}

void CTallowickView::Options() {
  ExtensionSettings extensions = session_.Extensions();
  if (!dialogs_.EditOptions(Settings(), extensions)) return;
  SaveSiteList();
  if (extensions == session_.Extensions() || Settings().GetProgramDirectory().empty()) return;
  // Only the keys the dialog changed are written, so a change that
  // tallowick-cli saved meanwhile in another stays.
  const Status saved = session_.SaveExtensionChanges(extensions);
  if (!saved.ok()) dialogs_.ShowMessage(Text(saved.message()), kApplicationTitle);
}

void CTallowickView::StartRow(int row, bool scheduled) {
  if (row < 0 || row >= static_cast<int>(Profiles().size())) {
    dialogs_.ShowMessage("Select a site with a Click, then generate statistics", QString());
    return;
  }
  const std::shared_ptr<CSiteProfile> profile = Profiles()[static_cast<std::size_t>(row)];
  // A run that was stopped may still be ending; one run per site at a time.
  if (profile->GetRunning()) return;
  RunRequest request{
      profile, row, RunSettingsFor(Settings(), session_.Extensions(), userFolders_), {}};
  // A saved site, scheduled or not, reads on from where its last run left.
  request.options.incremental = true;
  const RunId id = board_.Start(std::move(request));
  if (id == 0) return;
  watched_[id] = {static_cast<std::int64_t>(std::time(nullptr)), scheduled, {}};
  SetCell(row, kColumnStatus, "Processing...");
  emit commandsChanged();
}

void CTallowickView::OnRunProgress(RunId runId, int stage) {
  // A stopped run's row says so until the site starts again.
  if (board_.Stopped(runId)) return;
  if (CSiteProfile* profile = board_.ProfileOf(runId)) ShowStage(*profile, stage);
}

void CTallowickView::ShowStage(CSiteProfile& profile, int stage) {
  if (StageEndsRun(stage)) profile.SetRunning(false);
  const int row = RowOf(&profile);
  if (row < 0) return;  // the site was deleted
  QString status =
      QString::fromUtf8(StageText(stage).data(), static_cast<qsizetype>(StageText(stage).size()));
  if (stage == kStageFinished) {
    schedule_.NoteFinished(Profiles()[static_cast<std::size_t>(row)]);
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

// Held as the window stands when the message comes: the user who looks at
// the window sees a box; one who does not gets the run's notification.
void CTallowickView::OnRunMessage(RunId runId, const QString& text, const QString& caption) {
  if (RouteOfMessage(WatchOf(runId)) == MessageRoute::kMessageBox) {
    dialogs_.ShowMessage(text, caption);
  } else if (auto run = watched_.find(runId); run != watched_.end()) {
    run->second.held << text;
  }
}

RunWatch CTallowickView::WatchOf(RunId runId) const {
  RunWatch watch;
  const QWidget* frame = window();
  watch.window = !frame->isVisible() || frame->isMinimized() ? WindowPresence::kHidden
                 : frame->isActiveWindow()                   ? WindowPresence::kActive
                                                             : WindowPresence::kInactive;
  const auto run = watched_.find(runId);
  watch.scheduled = run != watched_.end() && run->second.scheduled;
  watch.tray = trayAvailable_;
  return watch;
}

void CTallowickView::OnRunEnded(RunId runId, const RunResult& result) {
  const CSiteProfile* profile = board_.ProfileOf(runId);
  const auto run = watched_.find(runId);
  if (profile != nullptr && run != watched_.end()) {
    const RunOutcome outcome = result.Finished() ? RunOutcome::kFinished
                               : board_.Stopped(runId) || result.finalStage == 0
                                   ? RunOutcome::kStopped
                                   : RunOutcome::kFailed;
    const std::string site = profile->GetHomepageUrl();
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    Record(site, {run->second.start, std::max<std::int64_t>(0, now - run->second.start), outcome,
                  run->second.scheduled, HistoryMessageOf(result.message, result.notes)});
    const RunWatch watch = WatchOf(runId);
    if (NotifiesEnd(watch, outcome)) {
      const int row = RowOf(profile);
      const LastReport report =
          row < 0 || outcome != RunOutcome::kFinished
              ? LastReport{}
              : FindLastReport(*profile, row, Settings().GetProgramDirectory());
      std::string message = result.message;
      for (const QString& held : run->second.held) {
        if (message.find(held.toStdString()) == std::string::npos) {
          message += (message.empty() ? "" : "\n") + held.toStdString();
        }
      }
      const EndNotice notice = EndNoticeOf(site, outcome, message, report.found);
      emit endNoticeReady(Text(notice.title), Text(notice.body),
                          report.found ? Text(report.file) : QString());
    }
  }
  if (run != watched_.end()) watched_.erase(run);
  board_.Collect(runId);
  emit commandsChanged();
}

// A history that cannot be written costs the window nothing but the line:
// the run itself went as the row says.
void CTallowickView::Record(const std::string& site, const RunRecord& record) {
  if (Settings().GetProgramDirectory().empty()) return;
  std::string warning;
  const Status saved = RecordRun(HistoryFile(), site, record, warning);
  if (!warning.empty()) dialogs_.ShowMessage(Text(warning), kApplicationTitle);
  if (!saved.ok()) dialogs_.ShowMessage(Text(saved.message()), kApplicationTitle);
}

std::filesystem::path CTallowickView::HistoryFile() const {
  return RunHistory::FileFor(userFolders_.state, session_.Settings().GetProgramDirectory());
}

LastReport CTallowickView::SelectedReport() const {
  const int row = FirstSelectedRow();
  if (row < 0) return LastReport{{}, {}, false, "no site is selected"};
  return FindLastReport(*Profiles()[static_cast<std::size_t>(row)], row,
                        session_.Settings().GetProgramDirectory());
}

std::vector<RunRecord> CTallowickView::SelectedHistory(QString& site) {
  const int row = FirstSelectedRow();
  if (row < 0) return {};
  const std::string address = Profiles()[static_cast<std::size_t>(row)]->GetHomepageUrl();
  site = Text(address);
  const RunHistory history = RunHistory::Load(HistoryFile());
  if (!history.Warning().empty()) dialogs_.ShowMessage(Text(history.Warning()), kApplicationTitle);
  return history.RunsOf(address);
}

void CTallowickView::OpenReport() {
  const LastReport report = SelectedReport();
  if (report.found) {
    dialogs_.Open(Text(report.file));
  } else if (FirstSelectedRow() >= 0) {
    dialogs_.ShowMessage("There is no report to open: " +
                             (report.file.empty() ? QString() : Text(report.file) + ": ") +
                             Text(report.reason),
                         kApplicationTitle);
  }
}

void CTallowickView::OpenReportFolder() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  const LastReport report = SelectedReport();
  if (!report.folder.empty()) {
    dialogs_.Open(Text(report.folder));
  } else if (Profiles()[static_cast<std::size_t>(row)]->GetUploadReport() != 0) {
    dialogs_.ShowMessage(
        "The report is uploaded to the server: there is no report folder here "
        "to open.",
        kApplicationTitle);
  } else {
    dialogs_.ShowMessage("There is no report folder to open yet: run the site to make it.",
                         kApplicationTitle);
  }
}

void CTallowickView::StopAll() {
  for (int row = 0; row < static_cast<int>(Profiles().size()); ++row) {
    const CSiteProfile& profile = *Profiles()[static_cast<std::size_t>(row)];
    if (!profile.GetRunning() || !board_.Stop(profile)) continue;
    SetCell(row, kColumnStatus, "Processing Canceled!");
    SetRowIcon(row, kIconIdle);
  }
}

void CTallowickView::OnScheduleTick(std::int64_t now) {
  for (std::size_t row : schedule_.DueRows(Profiles(), board_, now)) {
    StartRow(static_cast<int>(row), true);
  }
}

}  // namespace tlw::ui
