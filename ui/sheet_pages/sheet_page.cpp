#include "ui/sheet_pages/sheet_page.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/site_dialogs.h"

namespace tlw::ui {

void ShowComboText(QComboBox* combo, const QString& text) {
  for (int index = 0; index < combo->count(); ++index) {
    if (combo->itemText(index).startsWith(text, Qt::CaseInsensitive)) {
      combo->setCurrentIndex(index);
      return;
    }
  }
  combo->setCurrentIndex(-1);
  combo->setEditText(text);
}

SheetHooks ModalSheetHooks(QWidget* parent) {
  SheetHooks hooks;
  hooks.message = [parent](const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    LeaveRoomForTitle(box);
    box.exec();
  };
  hooks.openFiles = [parent](const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
  };
  hooks.saveFile = [parent](const QString& folder, const QString& name, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QDir(folder).filePath(name), filter);
  };
  return hooks;
}

}  // namespace tlw::ui
