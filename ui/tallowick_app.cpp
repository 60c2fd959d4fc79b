#include "ui/tallowick_app.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "base/run_host.h"
#include "base/user_folders.h"
#include "engine/library_versions.h"
#include "frontend/program_directory.h"
#include "ui/icon_resources.h"
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
  for (qsizetype at = 0; at < parameters.size(); ++at) {
    const QString& parameter = parameters[at];
    if (parameter == "--dir" || parameter.startsWith("--dir=")) {
      if (parameter.startsWith("--dir=")) {
        request.directory = parameter.mid(6);
      } else if (at + 1 < parameters.size()) {
        request.directory = parameters[++at];
      }
      if (request.directory.isEmpty()) request.problem = "--dir needs a folder: --dir DIR";
      continue;
    }
    if (!parameter.startsWith('/') && !parameter.startsWith('-')) continue;
    const QString name = parameter.mid(1).toLower();
    bool isNumber = false;
    const int row = name.toInt(&isNumber);
    if (name == "?" || name == "help") {
      ++request.helpShown;
    } else if (name == "-from-desktop") {
      request.fromDesktop = true;
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

Result<std::filesystem::path> ProgramDirectoryOf(const StartRequest& request) {
  if (!request.problem.isEmpty()) return Status::Error(request.problem.toStdString());
  return ChooseProgramDirectory({request.directory.toStdString(), request.fromDesktop},
                                std::filesystem::path(QDir::currentPath().toStdString()),
                                UserFoldersOfProcess());
}

void PresentApplication() {
  QApplication::setWindowIcon(ApplicationIcon());
  QGuiApplication::setDesktopFileName(kDesktopFileName);
}

int RunTallowick(const QStringList& arguments) {
  const StartRequest request = ParseCommandLine(arguments.mid(1));
  if (request.helpShown > 0) {
    QMessageBox::information(nullptr, kApplicationTitle, HelpText());
  }
  const UserFolders folders = UserFoldersOfProcess();
  const Result<std::filesystem::path> directory = ProgramDirectoryOf(request);
  if (!directory.ok()) {
    QMessageBox::critical(nullptr, kApplicationTitle, QString::fromStdString(directory.message()));
    return 1;
  }
  CMainFrame frame;
  const Result<StartOutcome> loaded = frame.Initialise(*directory, folders.home);
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
