#pragma once

#include "ui/sheet_pages/sheet_page.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tlw::ui {

// Page "Report": which sections the report shows, their order and top
// counts.
class CSitePropertyPage5 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage5(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  void MoveUp();
  void MoveDown();
  // The check made when the Top edit loses the focus.
  void ApplyTopText();

  QTreeWidget* list = nullptr;
  QLineEdit* top = nullptr;

 private:
  void Move(int by);
  void Step(int by);
  QTreeWidgetItem* remembered_ = nullptr;
};

}  // namespace tlw::ui
