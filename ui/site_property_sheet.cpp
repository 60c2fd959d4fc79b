#include "ui/site_property_sheet.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QKeySequence>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstddef>
#include <utility>

#include "settings/settings_file.h"
#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::Std;
using sheet_pages::Text;

void ApplyPageDefaults(CSiteProfile& values, const QString& homeFolder) {
  values.SetHomepageUrl("http://www.example.com");
  values.SetLastGenerated("never");
  values.SetLastLogfileSize(0);
  values.SetProcessEntireLog(1);
  values.SetReportFrom(0);
  values.SetReportTo(0);
  values.SetRemoteLogfile(0);
  values.SetLogfilePath(Std(homeFolder + "/website/logs/access.log"));
  values.SetLogFtpServer("ftp.example.com");
  values.SetLogFtpUser("");
  values.SetLogFtpPassword("");
  values.SetUploadReport(0);
  values.SetReportPath(DefaultReportPath(Std(homeFolder)));
  values.SetUploadFtpServer("ftp.example.com");
  values.SetUploadFtpUser("");
  values.SetUploadFtpPassword("");
  values.SetEmailReport(0);
  values.SetEmailAddress("");
  values.SetScheduled(0);
  values.SetScheduleInterval("");
  values.SetScheduleStartTime(0);
  values.SetHostFilter("");
  values.SetExtensionFilter("");
  values.SetDirectoryFilter("");
}

CSitePropertySheet::CSitePropertySheet(const CSiteProfile* profile, bool advancedSettings,
                                       SheetHooks hooks, QWidget* parent)
    : QDialog(parent), hooks_(std::move(hooks)), tabs_(new QTabWidget(this)) {
  setWindowTitle("Website Profile");
  if (profile != nullptr) {
    values_.CopyConfigurationFrom(*profile);
    values_.SetLastGenerated(profile->GetLastGenerated());
    values_.SetLastLogfileSize(profile->GetLastLogfileSize());
  } else {
    ApplyPageDefaults(values_, QDir::homePath());
  }
  site = new CSitePropertyPage1(hooks_, this);
  logFile = new CSitePropertyPage2(hooks_, this);
  output = new CSitePropertyPage3(hooks_, this);
  report = new CSitePropertyPage5(hooks_, this);
  theme = new CSitePropertyPage6(hooks_, this);
  schedule = new CSitePropertyPage4(hooks_, this);
  filter = new CSitePropertyPage7(hooks_, this);
  // A new site's log size reads "0", an edited one's as the list shows it.
  site->SetPropertyTexts(Text(values_.GetLastGenerated()),
                         profile != nullptr ? Text(values_.LogSizeText()) : QString("0"));
  const std::pair<SheetPage*, const char*> pages[] = {
      {site, "Site"},   {logFile, "Log File"},  {output, "Output"}, {report, "Report"},
      {theme, "Theme"}, {schedule, "Schedule"}, {filter, "Filter"}};
  const int shownPages = advancedSettings ? 7 : 3;
  for (int index = 0; index < 7; ++index) {
    SheetPage* page = pages[index].first;
    page->Load(values_);
    if (index < shownPages) {
      tabs_->addTab(page, pages[index].second);
      pages_.push_back(page);
    } else {
      page->hide();
    }
  }
  shown_.assign(pages_.size(), false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { PageShown(index); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { ShowHelp(); });
  PageShown(0);
  // Every tab stays in sight (no scroll arrows), and the sheet takes the
  // size its pages and tabs need in the desktop's font, never less than
  // 470 by 400.
  tabs_->setUsesScrollButtons(false);
  tabs_->setElideMode(Qt::ElideNone);
  resize(sizeHint().expandedTo(kSheetSize));
}

void CSitePropertySheet::PageShown(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  if (shown_[static_cast<std::size_t>(index)]) return;
  shown_[static_cast<std::size_t>(index)] = true;
  pages_[static_cast<std::size_t>(index)]->Activated();
}

void CSitePropertySheet::ShowHelp() {
  const int index = tabs_->currentIndex();
  if (index < 0) return;
  const QString text = pages_[static_cast<std::size_t>(index)]->HelpText();
  if (!text.isEmpty()) hooks_.message(text, "Help");
}

void CSitePropertySheet::StoreInto(CSiteProfile& profile) {
  for (std::size_t index = 0; index < pages_.size(); ++index) {
    if (shown_[index]) pages_[index]->Store(values_);
  }
  profile.CopyConfigurationFrom(values_);
}

}  // namespace tlw::ui
