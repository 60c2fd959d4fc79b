#include "ui/sheet_pages/filter_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <functional>
#include <string>
#include <utility>

#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::InsertSorted;
using sheet_pages::Std;
using sheet_pages::Text;

namespace {

constexpr int kFilterReadLimit = 299;

// Enter in a group's edit box adds its text, as "< Add" does. Left to the
// sheet, it would close the sheet with OK and the text typed would be lost.
class EnterAdds final : public QObject {
 public:
  EnterAdds(QLineEdit* edit, std::function<void()> add) : QObject(edit), add_(std::move(add)) {
    edit->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        add_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> add_;
};

}  // namespace

CSitePropertyPage7::CSitePropertyPage7(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      "If you would like to block-out certain types of information from appearing in the "
      "reports use the corresponding filters.",
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  const char* titles[] = {"Hostname && IP", "File Extensions", "Directories"};
  for (int index = 0; index < 3; ++index) {
    Group& group = groups[index];
    auto* box = new QGroupBox(titles[index], this);
    auto* row = new QHBoxLayout(box);
    group.list = new QComboBox(box);
    group.list->setEditable(true);
    group.list->setInsertPolicy(QComboBox::NoInsert);
    group.add = new QPushButton("< Add", box);
    group.del = new QPushButton("Del >", box);
    group.edit = new QLineEdit(box);
    row->addWidget(group.list, 2);
    row->addWidget(group.add);
    row->addWidget(group.del);
    row->addWidget(group.edit, 1);
    layout->addWidget(box);
    connect(group.add, &QPushButton::clicked, this, [this, index] { Add(groups[index]); });
    connect(group.del, &QPushButton::clicked, this, [this, index] { Delete(groups[index]); });
    new EnterAdds(group.edit, [this, index] { Add(groups[index]); });
  }
  layout->addWidget(new QLabel("(Click F1 for help)", this));
  layout->addStretch(1);
}

void CSitePropertyPage7::Load(const CSiteProfile& values) {
  const std::string* texts[] = {&values.GetHostFilter(), &values.GetExtensionFilter(),
                                &values.GetDirectoryFilter()};
  for (int index = 0; index < 3; ++index) {
    QComboBox* list = groups[index].list;
    list->clear();
    const QString text = Text(texts[index]->substr(0, kFilterReadLimit));
    for (const QString& entry : text.split('|', Qt::SkipEmptyParts)) InsertSorted(list, entry);
    list->setCurrentIndex(-1);
    list->clearEditText();
  }
}

void CSitePropertyPage7::Store(CSiteProfile& values) const {
  std::string texts[3];
  for (int index = 0; index < 3; ++index) {
    const QComboBox* list = groups[index].list;
    for (int entry = 0; entry < list->count(); ++entry) {
      if (list->itemText(entry).size() >= 2) texts[index] += Std(list->itemText(entry)) + "|";
    }
  }
  values.SetHostFilter(texts[0]);
  values.SetExtensionFilter(texts[1]);
  values.SetDirectoryFilter(texts[2]);
}

void CSitePropertyPage7::Add(Group& group) {
  const QString text = group.edit->text();
  if (text.size() < 2) return;
  group.list->setCurrentIndex(InsertSorted(group.list, text));
  group.edit->clear();
}

// The selected entry goes; without a selection nothing does.
void CSitePropertyPage7::Delete(Group& group) {
  const int index = group.list->currentIndex();
  if (index < 0 || group.list->currentText() != group.list->itemText(index)) return;
  group.list->removeItem(index);
  group.list->setCurrentIndex(-1);
  group.list->clearEditText();
}

QString CSitePropertyPage7::HelpText() const {
  return "FILTERS\n"
         "\n"
         "Hostname:\n"
         "---\n"
         "+ Enter a hostname or ip address\n"
         "  (ex: www.example.com, 200.200.200.12)\n"
         "\n"
         "File Extension:\n"
         "---\n"
         "+ Enter file extensions\n"
         "  (ex: GIF, XBM, JPG, TXT)\n"
         "\n"
         "Directories:\n"
         "---\n"
         "+ Enter web directories\n"
         "  (ex: /images, /docs, /admin)\n";
}

}  // namespace tlw::ui
