#include "ui/site_dialogs.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "ui/options_dialog.h"
#include "ui/site_property_sheet.h"

namespace tlw::ui {

void LeaveRoomForTitle(QMessageBox& box) {
  const QString title =
      box.windowTitle().isEmpty() ? QGuiApplication::applicationDisplayName() : box.windowTitle();
  // Title bars mostly use a bold face, and carry an icon and three buttons
  // of about a line and a half each.
  QFont font = box.font();
  font.setBold(true);
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(title) + 6 * metrics.height();
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

bool MessageBoxSiteDialogs::EditSite(CSiteProfile& profile, bool newSite, bool advancedSettings) {
  CSitePropertySheet sheet(newSite ? nullptr : &profile, advancedSettings, ModalSheetHooks(parent_),
                           parent_);
  if (sheet.exec() != QDialog::Accepted) return false;
  sheet.StoreInto(profile);
  return true;
}

bool MessageBoxSiteDialogs::EditOptions(CSettings& settings, ExtensionSettings& extensions) {
  QWidget* parent = parent_;
  return EditProgramOptions(
      settings, extensions,
      [parent](const QString& text, const QString& caption) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        LeaveRoomForTitle(box);
        box.exec();
      },
      parent);
}

void MessageBoxSiteDialogs::ShowMessage(const QString& text, const QString& caption) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent_);
  // Messages carry file and server names, which the box would otherwise
  // show as rich text when they look like markup.
  box->setTextFormat(Qt::PlainText);
  LeaveRoomForTitle(*box);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

bool MessageBoxSiteDialogs::Ask(const QString& text, const QString& caption, const QString& yes,
                                const QString& no) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  const QPushButton* yesButton = box.addButton(yes, QMessageBox::AcceptRole);
  QPushButton* noButton = box.addButton(no, QMessageBox::RejectRole);
  // The answer that changes nothing is the one Enter and Escape give.
  box.setDefaultButton(noButton);
  box.setEscapeButton(noButton);
  box.exec();
  return box.clickedButton() == yesButton;
}

void MessageBoxSiteDialogs::Open(const QString& fileOrUrl) {
  // The shell's result is not reported, as a double click reports none.
  QDesktopServices::openUrl(QUrl::fromUserInput(fileOrUrl, QString(), QUrl::AssumeLocalFile));
}

}  // namespace tlw::ui
