#include "ui/tallowick_app.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "base/run_host.h"
#include "base/user_folders.h"
#include "engine/library_versions.h"
#include "ui/main_frame.h"
#include "ui/tallowick_view.h"

namespace tlw::ui {

QString HelpText() {
  return "These switches can enable you to run this program\n"
         "at any time from a shell script or on a remote machine.\n"
         "\n"
         "tallowick [switches]\n"
         "\n"
         "/# = process this site number (0-n)\n"
         "/ALL = process all websites\n"
         "/? = this screen\n";
}

StartRequest ParseCommandLine(const QStringList& parameters) {
  StartRequest request;
  for (const QString& parameter : parameters) {
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
  QTimer::singleShot(0, &frame, [&frame, request] {
    CTallowickView* view = frame.View();
    if (request.allSites) view->GenerateAll();
    for (int row : request.rows) {
      if (row < static_cast<int>(view->Profiles().size())) view->StartRow(row);
    }
  });
  return QApplication::exec();
}

}  // namespace tlw::ui
