#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

#include "settings/site_profile.h"
#include "ui/sheet_pages/filter_page.h"
#include "ui/sheet_pages/log_file_page.h"
#include "ui/sheet_pages/output_page.h"
#include "ui/sheet_pages/report_page.h"
#include "ui/sheet_pages/schedule_page.h"
#include "ui/sheet_pages/sheet_page.h"
#include "ui/sheet_pages/site_page.h"
#include "ui/sheet_pages/theme_page.h"

class QTabWidget;

namespace tlw::ui {

// The smallest size of the Website Profile sheet.
inline constexpr QSize kSheetSize{470, 400};

// The Website Profile sheet: the modal editor of one site profile.
class CSitePropertySheet final : public QDialog {
  Q_OBJECT

 public:
  // `profile` fills the pages (editing a site); null keeps the pages'
  // defaults (adding one). Without `advancedSettings` only the pages Site,
  // Log File and Output are offered.
  CSitePropertySheet(const CSiteProfile* profile, bool advancedSettings, SheetHooks hooks,
                     QWidget* parent = nullptr);

  // Copies the values of every page into `profile`: the shown pages' as
  // edited, the others' as they came in.
  void StoreInto(CSiteProfile& profile);

  QTabWidget* Tabs() const { return tabs_; }
  CSitePropertyPage1* site = nullptr;
  CSitePropertyPage2* logFile = nullptr;
  CSitePropertyPage3* output = nullptr;
  CSitePropertyPage5* report = nullptr;
  CSitePropertyPage6* theme = nullptr;
  CSitePropertyPage4* schedule = nullptr;
  CSitePropertyPage7* filter = nullptr;

 private:
  void PageShown(int index);
  void ShowHelp();

  SheetHooks hooks_;
  CSiteProfile values_;
  QTabWidget* tabs_ = nullptr;
  std::vector<SheetPage*> pages_;
  std::vector<bool> shown_;
};

// The values a new site's pages start with, under `homeFolder`.
void ApplyPageDefaults(CSiteProfile& values, const QString& homeFolder);

}  // namespace tlw::ui
