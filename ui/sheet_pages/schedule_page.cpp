#include "ui/sheet_pages/schedule_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <string_view>

#include "settings/schedule_choices.h"
#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::MakePicker;
using sheet_pages::PickedTime;
using sheet_pages::ShowTime;
using sheet_pages::Std;
using sheet_pages::Text;

CSitePropertyPage4::CSitePropertyPage4(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      scheduled(new QCheckBox("Schedule this site to run automatically", this)),
      interval(new QComboBox(this)),
      start(MakePicker(this, QLocale().timeFormat(QLocale::ShortFormat))) {
  interval->setEditable(true);
  interval->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view choice : kScheduleIntervals) interval->addItem(Text(choice));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scheduled);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel("Generate new statistics ", this);
  row->addWidget(label);
  row->addWidget(interval, 1);
  layout->addLayout(row);
  auto* group = new QGroupBox("Start Time", this);
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->addWidget(start);
  groupLayout->addStretch(1);
  layout->addWidget(group);
  layout->addStretch(1);
  scheduleControls_ = {label, interval, group, start};
  connect(scheduled, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
}

void CSitePropertyPage4::Load(const CSiteProfile& values) {
  scheduled->setChecked(values.GetScheduled() != 0);
  intervalText_ = Text(values.GetScheduleInterval());
  interval->setCurrentIndex(-1);
  interval->setEditText(intervalText_);
  startValue_ = values.GetScheduleStartTime();
  startShown_ = ShowTime(start, startValue_);
  ApplyVisibility();
}

void CSitePropertyPage4::Activated() { ShowComboText(interval, intervalText_); }

void CSitePropertyPage4::Store(CSiteProfile& values) const {
  values.SetScheduled(scheduled->isChecked() ? 1 : 0);
  values.SetScheduleInterval(Std(interval->currentText()));
  values.SetScheduleStartTime(PickedTime(start, startShown_, startValue_));
}

void CSitePropertyPage4::ApplyVisibility() {
  for (QWidget* widget : scheduleControls_) widget->setVisible(scheduled->isChecked());
}

}  // namespace tlw::ui
