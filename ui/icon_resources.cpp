#include "ui/icon_resources.h"

#include <QFile>
#include <QtGlobal>

// Q_INIT_RESOURCE declares a function at the namespace where it is used, so
// it is used outside of any namespace.
static void InitIcons() { Q_INIT_RESOURCE(icons); }

namespace tlw::ui {

void InitIconResources() { InitIcons(); }

QIcon ScaledIcon(const QString& path) {
  QIcon icon;
  icon.addFile(path);
  QString doubled = path;
  doubled.insert(doubled.lastIndexOf('.'), "@2x");
  if (QFile::exists(doubled)) icon.addFile(doubled);
  return icon;
}

QIcon ApplicationIcon() {
  InitIconResources();
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/tallowick_%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace tlw::ui
