#include "ui/sheet_pages/report_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "report/section_catalog.h"
#include "ui/list_colours.h"
#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::FocusOutFilter;
using sheet_pages::Text;

namespace {

// A changeable profile number of the section catalog: its getters return
// the profile's own members.
FieldInt& NumberOf(CSiteProfile& values, ReportSection::ProfileNumber number) {
  return const_cast<FieldInt&>((values.*number)());
}

// The row of the catalog that gives identifier `id` its label, flag and top
// count: the first one of the identifier.
const ReportSection* SectionOf(std::int64_t id) {
  const std::span<const ReportSection> sections = ListedSections(id);
  return sections.empty() ? nullptr : &sections.front();
}

constexpr int kIdColumn = 0;
constexpr int kIdRole = Qt::UserRole;

}  // namespace

CSitePropertyPage5::CSitePropertyPage5(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent), list(new QTreeWidget(this)), top(new QLineEdit(this)) {
  list->setColumnCount(2);
  list->setHeaderLabels({"Item", "Top"});
  list->setColumnWidth(0, 160);
  list->setColumnWidth(1, 40);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setAllColumnsShowFocus(true);
  KeepListTextReadable(list);
  auto* up = new QPushButton("Move Up", this);
  auto* down = new QPushButton("Move Down", this);
  auto* stepUp = new QToolButton(this);
  auto* stepDown = new QToolButton(this);
  stepUp->setArrowType(Qt::UpArrow);
  stepDown->setArrowType(Qt::DownArrow);
  top->setMaximumWidth(50);

  auto* layout = new QVBoxLayout(this);
  auto* intro =
      new QLabel("Select the types of statistical tables & data you would like to appear", this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* body = new QHBoxLayout;
  body->addWidget(list, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(up);
  side->addWidget(down);
  side->addSpacing(12);
  side->addWidget(new QLabel("Top number table items:", this));
  auto* topRow = new QHBoxLayout;
  topRow->addWidget(top);
  auto* spin = new QVBoxLayout;
  spin->setSpacing(0);
  spin->addWidget(stepUp);
  spin->addWidget(stepDown);
  topRow->addLayout(spin);
  topRow->addStretch(1);
  side->addLayout(topRow);
  side->addStretch(1);
  body->addLayout(side);
  layout->addLayout(body, 1);

  connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    remembered_ = item;
    top->setText(item->text(1));
  });
  connect(up, &QPushButton::clicked, this, [this] { MoveUp(); });
  connect(down, &QPushButton::clicked, this, [this] { MoveDown(); });
  connect(stepUp, &QToolButton::clicked, this, [this] { Step(1); });
  connect(stepDown, &QToolButton::clicked, this, [this] { Step(-1); });
  new FocusOutFilter(top, [this] { ApplyTopText(); });
}

void CSitePropertyPage5::Load(const CSiteProfile& values) {
  list->clear();
  remembered_ = nullptr;
  const QStringList ids = Text(values.GetSectionOrder()).split('|');
  for (const QString& piece : ids) {
    const std::int64_t id = std::atoll(piece.toLatin1().constData());
    if (id < 1 || id > HighestSectionId()) continue;
    const ReportSection* section = SectionOf(id);
    if (section == nullptr) continue;
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, Text(section->title));
    item->setData(kIdColumn, kIdRole, static_cast<qlonglong>(id));
    if (section->topCount != nullptr)
      item->setText(1, QString::number((values.*section->topCount)()));
    const bool enabled = section->enabled == nullptr || (values.*section->enabled)() != 0;
    item->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
  }
  if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
  // The labels are wider than the column in most fonts.
  list->resizeColumnToContents(0);
  list->setColumnWidth(0, std::max(160, list->columnWidth(0)));
  // "Top" shows three digits whole in any font ("999", not "99") and is
  // never narrower than its 40 pixels; the list is wide enough for both
  // columns, so the sheet grows with the font rather than cut them.
  const int textMargins =
      2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
  const int topWidth = std::max({40, list->fontMetrics().horizontalAdvance("999") + textMargins,
                                 list->header()->sectionSizeHint(1)});
  list->setColumnWidth(1, topWidth);
  list->setMinimumWidth(list->columnWidth(0) + topWidth + 2 * list->frameWidth() +
                        list->verticalScrollBar()->sizeHint().width());
}

void CSitePropertyPage5::Store(CSiteProfile& values) const {
  std::string order;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const std::int64_t id = item->data(kIdColumn, kIdRole).toLongLong();
    order += std::to_string(id) + "|";
    const ReportSection* section = SectionOf(id);
    if (section->enabled != nullptr) {
      NumberOf(values, section->enabled) = item->checkState(0) == Qt::Checked ? 1 : 0;
    }
    if (section->topCount != nullptr) {
      NumberOf(values, section->topCount) =
          static_cast<FieldInt>(std::atol(item->text(1).toLatin1().constData()));
    }
  }
  values.SetSectionOrder(order);
}

void CSitePropertyPage5::ApplyTopText() {
  const QString text = top->text();
  if (text.isEmpty() || remembered_ == nullptr) return;
  const bool digit = text.front() >= '1' && text.front() <= '9';
  remembered_->setText(1, digit ? text : QString("1"));
}

// The spin control: the edit's number one step on, within 1 to 250.
void CSitePropertyPage5::Step(int by) {
  const int value = std::atoi(top->text().toLatin1().constData());
  top->setText(QString::number(std::clamp(value + by, 1, 250)));
  ApplyTopText();
}

void CSitePropertyPage5::MoveUp() { Move(-1); }
void CSitePropertyPage5::MoveDown() { Move(1); }

void CSitePropertyPage5::Move(int by) {
  QTreeWidgetItem* item = list->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const int row = list->indexOfTopLevelItem(item);
  const int target = row + by;
  if (target < 0 || target >= list->topLevelItemCount()) return;
  list->takeTopLevelItem(row);
  list->insertTopLevelItem(target, item);
  list->setCurrentItem(item);
  item->setSelected(true);
  list->scrollToItem(item);
}

}  // namespace tlw::ui
