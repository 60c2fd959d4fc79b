#include <QApplication>

#include "base/memory_policy.h"
#include "base/run_host.h"
#include "ui/tallowick_app.h"

int main(int argc, char** argv) {
  tlw::ReturnLargeBlocksToTheSystem();
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString());
  QApplication::setApplicationName(tlw::kApplicationTitle);
  QApplication::setApplicationVersion(TLW_VERSION);
  return tlw::ui::RunTallowick(QApplication::arguments());
}
