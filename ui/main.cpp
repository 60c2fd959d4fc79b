#include <QApplication>

#include "base/run_host.h"
#include "ui/tallowick_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString());
  QApplication::setApplicationName(tlw::kApplicationTitle);
  QApplication::setApplicationVersion(TLW_VERSION);
  return tlw::ui::RunTallowick(QApplication::arguments());
}
