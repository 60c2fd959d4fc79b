#include "ui/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <optional>

#include "base/run_host.h"
#include "engine/run_files.h"
#include "ui/icon_resources.h"
#include "ui/run_history_dialog.h"
#include "ui/site_dialogs.h"
#include "ui/tallowick_view.h"
#include "ui/window_placement.h"

namespace tlw::ui {
namespace {

constexpr const char* kPositionSection = "Window Position";
constexpr const char* kBarSection = "Bar State";

}  // namespace

std::unique_ptr<QSettings> UserSettings() {
  // Named by hand: with no organisation Qt would file it under "Unknown
  // Organization".
  return std::make_unique<QSettings>(
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
          kApplicationTitle + ".conf",
      QSettings::IniFormat);
}

namespace {

// The placement stored when the window last closed; none when its "bottom"
// is 9 or less (absent included).
std::optional<QRect> SavedPlacement() {
  std::unique_ptr<QSettings> user = UserSettings();
  user->beginGroup(kPositionSection);
  const int top = user->value("top", 0).toInt();
  const int left = user->value("left", 0).toInt();
  const int bottom = user->value("bottom", 0).toInt();
  const int right = user->value("right", 0).toInt();
  if (bottom <= 9) return std::nullopt;
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace

CMainFrame::CMainFrame(std::unique_ptr<SiteDialogs> dialogs) : dialogs_(std::move(dialogs)) {
  InitIconResources();
  if (!dialogs_) dialogs_ = std::make_unique<MessageBoxSiteDialogs>(this);
  setWindowTitle(kApplicationTitle);
  setWindowIcon(ApplicationIcon());
  view_ = new CTallowickView(*dialogs_, this);
  setCentralWidget(view_);

  auto* idle = new QLabel(kIdleStatusText);
  idle->setObjectName("idleText");
  statusBar()->addWidget(idle, 1);
  BuildToolBar();
  BuildMenus();
  BuildTrayIcon();
  connect(view_, &CTallowickView::popupMenuRequested, this,
          [this](const QPoint& globalPos) { popupMenu_->popup(globalPos); });
  connect(view_, &CTallowickView::commandsChanged, this, [this] {
    UpdateCommands();
    UpdateTray();
  });
  connect(view_, &CTallowickView::endNoticeReady, this, &CMainFrame::ShowEndNotice);

  RestorePlacement();
  std::unique_ptr<QSettings> user = UserSettings();
  restoreState(user->value(QString(kBarSection) + "/Bars").toByteArray());
  statusBar()->setVisible(user->value(QString(kBarSection) + "/StatusBar", true).toBool());
  toolbarToggle_->setChecked(!toolBar_->isHidden());
  statusBarToggle_->setChecked(!statusBar()->isHidden());
  // The toolbar's own context menu hides and shows it too; the View menu's
  // check follows whichever way it went.
  connect(toolBar_->toggleViewAction(), &QAction::toggled, toolbarToggle_, &QAction::setChecked);
}

CMainFrame::~CMainFrame() = default;

Result<StartOutcome> CMainFrame::Initialise(const std::filesystem::path& programDirectory,
                                            const std::string& homeFolder) {
  Result<StartOutcome> loaded = view_->Initialise(programDirectory, homeFolder);
  UpdateCommands();
  // The sites just read may have widened the columns.
  view_->updateGeometry();
  if (!SavedPlacement()) resize(size().expandedTo(FirstWindowSize()));
  return loaded;
}

QAction* CMainFrame::MakeAction(const QString& text, Command command) {
  auto* action = new QAction(text, this);
  const CommandLook& look = LookOf(command);
  action->setStatusTip(look.prompt);
  action->setData(static_cast<int>(command));
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  return action;
}

void CMainFrame::BuildMenus() {
  for (const Menu& menu : MainMenus()) {
    QMenu* shown = menuBar()->addMenu(menu.title);
    for (const MenuItem& item : menu.items) {
      if (item.command == Command::Separator) {
        shown->addSeparator();
        continue;
      }
      QAction* action = MakeAction(item.text, item.command);
      if (item.command == Command::ShowToolbar || item.command == Command::ShowStatusBar) {
        action->setCheckable(true);
        (item.command == Command::ShowToolbar ? toolbarToggle_ : statusBarToggle_) = action;
      }
      shown->addAction(action);
    }
  }
  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName("popupMenu");
  for (const MenuItem& item : PopupMenuItems()) {
    if (item.command == Command::Separator) {
      popupMenu_->addSeparator();
    } else {
      popupMenu_->addAction(MakeAction(item.text, item.command));
    }
  }
  // The accelerators are actions of their own: Ctrl+G and Ctrl+H do not
  // match the menu texts that show them.
  for (const Accelerator& accelerator : Accelerators()) {
    QAction* action = MakeAction(QString(), accelerator.command);
    action->setObjectName("accelerator");
    action->setShortcut(QKeySequence(accelerator.keys));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
  }
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar("Toolbar");
  toolBar_->setObjectName("toolBar");
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setMovable(true);
  for (Command command : ToolbarCommands()) {
    if (command == Command::Separator) {
      toolBar_->addSeparator();
      continue;
    }
    const CommandLook& look = LookOf(command);
    QAction* action = MakeAction(look.tooltip, command);
    action->setIcon(ScaledIcon(look.icon));
    action->setToolTip(look.tooltip);
    toolBar_->addAction(action);
  }
}

void CMainFrame::BuildTrayIcon() {
  trayMenu_ = new QMenu(this);
  trayMenu_->setObjectName("trayMenu");
  for (const MenuItem& item : TrayMenuItems()) {
    if (item.command == Command::Separator) {
      trayMenu_->addSeparator();
    } else {
      trayMenu_->addAction(MakeAction(item.text, item.command));
    }
  }
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  trayIcon_ = new QSystemTrayIcon(ScaledIcon(":/icons/row_idle.png"), this);
  trayIcon_->setToolTip("Tallowick WebStats");
  trayIcon_->setContextMenu(trayMenu_);
  view_->SetTrayAvailable(true);
  connect(trayIcon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) RestoreFromTray();
          });
  connect(trayIcon_, &QSystemTrayIcon::messageClicked, this, [this] {
    noticePending_ = false;
    if (noticeTarget_.isEmpty()) {
      RestoreFromTray();
    } else {
      dialogs_->Open(noticeTarget_);
      UpdateTray();
    }
  });
}

void CMainFrame::RestoreFromTray() {
  showNormal();
  activateWindow();
  noticePending_ = false;
  UpdateTray();
}

void CMainFrame::UpdateTray() {
  if (trayIcon_ == nullptr) return;
  const int running = view_->ActiveRunCount();
  trayIcon_->setIcon(ScaledIcon(running > 0 ? ":/icons/row_reading.png" : ":/icons/row_idle.png"));
  trayIcon_->setToolTip(running == 0 ? QString("Tallowick WebStats")
                        : running == 1
                            ? QString("Tallowick WebStats: 1 site being processed")
                            : QString("Tallowick WebStats: %1 sites being processed").arg(running));
  trayIcon_->setVisible(isHidden() || running > 0 || noticePending_);
}

void CMainFrame::ShowEndNotice(const QString& title, const QString& body, const QString& target) {
  if (trayIcon_ == nullptr) return;
  noticeTarget_ = target;
  noticePending_ = true;
  // A notification goes through the tray icon, which must be shown for it.
  trayIcon_->show();
  trayIcon_->showMessage(title, body, ApplicationIcon(), 15000);
}

void CMainFrame::UpdateCommands() {
  const LastReport report = view_->SelectedReport();
  const bool selected = view_->List()->selectedItems().size() > 0;
  const QString why = report.found ? QString() : QString::fromStdString(report.reason);
  for (QAction* action : findChildren<QAction*>()) {
    const auto command = static_cast<Command>(action->data().toInt());
    if (action->data().isNull()) continue;
    if (command == Command::OpenReport) {
      action->setEnabled(report.found);
      action->setStatusTip(report.found ? QString(LookOf(command).prompt)
                                        : "No report yet: " + why);
    } else if (command == Command::OpenReportFolder) {
      action->setEnabled(!report.folder.empty());
    } else if (command == Command::RunHistory) {
      action->setEnabled(selected);
    }
  }
}

void CMainFrame::ShowRunHistory() {
  QString site;
  const std::vector<RunRecord> runs = view_->SelectedHistory(site);
  if (site.isNull()) return;
  auto* dialog = new RunHistoryDialog(site, runs, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && noticePending_) {
    noticePending_ = false;
    UpdateTray();
  }
  if (event->type() != QEvent::WindowStateChange || trayIcon_ == nullptr) return;
  if (isMinimized()) {
    // Hidden after the state change has been handled, so the window
    // manager sees a normal window go away rather than an icon.
    QTimer::singleShot(0, this, [this] {
      trayIcon_->show();
      hide();
    });
  } else {
    UpdateTray();
  }
}

void CMainFrame::RestorePlacement() {
  if (const std::optional<QRect> saved = SavedPlacement()) {
    setGeometry(PlaceOnScreens(*saved, AvailableScreenAreas()));
  } else {
    setGeometry(QRect(kDefaultPlacement.topLeft(), FirstWindowSize()));
  }
}

// The default placement's 365 by 185 pixels cut the columns and the status
// text: the first window is as large as they need, and never smaller.
QSize CMainFrame::FirstWindowSize() const {
  return sizeHint().expandedTo(kDefaultPlacement.size());
}

void CMainFrame::SavePlacement() {
  const QRect placement = normalGeometry().isValid() ? normalGeometry() : geometry();
  std::unique_ptr<QSettings> user = UserSettings();
  user->beginGroup(kPositionSection);
  user->setValue("top", placement.top());
  user->setValue("left", placement.left());
  user->setValue("bottom", placement.top() + placement.height());
  user->setValue("right", placement.left() + placement.width());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (trayIcon_ != nullptr) trayIcon_->hide();
  std::unique_ptr<QSettings> user = UserSettings();
  user->setValue(QString(kBarSection) + "/Bars", saveState());
  user->setValue(QString(kBarSection) + "/StatusBar", !statusBar()->isHidden());
  user.reset();
  SavePlacement();
  view_->SaveBeforeQuitting();
  event->accept();
}

QString CMainFrame::HelpFilePath() const {
  const QString name = "Tallowick_Help.html";
  const QString inProgramDirectory =
      QString::fromStdString(view_->Settings().GetProgramDirectory()) + "/" + name;
  if (QFileInfo::exists(inProgramDirectory)) return inProgramDirectory;
  const std::filesystem::path installed =
      InstalledDataFile(QCoreApplication::applicationDirPath().toStdString(), name.toStdString());
  if (!installed.empty()) return QString::fromStdString(installed.string());
  return QCoreApplication::applicationDirPath() + "/" + name;
}

void CMainFrame::RunCommand(Command command) {
  switch (command) {
    case Command::NewSite:
      view_->NewSite();
      break;
    case Command::DeleteSite:
      view_->DeleteSite();
      break;
    case Command::EditSite:
      view_->EditSite();
      break;
    case Command::GenerateSite:
      view_->GenerateSite();
      break;
    case Command::GenerateAll:
      view_->GenerateAll();
      break;
    case Command::StopSite:
      view_->StopSite();
      break;
    case Command::Options:
      view_->Options();
      break;
    case Command::Documentation:
      dialogs_->Open(HelpFilePath());
      break;
    case Command::SoftwareUpdate:
      dialogs_->Open(kUpdateUrl);
      break;
    case Command::SupportWebsite:
      dialogs_->Open(kSupportUrl);
      break;
    case Command::About:
      QMessageBox::about(this, "About Tallowick",
                         QString(kApplicationTitle) + "\nVersion " + QString(TLW_VERSION) +
                             "\n\nWeb-server access logs turned into HTML traffic reports.");
      break;
    case Command::Exit:
      // A window hidden in the tray is no longer the last one the
      // application waits for: the program ends here.
      if (close() && trayIcon_ != nullptr) QCoreApplication::quit();
      break;
    case Command::OpenReport:
      view_->OpenReport();
      break;
    case Command::OpenReportFolder:
      view_->OpenReportFolder();
      break;
    case Command::RunHistory:
      ShowRunHistory();
      break;
    case Command::ShowWindow:
      RestoreFromTray();
      break;
    case Command::StopAll:
      view_->StopAll();
      break;
    case Command::ShowToolbar:
      toolBar_->setVisible(toolbarToggle_->isChecked());
      break;
    case Command::ShowStatusBar:
      statusBar()->setVisible(statusBarToggle_->isChecked());
      break;
    case Command::Separator:
      break;
  }
}

}  // namespace tlw::ui
