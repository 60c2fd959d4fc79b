#include "ui/site_dialogs.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "base/run_host.h"

namespace tlw::ui {

bool MessageBoxSiteDialogs::EditSite(CSiteProfile& /*profile*/, bool /*newSite*/) {
  ShowMessage(
      "The Website Profile sheet is not available in this version. Sites can be added and "
      "changed with tallowick-cli (add, set); the list shows them after the next start.",
      kApplicationTitle);
  return false;
}

bool MessageBoxSiteDialogs::EditOptions(CSettings& /*settings*/) {
  ShowMessage(
      "The Program Settings dialog is not available in this version. The options can be "
      "changed with tallowick-cli (options).",
      kApplicationTitle);
  return false;
}

void MessageBoxSiteDialogs::ShowMessage(const QString& text, const QString& caption) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void MessageBoxSiteDialogs::Open(const QString& fileOrUrl) {
  // The shell's result is not reported, as a double click reports none.
  QDesktopServices::openUrl(QUrl::fromUserInput(fileOrUrl, QString(), QUrl::AssumeLocalFile));
}

}  // namespace tlw::ui
