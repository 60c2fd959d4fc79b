#include "ui/sheet_pages/page_controls.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <utility>

namespace tlw::ui::sheet_pages {

FocusOutFilter::FocusOutFilter(QWidget* widget, std::function<void()> action)
    : QObject(widget), action_(std::move(action)) {
  widget->installEventFilter(this);
}

bool FocusOutFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) action_();
  return QObject::eventFilter(watched, event);
}

QString FolderOf(const QString& path) {
  QString slashed = path;
  slashed.replace('\\', '/');
  if (slashed.endsWith('/')) return slashed;
  return QFileInfo(slashed).path();
}

bool IsInvalidFilename(const QString& path) {
  return path.isEmpty() || path.endsWith('/') || path.endsWith('\\');
}

QDateTimeEdit* MakePicker(QWidget* parent, const QString& format) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setDisplayFormat(format);
  picker->setMinimumDateTime(QDateTime::fromSecsSinceEpoch(0));
  return picker;
}

QDateTime ShowTime(QDateTimeEdit* picker, std::int64_t value) {
  picker->setDateTime(QDateTime::fromSecsSinceEpoch(value));
  return picker->dateTime();
}

std::int64_t PickedTime(const QDateTimeEdit* picker, const QDateTime& shown, std::int64_t stored) {
  return picker->dateTime() == shown ? stored : picker->dateTime().toSecsSinceEpoch();
}

int InsertSorted(QComboBox* combo, const QString& text) {
  int index = 0;
  while (index < combo->count() &&
         QString::compare(combo->itemText(index), text, Qt::CaseInsensitive) <= 0) {
    ++index;
  }
  combo->insertItem(index, text);
  return index;
}

void AddFtpLogin(QWidget* page, QVBoxLayout& layout, std::array<QLineEdit*, 3> edits,
                 std::vector<QWidget*>& controls) {
  constexpr std::array<const char*, 3> kLabels{"FTP Server:", "Username:", "Password:"};
  auto* grid = new QGridLayout;
  for (int row = 0; row < 3; ++row) {
    auto* label = new QLabel(kLabels[static_cast<std::size_t>(row)], page);
    QLineEdit* edit = edits[static_cast<std::size_t>(row)];
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    controls.push_back(label);
    controls.push_back(edit);
  }
  layout.addLayout(grid);
}

}  // namespace tlw::ui::sheet_pages
