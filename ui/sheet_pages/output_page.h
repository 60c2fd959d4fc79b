#pragma once

#include <QString>
#include <vector>

#include "ui/sheet_pages/sheet_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tlw::ui {

// Page "Output": where the report goes and whom it is mailed to.
class CSitePropertyPage3 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage3(const SheetHooks& hooks, QWidget* parent);
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
  QCheckBox* email = nullptr;
  QLineEdit* address = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> ftpControls_;
  QLabel* addressLabel_ = nullptr;
};

}  // namespace tlw::ui
