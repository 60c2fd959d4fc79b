#include "ui/sheet_pages/site_page.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::MakePicker;
using sheet_pages::PickedTime;
using sheet_pages::ShowTime;
using sheet_pages::Std;
using sheet_pages::Text;

CSitePropertyPage1::CSitePropertyPage1(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      homepage(new QLineEdit(this)),
      entireLog(new QCheckBox("Process entire log file", this)),
      from(MakePicker(this, QLocale().dateFormat(QLocale::ShortFormat))),
      to(MakePicker(this, QLocale().dateFormat(QLocale::ShortFormat))),
      fromLabel_(new QLabel("Only report from", this)),
      toLabel_(new QLabel("to", this)),
      lastGenerated_(new QLabel(this)),
      logSize_(new QLabel(this)) {
  from->setCalendarPopup(true);
  to->setCalendarPopup(true);
  auto* layout = new QVBoxLayout(this);
  auto* url = new QHBoxLayout;
  url->addWidget(new QLabel("Homepage URL:", this));
  url->addWidget(homepage, 1);
  layout->addLayout(url);
  layout->addWidget(entireLog);
  auto* range = new QHBoxLayout;
  range->addWidget(fromLabel_);
  range->addWidget(from);
  range->addWidget(toLabel_);
  range->addWidget(to);
  range->addStretch(1);
  layout->addLayout(range);
  auto* properties = new QGroupBox("Properties", this);
  auto* grid = new QGridLayout(properties);
  grid->addWidget(new QLabel("Last Generated:", properties), 0, 0);
  grid->addWidget(lastGenerated_, 0, 1);
  grid->addWidget(new QLabel("Last Logfile size:", properties), 1, 0);
  grid->addWidget(logSize_, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addWidget(properties);
  layout->addStretch(1);
  connect(entireLog, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
}

void CSitePropertyPage1::SetPropertyTexts(const QString& lastGenerated, const QString& logSize) {
  lastGenerated_->setText(lastGenerated);
  logSize_->setText(logSize);
}

void CSitePropertyPage1::Load(const CSiteProfile& values) {
  homepage->setText(Text(values.GetHomepageUrl()));
  entireLog->setChecked(values.GetProcessEntireLog() != 0);
  fromValue_ = values.GetReportFrom();
  toValue_ = values.GetReportTo();
  // A range never set (1970) starts from today.
  if (QDateTime::fromSecsSinceEpoch(fromValue_).date().year() == 1970) {
    fromValue_ = toValue_ = QDateTime::currentSecsSinceEpoch();
  }
  fromShown_ = ShowTime(from, fromValue_);
  toShown_ = ShowTime(to, toValue_);
  ApplyVisibility();
}

void CSitePropertyPage1::Store(CSiteProfile& values) const {
  values.SetHomepageUrl(Std(homepage->text()));
  values.SetProcessEntireLog(entireLog->isChecked() ? 1 : 0);
  values.SetReportFrom(PickedTime(from, fromShown_, fromValue_));
  values.SetReportTo(PickedTime(to, toShown_, toValue_));
}

void CSitePropertyPage1::ApplyVisibility() {
  const bool range = !entireLog->isChecked();
  for (QWidget* widget : {static_cast<QWidget*>(fromLabel_), static_cast<QWidget*>(from),
                          static_cast<QWidget*>(toLabel_), static_cast<QWidget*>(to)}) {
    widget->setVisible(range);
  }
}

QString CSitePropertyPage1::HelpText() const {
  return "Enter the URL people use to access your site.\n\nFor example: "
         "http://www.example.com\n";
}

}  // namespace tlw::ui
