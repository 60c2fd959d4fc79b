#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace tlw::ui {

// What the command line asks of a start.
struct StartRequest {
  int helpShown = 0;      // how many help switches were given (the text is shown once)
  bool allSites = false;  // /ALL: generate for all websites once the window is open
  std::vector<int> rows;  // /0, /1 ...: generate for these rows once the window is open
};

// The text of the help switches, one line ended by a line break per line.
QString HelpText();

// Reads the parameters after the program name. A parameter that begins
// with "/" or "-" is a switch, compared in small letters; others are left
// alone, as are unknown switches.
StartRequest ParseCommandLine(const QStringList& parameters);

// Brings the program up on the running QApplication: help box, main window
// with the sites of the current folder, the runs asked for. Returns the
// exit code.
int RunTallowick(const QStringList& arguments);

// What `tallowick --version` prints: the program's version and those of
// the libraries in use, Qt's among them. Needs no QApplication.
std::string DesktopVersionText();

}  // namespace tlw::ui
