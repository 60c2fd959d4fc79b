#include "ui/tallowick_app.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "base/run_host.h"
#include "base/user_folders.h"
#include "engine/library_versions.h"
#include "ui/main_frame.h"
#include "ui/options_dialog.h"
#include "ui/site_property_sheet.h"
#include "ui/tallowick_view.h"

namespace tlw::ui {
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

// Saves pictures of the window for scripts/screenshot.sh: as it opens,
// while the runs asked for go on, with the pop-up menu open, and of the
// dialogs; then quits.
void TakeScreenshots(CMainFrame& frame, const QString& folder) {
  auto grab = [folder](const QString& name) {
    QApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name);
  };
  QTimer::singleShot(800, &frame, [grab] { grab("main.png"); });
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

QString HelpText() {
  return "These switches can enable you to run this program\n"
         "at any time from batch file or on remote machine.\n"
         "\n"
         "Tallowick.exe [switches]\n"
         "\n"
         "/# = process this site number (0-n)\n"
         "/ALL = process all websites\n"
         "/? = this screen\n";
}

StartRequest ParseCommandLine(const QStringList& parameters) {
  StartRequest request;
  for (qsizetype i = 0; i < parameters.size(); ++i) {
    const QString& parameter = parameters[i];
    if (parameter == "--screenshot" && i + 1 < parameters.size()) {
      request.screenshotFolder = parameters[++i];
      continue;
    }
    if (!parameter.startsWith('/') && !parameter.startsWith('-')) continue;
    const QString name = parameter.mid(1).toLower();
    bool isNumber = false;
    const int row = name.toInt(&isNumber);
    if (name == "?" || name == "help") {
      ++request.helpShown;
    } else if (name == "all") {
      request.allSites = true;
    } else if (isNumber && row >= 0 && !name.startsWith('+')) {
      request.rows.push_back(row);
    }
  }
  return request;
}

std::string DesktopVersionText() {
  return VersionText("tallowick", TLW_VERSION) + "Qt " + qVersion() + "\n";
}

int RunTallowick(const QStringList& arguments) {
  const StartRequest request = ParseCommandLine(arguments.mid(1));
  if (request.helpShown > 0) {
    QMessageBox::information(nullptr, kApplicationTitle, HelpText());
  }
  CMainFrame frame;
  const UserFolders folders = UserFoldersOfProcess();
  const Result<StartOutcome> loaded =
      frame.Initialise(std::filesystem::path(QDir::currentPath().toStdString()), folders.home);
  if (!loaded.ok()) {
    QMessageBox::critical(nullptr, kApplicationTitle, QString::fromStdString(loaded.message()));
    return 1;
  }
  // The user chose to keep a damaged settings file: nothing ran, nothing is saved.
  if (*loaded == StartOutcome::kQuitKeepingTheFile) return 1;
  frame.show();
  // The runs the switches ask for start once the window is open, as if the
  // user had chosen the command.
  // The screenshots take a picture of the window before the runs start.
  const int runDelay = request.screenshotFolder.isEmpty() ? 0 : 1000;
  QTimer::singleShot(runDelay, &frame, [&frame, request] {
    CTallowickView* view = frame.View();
    if (request.allSites) view->GenerateAll();
    for (int row : request.rows) {
      if (row < static_cast<int>(view->Profiles().size())) view->StartRow(row);
    }
  });
  if (!request.screenshotFolder.isEmpty()) TakeScreenshots(frame, request.screenshotFolder);
  return QApplication::exec();
}

}  // namespace tlw::ui
