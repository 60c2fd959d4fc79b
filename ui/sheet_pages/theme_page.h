#pragma once

#include "ui/sheet_pages/sheet_page.h"

class QCheckBox;
class QComboBox;

namespace tlw::ui {

// Page "Theme".
class CSitePropertyPage6 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage6(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;

  QComboBox* theme = nullptr;
  QCheckBox* graphs = nullptr;
};

}  // namespace tlw::ui
