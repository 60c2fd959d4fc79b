#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

#include "ui/sheet_pages/sheet_page.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;

namespace tlw::ui {

// Page "Schedule".
class CSitePropertyPage4 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage4(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  void Activated() override;

  QCheckBox* scheduled = nullptr;
  QComboBox* interval = nullptr;
  QDateTimeEdit* start = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> scheduleControls_;
  QString intervalText_;
  std::int64_t startValue_ = 0;
  QDateTime startShown_;
};

}  // namespace tlw::ui
