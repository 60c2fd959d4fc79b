#include "ui/sheet_pages/theme_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>
#include <string_view>

#include "report/theme.h"
#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::InsertSorted;
using sheet_pages::Std;
using sheet_pages::Text;

CSitePropertyPage6::CSitePropertyPage6(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      theme(new QComboBox(this)),
      graphs(new QCheckBox("Include GRAPHS for data visualization (GIF format)", this)) {
  theme->setEditable(true);
  theme->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view name : kThemeNames) InsertSorted(theme, Text(name));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      "Theme defines the color and style of the report, choose colors that best match your "
      "website.",
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  layout->addWidget(theme);
  layout->addWidget(graphs);
  layout->addStretch(1);
}

void CSitePropertyPage6::Load(const CSiteProfile& values) {
  ShowComboText(theme, Text(values.GetThemeName()));
  graphs->setChecked(values.GetIncludeGraphs() != 0);
}

void CSitePropertyPage6::Store(CSiteProfile& values) const {
  values.SetThemeName(Std(theme->currentText()));
  values.SetIncludeGraphs(graphs->isChecked() ? 1 : 0);
}

}  // namespace tlw::ui
