#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "ui/sheet_pages/sheet_page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tlw::ui {

// Page "Log File": where the logfiles are read.
class CSitePropertyPage2 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage2(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;
  void Browse();
  // The check made when the path edit loses the focus.
  void CheckPath();

  QCheckBox* remote = nullptr;
  QLineEdit* path = nullptr;
  QPushButton* browse = nullptr;
  QLineEdit* server = nullptr;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> ftpControls_;
};

// The logfile path text for the files chosen in the Browse dialog: each full
// path followed by "|".
QString LogPathOfSelection(const QStringList& files);

}  // namespace tlw::ui
