#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

#include "ui/sheet_pages/sheet_page.h"

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;

namespace tlw::ui {

// Page "Site": homepage, the date range and what the last run left.
class CSitePropertyPage1 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage1(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;
  void SetPropertyTexts(const QString& lastGenerated, const QString& logSize);

  QLineEdit* homepage = nullptr;
  QCheckBox* entireLog = nullptr;
  QDateTimeEdit* from = nullptr;
  QDateTimeEdit* to = nullptr;

 private:
  void ApplyVisibility();
  QLabel* fromLabel_ = nullptr;
  QLabel* toLabel_ = nullptr;
  QLabel* lastGenerated_ = nullptr;
  QLabel* logSize_ = nullptr;
  // The stored times and what the pickers showed for them: an untouched
  // picker gives back the stored time to the second.
  std::int64_t fromValue_ = 0;
  std::int64_t toValue_ = 0;
  QDateTime fromShown_;
  QDateTime toShown_;
};

}  // namespace tlw::ui
