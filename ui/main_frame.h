#pragma once

#include <QMainWindow>
#include <QRect>
#include <filesystem>
#include <memory>
#include <string>

#include "base/result.h"
#include "ui/commands.h"
#include "ui/site_dialogs.h"
#include "ui/tallowick_view.h"

class QMenu;
class QSettings;
class QSystemTrayIcon;
class QToolBar;

namespace tlw::ui {

// The per-user settings of the desktop program ("Window Position", the bar
// state): the file "Tallowick Web Statistics.conf" in the user's
// configuration folder.
std::unique_ptr<QSettings> UserSettings();

// Where a first start puts the main window, and its smallest size then;
// it grows to show every column and the status text.
inline constexpr QRect kDefaultPlacement{100, 120, 365, 185};

// The main window: menus, toolbar, status bar and the site list as its
// view. Minimising hides it in the tray where the desktop has one; where it
// has none the window minimises as usual and no tray command is offered.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // `dialogs` replaces the message boxes and sheets (tests); null for the
  // real ones.
  explicit CMainFrame(std::unique_ptr<SiteDialogs> dialogs = nullptr);
  ~CMainFrame() override;

  // Loads the sites of `programDirectory` into the view (see
  // CTallowickView::Initialise); fails when the settings cannot be read.
  Result<StartOutcome> Initialise(const std::filesystem::path& programDirectory,
                                  const std::string& homeFolder);

  CTallowickView* View() const { return view_; }
  QMenu* PopupMenu() const { return popupMenu_; }
  QToolBar* ToolBar() const { return toolBar_; }
  // Null where the desktop has no system tray.
  QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
  // The tray icon's menu; made even without a tray, so it can be looked at.
  QMenu* TrayMenu() const { return trayMenu_; }

  // Carries out `command` as its menu item would.
  void RunCommand(Command command);

  // The help file: in the program directory, else beside the program.
  QString HelpFilePath() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QAction* MakeAction(const QString& text, Command command);
  void BuildMenus();
  void BuildToolBar();
  void BuildTrayIcon();
  void RestorePlacement();
  QSize FirstWindowSize() const;
  void SavePlacement();
  void RestoreFromTray();
  // Enables the report commands for the selected site and says why not.
  void UpdateCommands();
  // The tray icon's look (busy while runs go on) and whether it is shown:
  // while the window is hidden, while runs go on (their end may be told in a
  // notification) and while a notification waits to be read.
  void UpdateTray();
  void ShowEndNotice(const QString& title, const QString& body, const QString& target);
  void ShowRunHistory();

  std::unique_ptr<SiteDialogs> dialogs_;
  CTallowickView* view_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* popupMenu_ = nullptr;
  QSystemTrayIcon* trayIcon_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  // What a click on the last notification opens: a report, or (empty) the window.
  QString noticeTarget_;
  bool noticePending_ = false;
  QAction* toolbarToggle_ = nullptr;
  QAction* statusBarToggle_ = nullptr;
};

}  // namespace tlw::ui
