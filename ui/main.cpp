#include <QApplication>
#include <iostream>
#include <string_view>

#include "base/memory_policy.h"
#include "base/run_host.h"
#include "ui/tallowick_app.h"

int main(int argc, char** argv) {
  tlw::ReturnLargeBlocksToTheSystem();
  // Answered before the QApplication, which needs a display.
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--version") {
      std::cout << tlw::ui::DesktopVersionText();
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString());
  QApplication::setApplicationName(tlw::kApplicationTitle);
  QApplication::setApplicationVersion(TLW_VERSION);
  tlw::ui::PresentApplication();
  return tlw::ui::RunTallowick(QApplication::arguments());
}
