#pragma once

#include <QString>

#include "ui/sheet_pages/sheet_page.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tlw::ui {

// Page "Filter": hosts, file extensions and directories left out.
class CSitePropertyPage7 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage7(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;

  struct Group {
    QComboBox* list = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* add = nullptr;
    QPushButton* del = nullptr;
  };
  // Hostname && IP, File Extensions, Directories.
  Group groups[3];

  static void Add(Group& group);
  static void Delete(Group& group);
};

}  // namespace tlw::ui
