#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "settings/site_profile.h"

class QComboBox;

namespace tlw::ui {

// What the sheet's pages ask of the desktop: modal message boxes and file
// dialogs. Tests replace them with answers of their own.
struct SheetHooks {
  // A modal message box with an OK button.
  std::function<void(const QString& text, const QString& caption)> message;
  // A file-open dialog with multiple selection; the chosen full paths.
  std::function<QStringList(const QString& folder, const QString& filter)> openFiles;
  // A file-save dialog proposing `name`; the chosen full path, or empty.
  std::function<QString(const QString& folder, const QString& name, const QString& filter)>
      saveFile;
};

// The hooks of the running program, showing their dialogs over `parent`.
SheetHooks ModalSheetHooks(QWidget* parent);

// Shows `text` in an editable drop-down list the way the stored text comes
// back: the first item that begins with it (ignoring case) is selected,
// else the text itself is shown.
void ShowComboText(QComboBox* combo, const QString& text);

// One page of the Website Profile sheet. A page reads its fields from the
// sheet's values when it is built and writes them back only when it was
// shown, so a page the user never opened leaves its values as they were.
class SheetPage : public QWidget {
  Q_OBJECT

 public:
  SheetPage(const SheetHooks& hooks, QWidget* parent) : QWidget(parent), hooks_(hooks) {}
  virtual void Load(const CSiteProfile& values) = 0;
  virtual void Store(CSiteProfile& values) const = 0;
  // The F1 text, captioned "Help"; empty for a page without one.
  virtual QString HelpText() const { return {}; }
  // Called when the page is first shown.
  virtual void Activated() {}

 protected:
  const SheetHooks& hooks_;
};

}  // namespace tlw::ui
