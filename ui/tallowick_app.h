#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"

namespace tlw::ui {

// What the command line asks of a start.
struct StartRequest {
  int helpShown = 0;         // how many help switches were given (the text is shown once)
  bool allSites = false;     // /ALL: generate for all websites once the window is open
  std::vector<int> rows;     // /0, /1 ...: generate for these rows once the window is open
  QString directory;         // --dir DIR: the program directory that holds the settings
  bool fromDesktop = false;  // --from-desktop: started from the desktop entry
  QString problem;           // a switch that cannot be used as given, said for the user
};

// The text of the help switches, one line ended by a line break per line.
QString HelpText();

// Reads the parameters after the program name. A parameter that begins
// with "/" or "-" is a switch, compared in small letters; others are left
// alone, as are unknown switches. "--dir" takes the next parameter (or what
// follows "=") as it is.
StartRequest ParseCommandLine(const QStringList& parameters);

// The program directory a start uses (see ChooseProgramDirectory): --dir,
// the data folder for a start from the desktop entry, else the current
// folder. Fails saying why, naming the folder.
Result<std::filesystem::path> ProgramDirectoryOf(const StartRequest& request);

// Gives the running QApplication the program's icon, for every window from
// the first help box on, and the name of its desktop entry, by which Wayland
// matches the windows to the entry. Called before any window is made.
void PresentApplication();

// Brings the program up on the running QApplication: help box, main window
// with the sites of the current folder, the runs asked for. Returns the
// exit code.
int RunTallowick(const QStringList& arguments);

// What `tallowick --version` prints: the program's version and those of
// the libraries in use, Qt's among them. Needs no QApplication.
std::string DesktopVersionText();

}  // namespace tlw::ui
