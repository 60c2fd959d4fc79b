#include "ui/run_history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tlw::ui {

RunHistoryDialog::RunHistoryDialog(const QString& site, const std::vector<RunRecord>& runs,
                                   QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)) {
  setWindowTitle("Run History");
  setObjectName("runHistory");
  auto* layout = new QVBoxLayout(this);
  auto* heading =
      new QLabel(runs.empty()       ? "No runs of " + site + " are recorded yet."
                 : runs.size() == 1 ? "The last run of " + site + ":"
                                    : QString("The last %1 runs of %2:").arg(runs.size()).arg(site),
                 this);
  // The address comes from the settings file: shown as text, never markup.
  heading->setTextFormat(Qt::PlainText);
  layout->addWidget(heading);
  list_->setObjectName("runs");
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setHeaderLabels({"Started", "Time Taken", "Outcome", "Message"});
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    QStringList cells;
    for (const std::string& cell : RunCells(*run)) cells << QString::fromStdString(cell);
    auto* item = new QTreeWidgetItem(cells);
    item->setToolTip(3, cells[3]);
    list_->addTopLevelItem(item);
  }
  // Each column as wide as its texts, and a gap before the next.
  const int gap = fontMetrics().horizontalAdvance("xx");
  for (int column = 0; column < 3; ++column) {
    list_->resizeColumnToContents(column);
    list_->setColumnWidth(column, list_->columnWidth(column) + gap);
  }
  list_->header()->setStretchLastSection(true);
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  const int wide = fontMetrics().horizontalAdvance('x');
  resize(wide * 100, fontMetrics().height() * 20);
}

}  // namespace tlw::ui
