// Pictures of the desktop program for people to look at, taken for
// scripts/screenshot.sh: opens the main window on a program directory, then
// saves main.png as it opens, running.png while the runs of the given rows
// go on, popup.png with the pop-up menu open, sheet_N_PAGE.png of every page
// of the Website Profile sheet and options.png of the Program Settings
// dialog, and quits. With TLW_SCREENSHOT_THEME=dark in the environment it
// draws in a dark colour scheme (Fusion with a dark palette), as a desktop
// with a dark theme would.
//
//   screenshot_tool PROGRAM_DIR OUTPUT_DIR [ROW...]

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <iostream>

#include "base/memory_policy.h"
#include "base/run_host.h"
#include "base/user_folders.h"
#include "ui/dark_palette.h"
#include "ui/main_frame.h"
#include "ui/options_dialog.h"
#include "ui/site_property_sheet.h"
#include "ui/tallowick_view.h"

using namespace tlw::ui;

namespace {

// Saves a picture of every page of the Website Profile sheet, filled from
// the first site, and of the Program Settings dialog.
void GrabDialogs(CMainFrame& frame, const QString& folder) {
  CTallowickView& view = *frame.View();
  if (view.Profiles().empty()) return;
  CSitePropertySheet sheet(view.Profiles().front().get(), true, ModalSheetHooks(&frame), &frame);
  // The controls that the check boxes hide are shown too.
  sheet.site->entireLog->click();
  sheet.output->email->click();
  sheet.schedule->scheduled->click();
  sheet.show();
  for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) {
    sheet.Tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
    const QString name = sheet.Tabs()->tabText(tab).toLower().replace(' ', '_');
    sheet.grab().save(QString("%1/sheet_%2_%3.png").arg(folder).arg(tab + 1).arg(name));
  }
  sheet.close();
  COptionsDialog options(
      view.Settings(), view.Extensions(), [](const QString&, const QString&) {}, &frame);
  options.show();
  QApplication::processEvents();
  options.grab().save(folder + "/options.png");
  options.close();
}

// Takes the pictures on timers: the first before the runs start, the next
// while they go on.
void TakeScreenshots(CMainFrame& frame, const QString& folder, const QList<int>& rows) {
  auto grab = [folder](const QString& name) {
    QApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name);
  };
  QTimer::singleShot(800, &frame, [grab] { grab("main.png"); });
  QTimer::singleShot(1000, &frame, [&frame, rows] {
    CTallowickView* view = frame.View();
    for (int row : rows) {
      if (row < static_cast<int>(view->Profiles().size())) view->StartRow(row);
    }
  });
  QTimer::singleShot(1400, &frame, [grab] { grab("running.png"); });
  QTimer::singleShot(3500, &frame, [&frame] {
    QTreeWidget* list = frame.View()->List();
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    frame.PopupMenu()->popup(list->viewport()->mapToGlobal(row.center()));
  });
  QTimer::singleShot(4500, &frame, [grab, &frame, folder] {
    grab("popup.png");
    frame.PopupMenu()->close();
    GrabDialogs(frame, folder);
    frame.close();
  });
}

}  // namespace

int main(int argc, char** argv) {
  // As the program does, so that its runs go at the program's pace.
  tlw::ReturnLargeBlocksToTheSystem();
  QApplication application(argc, argv);
  if (qgetenv("TLW_SCREENSHOT_THEME") == "dark") {
    QApplication::setStyle("Fusion");
    QApplication::setPalette(tlw::test::DarkPalette());
  }
  // The per-user settings (the window's placement) are the program's own.
  QApplication::setOrganizationName(QString());
  QApplication::setApplicationName(tlw::kApplicationTitle);
  const QStringList arguments = QApplication::arguments();
  QList<int> rows;
  bool rowsValid = arguments.size() >= 3;
  for (qsizetype i = 3; i < arguments.size() && rowsValid; ++i) {
    rows.push_back(arguments[i].toInt(&rowsValid));
    rowsValid = rowsValid && rows.back() >= 0;
  }
  if (!rowsValid) {
    std::cerr << "usage: screenshot_tool PROGRAM_DIR OUTPUT_DIR [ROW...]\n";
    return 2;
  }
  const QString output = arguments[2];
  if (!QDir(output).exists()) {
    std::cerr << "screenshot_tool: no folder " << output.toStdString() << "\n";
    return 2;
  }
  CMainFrame frame;
  const tlw::Result<StartOutcome> loaded = frame.Initialise(
      std::filesystem::path(arguments[1].toStdString()), tlw::UserFoldersOfProcess().home);
  if (!loaded.ok() || *loaded == StartOutcome::kQuitKeepingTheFile) {
    std::cerr << "screenshot_tool: cannot load the sites of " << arguments[1].toStdString()
              << (loaded.ok() ? "" : ": " + loaded.message()) << "\n";
    return 1;
  }
  frame.show();
  TakeScreenshots(frame, output, rows);
  return QApplication::exec();
}
